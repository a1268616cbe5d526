#pragma once

// The graphical tuner's texts, colours and the ignition settings it reads
// from the configuration window.
#include "config/frmIgnitionConfig.h"
#include "platform/Colours.h"
#include "platform/NumberFormat.h"
#include "state/MainWindowServices.h"

#include <QColor>
#include <QMainWindow>
#include <QProgressBar>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace graphical_tune {

inline constexpr int TickMs = 50;
inline const QString ProgramTitle = QStringLiteral("KESTREL - VentrixTM Communications Software");
inline const QString ReadFailureTitle = QStringLiteral("Read Failure!");
inline const QString WriteFailureTitle = QStringLiteral("Write Failure!");
inline const QString OffLineWarning = QStringLiteral("Any off-line map changes will be lost unless explicity saved!");

inline const QColor DarkGreen(0, 128, 0);
inline const QColor White(255, 255, 255);
inline const QColor ActiveCellYellow(255, 255, 128);
// The ground of a value box whose entry lies beyond the slider's reach.
inline const QColor BeyondSliderOrange(255, 200, 140);
// The ground of the selected cells' value boxes.
inline const QColor SelectedBlue(200, 220, 255);

inline constexpr int ShiftLightMode = 0;
inline constexpr int RpmAndWotMode = 1;
inline constexpr int WasteSparkIgnition = 1;

using colours::Indicate;

// A readout on a coloured ground keeps dark text, so it reads at a glance
// whatever the colour.
inline void ShowOnColour(QWidget* box, const QColor& colour)
{
    colours::SetBackground(box, colour);
    colours::SetTextColour(box, Qt::black);
}

inline const frmIgnitionConfig* IgnitionWindow()
{
    QMainWindow* main = mdlMain::MainWindow();
    return main ? main->findChild<frmIgnitionConfig*>() : nullptr;
}

inline bool IgnitionTypeIs(int index)
{
    const frmIgnitionConfig* ignition = IgnitionWindow();
    return ignition && ignition->SelectedIgnitionType() == index;
}

inline bool RpmModeIs(int index)
{
    const frmIgnitionConfig* ignition = IgnitionWindow();
    return ignition && ignition->SelectedRpmConfig() == index;
}

inline QString WholeNumber(int value)
{
    return number_format::Format(value, QStringLiteral("##0"));
}

// The wait pointers over the main window and the tuner.
inline void SetBusy(QWidget* window, bool busy)
{
    mdlMain::SetBusyPointer(busy);
    if (busy)
        window->setCursor(Qt::WaitCursor);
    else
        window->unsetCursor();
}

inline void SetProgress(int percent)
{
    if (QProgressBar* bar = mdlMain::ProgressBar())
        bar->setValue(percent);
}

} // namespace graphical_tune
