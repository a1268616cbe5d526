#pragma once

#include "tunefile/Tune.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class OffLineUnit;
class SerialPort;

// A tune file opened off line (File > Open Tune Off Line..., kestrel --tune):
// its tune is put into a simulated unit whose port takes the place of the
// cable, so every window works on it as on a connected unit and none needs
// to know. Here are the opening, the saving, the question before unsaved
// changes are lost, and what the main window shows of it (its title, and
// the live displays shut off: a file has no engine and no unit to test).
class OffLineTune {
public:
    // installPort puts the off-line unit's port in place of the program's;
    // it is called once, when the first tune is opened.
    explicit OffLineTune(std::function<void(std::unique_ptr<SerialPort>)> installPort);
    ~OffLineTune();
    OffLineTune(const OffLineTune&) = delete;
    OffLineTune& operator=(const OffLineTune&) = delete;

    bool isOpen() const { return unit_ != nullptr; }
    OffLineUnit* unit() { return unit_.get(); }

    // Puts the file's tune into the off-line unit, starting from the
    // factory contents. A file that is no tune is refused with a message
    // and changes nothing.
    bool open(const QString& path);

    // File > Save Tune and Save Tune As...: the tune written through a
    // temporary file, so a failed save leaves the old file whole. False
    // when nothing was saved (the user was told why, or cancelled).
    bool save();
    bool saveAs();

    // Before the tune is left (another opened, the program closed): when the
    // unit holds changes the file does not, asks whether to save them. False
    // when the user chose to stay, or the save failed.
    bool mayLeave();

private:
    bool saveTo(const QString& path);

    std::function<void(std::unique_ptr<SerialPort>)> installPort_;
    std::unique_ptr<OffLineUnit> unit_;
};

namespace offline {

// A tune file's tune, or nullopt with the message that refuses the file.
std::optional<tunefile::Tune> ReadTune(const QString& path, QString* why);

// Why the live displays are shut off while a tune is open off line.
inline const QString NoEngineTip = QStringLiteral("Off line: a tune file has no engine to watch.");
inline const QString NoLiveTuningTip = QStringLiteral("Off line: a tune file has no engine to tune on line.");
inline const QString NoUnitToTestTip = QStringLiteral("Off line: a tune file has no unit to test.");
inline const QString NoUnitToResetTip = QStringLiteral("Off line: a tune file has no unit to reset.");

// The question before unsaved changes are lost.
inline const QString UnsavedTitle = QStringLiteral("Unsaved Changes");
QString UnsavedText(const QString& path);

} // namespace offline
