#include "tuner/TunerSession.h"

#include "correction/SliderInterpolation.h"
#include "link/Commands.h"
#include "monitor/LiveLink.h"
#include "monitor/MonitorSampling.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/MainWindowServices.h"
#include "state/PublicVars.h"
#include "tuner/TunerLink.h"
#include "tuner/TunerSettings.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

TunerSession::TunerSession(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("TunerSession"));
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(sample_rate::DefaultTickMs);
    timer_->setTimerType(Qt::PreciseTimer);
}

void TunerSession::startLive()
{
    pace_ = sample_rate::Pace(sample_rate::Stored());
    timer_->setInterval(pace_.intervalMs());
    timer_->start();
    mdlPublicVars::LinkBusy = true;
}

void TunerSession::goOffLine()
{
    timer_->stop();
    onLine_ = false;
}

void TunerSession::close()
{
    closing_ = true;
    timer_->stop();
    if (healing_)
        healing_->stop();
}

bool TunerSession::tell(MsgIcon icon, const QString& title, const QString& text)
{
    // The box runs its own event loop: the window may be closed meanwhile.
    QPointer<TunerSession> self(this);
    const bool running = timer_->isActive();
    timer_->stop();
    services::dialogs().message(icon, title, text);
    if (!self)
        return false;
    if (running && onLine_ && !lost_ && !closing_)
        timer_->start();
    return true;
}

std::optional<int> TunerSession::readEntry(char table, int address)
{
    return held([&] { return tuner_link::ReadEntryByte(table, address); });
}

std::optional<int> TunerSession::readRegister(int reg)
{
    return held([&] { return tuner_link::ReadRegisterByte(reg); });
}

TunerSession::EntryOutcome TunerSession::writeEntry(char table, int address, int value, qint16 confirmed)
{
    EntryOutcome outcome;
    outcome.holds = static_cast<qint16>(value);
    if (!onLine_ || held([&] { return tuner_link::WriteEntry(table, address, value); }))
        return outcome;
    // A refused or unanswered write may or may not have been stored: what
    // the unit holds is read back once.
    outcome.written = false;
    const std::optional<int> stored = held([&] { return tuner_link::ReadEntryByteAfterFailure(table, address); });
    outcome.answered = stored.has_value();
    outcome.holds = stored ? static_cast<qint16>(tuner::DecodeEntry(*stored)) : confirmed;
    if (!outcome.answered) {
        // Settled once the unit is back; a later write to the same entry
        // replaces the value, the unit's last confirmed one stays.
        for (UnsettledWrite& earlier : unsettled_)
            if (earlier.table == table && earlier.address == address) {
                earlier.value = value;
                return outcome;
            }
        unsettled_.append({table, address, value, confirmed});
    }
    return outcome;
}

bool TunerSession::settleWrites(char letter, tuner::Table& table)
{
    while (!unsettled_.isEmpty()) {
        const std::optional<int> byte = readEntry(unsettled_.first().table, unsettled_.first().address);
        if (!byte)
            return false;
        const UnsettledWrite write = unsettled_.takeFirst();
        auto holds = static_cast<qint16>(tuner::DecodeEntry(*byte));
        if (holds != write.value) {
            if (holds != write.confirmed)
                continue; // changed meanwhile: the comparison asks
            const EntryOutcome outcome = writeEntry(write.table, write.address, write.value, write.confirmed);
            if (!outcome.answered)
                return false; // remembered again by the write
            holds = outcome.holds;
        }
        if (write.table == letter)
            table[write.address] = holds;
    }
    return true;
}

bool TunerSession::writeBreakpoint(int count)
{
    if (!onLine_)
        return true;
    const tuner::BreakpointBytes bytes = tuner::BytesOfBreakpoint(count);
    return held([&] {
        return tuner_link::WriteRegister(cmd::WotBreakpointHigh, bytes.high)
            && tuner_link::WriteRegister(cmd::WotBreakpointLow, bytes.low);
    });
}

bool TunerSession::writeSwitchOn(int rpm)
{
    return !onLine_ || held([&] { return tuner_link::WriteRegister(cmd::RpmSwitchOnPoint, tuner::SwitchStepOf(rpm)); });
}

bool TunerSession::writeSwitchOff(int rpm)
{
    return !onLine_
        || held([&] { return tuner_link::WriteRegister(cmd::RpmSwitchOffPoint, tuner::SwitchStepOf(rpm)); });
}

tuner::MapWriteResult TunerSession::writeWholeMap(char letter, const tuner::Table& table,
                                                  const tuner::MapSettings& settings,
                                                  const std::function<void(int entry)>& progress)
{
    return held([&] { return tuner::WriteWholeMap(letter, table, settings, progress); });
}

std::optional<QString> TunerSession::takeSample()
{
    if (!live())
        return std::nullopt;
    Clock& clock = services::clock();
    const qint64 start = clock.nowMs();
    bool reported = false;
    std::optional<QString> sample = tuner_link::RequestSample([&] {
        if (!reported && status_ && clock.nowMs() - start >= SilenceReportMs) {
            reported = true;
            status_->setText(mdlMain::ReconnectingText);
            status_->show();
            mdlMain::ShowReconnecting();
        }
        return true;
    });
    if (reported && sample) {
        status_->hide();
        status_->clear();
        mdlMain::ShowReconnected(mdlPublicVars::CommPortNumber);
    }
    if (pace_.exchange(clock.nowMs() - start)) {
        timer_->setInterval(pace_.intervalMs());
        mdlMain::ShowStatus(sample_rate::FallBackText);
    }
    return sample;
}

void TunerSession::attachStatus(QLabel* status, QPushButton* cancel)
{
    status_ = status;
    healing_ = new live_link::Healing(status, cancel, this);
    connect(healing_, &live_link::Healing::back, this, [this] {
        lost_ = false;
        emit linkBack();
    });
    connect(healing_, &live_link::Healing::givenUp, this, &TunerSession::linkGivenUp);
}

bool TunerSession::reconnecting() const
{
    return healing_ && healing_->active();
}

bool TunerSession::loseLink()
{
    lost_ = true;
    timer_->stop();
    if (healing_) {
        healing_->begin();
        return true;
    }
    // The box runs its own event loop: the window may be closed meanwhile.
    QPointer<TunerSession> self(this);
    live_link::ReportLost();
    return self;
}

QList<int> TunerSession::DifferingEntries(const tuner::Table& unit, const tuner::Table& shown)
{
    QList<int> differing;
    for (int entry = 0; entry < static_cast<int>(unit.size()); ++entry)
        if (unit[entry] != shown[entry])
            differing << entry;
    return differing;
}

QString TunerSession::DifferenceQuestion(const QList<int>& entries, const tuner::Table& unit, const tuner::Table& shown,
                                         int listed)
{
    QString text = QStringLiteral("While the link was lost the unit's table changed: %1 %2 from what this window "
                                  "shows.\r\n")
                       .arg(entries.size())
                       .arg(entries.size() == 1 ? QStringLiteral("entry differs") : QStringLiteral("entries differ"));
    for (int i = 0; i < entries.size() && i < listed; ++i) {
        const int entry = entries[i];
        text += QStringLiteral("\r\nEntry %1: unit %2, window %3")
                    .arg(QStringLiteral("%1").arg(entry, 2, 16, QLatin1Char('0')).toUpper())
                    .arg(unit[entry])
                    .arg(shown[entry]);
    }
    if (entries.size() > listed)
        text += QStringLiteral("\r\n... and %1 more").arg(entries.size() - listed);
    return text + QStringLiteral("\r\n\r\nKeep the unit's values? (No writes the window's values to the unit.)");
}
