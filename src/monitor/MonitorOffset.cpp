#include "monitor/MonitorOffset.h"

#include "link/Commands.h"
#include "link/SerialPort.h"
#include "link/Unit.h"
#include "monitor/LiveLink.h"
#include "monitor/VoltageOffset.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>

#include <utility>

using namespace mdlPublicVars;

MonitorOffset::MonitorOffset(QScrollBar* slider, QLineEdit* shown, QTimer* sampling, std::function<bool()> linkFree,
                             QObject* parent)
    : QObject(parent), slider_(slider), shown_(shown), sampling_(sampling), linkFree_(std::move(linkFree))
{
    // An action (arrow, page, drag let go, wheel, key) is the user's; the
    // value it leads to follows at once.
    connect(slider_, &QScrollBar::actionTriggered, this, &MonitorOffset::userMoved);
    connect(slider_, &QScrollBar::valueChanged, this, &MonitorOffset::valueChanged);
}

bool MonitorOffset::load()
{
    const std::optional<int> stored = unit::ReadRegister(unit::Use::MonitorOffset, cmd::VoltageOffset);
    if (!stored) {
        services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Read Failure!"),
                                    QStringLiteral("Unable to load Voltage Offset from VentrixTM. Please try again."));
        return false;
    }
    const int offset = voltage_offset::FromRegisterByte(*stored);
    writesEnabled_ = true;
    const int onSlider = voltage_offset::ClampToSlider(offset);
    const bool moves = onSlider != slider_->value();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(onSlider);
    }
    // A value within the slider's reach that moves it goes back to the unit,
    // as a change of the slider does. Beyond its reach the slider sits at its
    // end, and the unit keeps its own value rather than the end's.
    if (moves && onSlider == offset) {
        QPointer<MonitorOffset> self(this);
        write(offset);
        if (!self)
            return false;
    }
    shown_->setText(voltage_offset::VoltsText(offset));
    return true;
}

void MonitorOffset::userMoved()
{
    // The action has moved the slider's position; its value follows.
    userMove_ = slider_->sliderPosition() != slider_->value();
}

void MonitorOffset::valueChanged(int value)
{
    if (std::exchange(userMove_, false) && writesEnabled_) {
        write(value);
        return;
    }
    shown_->setText(voltage_offset::VoltsText(value));
}

bool MonitorOffset::write(int offset)
{
    // After the link went down nothing more goes to the unit from here, and
    // nothing goes out between the attempts of a sample request.
    if (!linkFree_() || !Connected || !services::port().isOpen()) {
        writeFailed();
        return false;
    }
    bool written = false;
    {
        // Sampling pauses around the write and resumes only if it was running:
        // a write never starts the sampling itself.
        const live_link::TimerHold hold(sampling_);
        written = unit::WriteRegister(unit::Use::MonitorOffset, cmd::VoltageOffset, offset & 0xFF);
    }
    if (!written) {
        writeFailed();
        return false;
    }
    shown_->setText(voltage_offset::VoltsText(offset));
    return true;
}

void MonitorOffset::writeFailed()
{
    // A box opened while the mouse holds one of the slider's arrows would
    // leave the arrow stepping behind it, each step another failed write:
    // the slider lets go first.
    slider_->setEnabled(false);
    slider_->setEnabled(true);
    services::dialogs().message(MsgIcon::Exclamation, QStringLiteral("Write Failure!"),
                                QStringLiteral("Failed to Update Voltage Offset. Please try again."));
}
