#pragma once

#include "correction/CorrectionCells.h"
#include "monitor/LiveLink.h"
#include "monitor/SampleRate.h"
#include "platform/Dialogs.h"
#include "tuner/MapWrite.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

// The graphical tuner's dealings with the unit, apart from the window that
// draws them: whether it is on line, the live timer (held off around every
// transaction, so no live request goes out between a write's attempts), the
// reads of a load, the write-back of edited entries and settings, the live
// sample and the lost link. Nothing here writes unless asked: the window
// calls a write when the user has moved something.
//
// The timer is named "Timer1"; its ticks go to whoever connects to timer().
// It ticks every 50 ms, or at the stored faster rate (monitor/SampleRate.h)
// until the unit cannot keep up with it.
class TunerSession final : public QObject {
    Q_OBJECT
public:
    explicit TunerSession(QObject* parent);

    QTimer* timer() const { return timer_; }
    bool onLine() const { return onLine_; }
    bool lost() const { return lost_; }
    bool closing() const { return closing_; }
    // On line and the link still there: the live display runs.
    bool live() const { return onLine_ && !lost_; }

    // ONLINE: the session is on line from now on (its writes reach the
    // unit); startLive() starts the live display once the table is read.
    void goOnLine() { onLine_ = true; }
    void startLive();
    // OFF LINE and QUIT: the live display stops; later edits stay in the window.
    void goOffLine();
    // The window is going: nothing starts again.
    void close();

    // A message with the live timer held off meanwhile; false when the
    // session (and the window that owns it) did not survive it.
    bool tell(MsgIcon icon, const QString& title, const QString& text);

    // The reads of a load, one entry or register byte each.
    std::optional<int> readEntry(char table, int address);
    std::optional<int> readRegister(int reg);

    // One table entry written back. Off line nothing is sent and the entry
    // takes the value. On line a write the unit refuses or does not answer
    // is followed by one read of what it holds (the live display's
    // patience); with no answer to that either the link counts as lost and
    // the entry keeps the value the unit last confirmed.
    struct EntryOutcome {
        bool written = true;
        bool answered = true; // false: the link is lost
        qint16 holds = 0;     // what the entry holds now
    };
    EntryOutcome writeEntry(char table, int address, int value, qint16 confirmed);

    // A write the lost link caught: whether it reached the unit is not
    // known (neither its echo nor a read of the entry came back).
    struct UnsettledWrite {
        char table;
        int address;
        int value;        // the user's
        qint16 confirmed; // what the unit last confirmed the entry holds
    };
    const QList<UnsettledWrite>& unsettledWrites() const { return unsettled_; }
    // Once the unit answers again, before the table is compared: each such
    // entry is read. Holding the user's value, the write landed (nothing is
    // sent); holding the value last confirmed, it is sent once more (with
    // the usual echo checks); holding anything else, the unit was reset or
    // written by another tool, and the entry is left to the comparison.
    // The entries of table `letter` in `table` take what the unit now holds
    // where it is known. False when the link went again (what is still
    // unsettled stays remembered).
    bool settleWrites(char letter, tuner::Table& table);

    // The breakpoint (registers 00 and 01) and the switch points (07, 08):
    // true off line, or when the unit echoed them.
    bool writeBreakpoint(int count);
    bool writeSwitchOn(int rpm);
    bool writeSwitchOff(int rpm);

    // SAVE TABLE's write of a whole table and its settings.
    tuner::MapWriteResult writeWholeMap(char letter, const tuner::Table& table, const tuner::MapSettings& settings,
                                        const std::function<void(int entry)>& progress);

    // One live sample's data; nothing when the unit did not answer, and the
    // link then counts as lost (see loseLink). A unit silent for
    // SilenceReportMs is reported lost at once (the status line and the main
    // window's indicator) while the attempts go on; an answer clears it.
    std::optional<QString> takeSample();

    // The window's status line and its Cancel, where a lost link is told
    // and the looking for the unit can be stopped.
    void attachStatus(QLabel* status, QPushButton* cancel);

    // The link is gone: the timer stops, the port is closed, and the session
    // looks for the unit again, saying so in the status line and on the main
    // window's indicator (no box). Without a status line the user is told in
    // a box and the main window shows no connection. False when the window
    // did not survive the box.
    bool loseLink();
    // The unit is being looked for again.
    bool reconnecting() const;
    live_link::Healing* healing() const { return healing_; }

    // The entries whose values differ between two copies of a table (the
    // unit's, read again after the link came back, and the window's).
    static QList<int> DifferingEntries(const tuner::Table& unit, const tuner::Table& shown);
    // What the user is asked about them: each entry's address, the unit's
    // value and the window's, at most `listed` of them and the count of the
    // rest; Yes keeps the unit's values, No writes the window's.
    static QString DifferenceQuestion(const QList<int>& entries, const tuner::Table& unit, const tuner::Table& shown,
                                      int listed = 8);

signals:
    // The unit answers again: on line, Connected, the live timer not yet started.
    void linkBack();
    // The user stopped looking for it: only QUIT (and a log's STOP) is left.
    void linkGivenUp();

public:
    // Runs one transaction with the live timer held off around it while on
    // line; the timer is back as it was afterwards.
    template <typename F>
    auto held(F&& transaction)
    {
        const live_link::TimerHold hold(timer_);
        return transaction();
    }

private:
    QTimer* timer_ = nullptr;
    live_link::Healing* healing_ = nullptr;
    QLabel* status_ = nullptr;
    QList<UnsettledWrite> unsettled_;
    bool onLine_ = false;
    bool lost_ = false;
    bool closing_ = false;
    sample_rate::Pace pace_;
};
