#pragma once

#include <QMap>
#include <QString>

// The per-user store of the few values kept between runs, addressed by
// application, section and key, always as text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue) const = 0;
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};

// The platform's own per-user settings (XDG_CONFIG_HOME on Linux, the
// registry on Windows).
class QtSettingsStore final : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override;
};

// Settings that live only as long as the object: for tests and for runs on
// the simulated unit that must not disturb the user's real settings.
class MemorySettingsStore final : public SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) const override;
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override;

private:
    QMap<QString, QString> values_;
};

// The program's own keys: application "KESTREL", section "Startup".
namespace startup_settings {
inline const QString Application = QStringLiteral("KESTREL");
inline const QString Section = QStringLiteral("Startup");
inline const QString LastActiveCommPort = QStringLiteral("LastActiveCommPort");
inline const QString WidebandModel = QStringLiteral("WBO2");
inline const QString FjoCalibration = QStringLiteral("FJOCAL");
// How fast the live windows sample: "50 ms", "max" or samples a second.
inline const QString SampleRate = QStringLiteral("SampleRate");

QString Read(const QString& key, const QString& defaultValue);
void Write(const QString& key, const QString& value);
} // namespace startup_settings
