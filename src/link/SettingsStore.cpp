#include "link/SettingsStore.h"

#include "platform/Services.h"

#include <QSettings>

namespace {
QString fullKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

QString QtSettingsStore::read(const QString& application, const QString& section, const QString& key,
                              const QString& defaultValue) const
{
    const QSettings settings(application, application);
    return settings.value(fullKey(section, key), defaultValue).toString();
}

void QtSettingsStore::write(const QString& application, const QString& section, const QString& key,
                            const QString& value)
{
    QSettings settings(application, application);
    settings.setValue(fullKey(section, key), value);
    settings.sync();
}

QString MemorySettingsStore::read(const QString& application, const QString& section, const QString& key,
                                  const QString& defaultValue) const
{
    return values_.value(application + QLatin1Char('/') + fullKey(section, key), defaultValue);
}

void MemorySettingsStore::write(const QString& application, const QString& section, const QString& key,
                                const QString& value)
{
    values_.insert(application + QLatin1Char('/') + fullKey(section, key), value);
}

namespace startup_settings {

QString Read(const QString& key, const QString& defaultValue)
{
    return services::settings().read(Application, Section, key, defaultValue);
}

void Write(const QString& key, const QString& value)
{
    services::settings().write(Application, Section, key, value);
}

} // namespace startup_settings
