#pragma once

#include <QtGlobal>

#include <algorithm>
#include <deque>

// The requests written on one port whose replies have not come back yet, and
// whether the replies that come can still be told apart.
//
// A unit may answer later than an attempt's time-out. Its reply then reaches
// the port while a later request is waiting, and would be taken for that
// request's answer (a register value read as a table cell, the previous
// cell's value in a tune file). Replies come back in the order the requests
// went out, so the ledger keeps one entry per request written and strikes
// one off at every terminator received, whenever it arrives. Before a new
// exchange writes its first frame, the replies still owed to earlier
// exchanges are waited for and thrown away (see StragglerDeadlineMs); a
// healthy unit owes nothing by then, so it sees no wait and no extra frame.
//
// A reply that comes promptly after a retry is the retry's own: the attempt
// before it is taken to have lost its reply (a dropped reply costs its
// attempt's time-out and nothing more). Whenever the ledger has had to
// guess like that, has given up waiting for replies owed, or has seen a reply
// nobody was owed or one whose echo names another request, the line is out
// of step: a reply still on its way may come at any time. Reads whose replies
// carry an echo are safe all the same (the echo tells); the others wait until
// the line is proven in step again (see quietNeededMs and proven).
class ReplyLedger {
public:
    // On top of the longest a reply is expected to take: half the newest
    // request's time-out and this. A first late reply that comes later than
    // that after its deadline is taken to be lost (a cell read's echo would
    // still give it away); once one late reply has been seen, the wait grows
    // to the lateness seen. Also how soon after a retry its own reply comes.
    static constexpr qint64 MarginMs = 100;

    struct Request {
        qint64 writtenMs = 0;
        qint64 timeoutMs = 0;
        qint64 deadlineMs() const { return writtenMs + timeoutMs; }
    };
    // What one terminator received answers, as far as the ledger can tell.
    struct Booking {
        bool owed = false; // false: nobody was owed a reply
        Request request;   // the request it is booked against, when owed
    };

    // A request written at writtenMs, whose attempt waits timeoutMs.
    void sent(qint64 writtenMs, qint64 timeoutMs);
    // One terminator received at nowMs: it answers the oldest request still
    // owed -- or the newest, when that is a retry written at most MarginMs
    // before, the older ones being given up.
    Booking book(qint64 nowMs);
    // The reply booked answers another request after all (its echo says so):
    // the request it was booked against is owed again, and the line is out of step.
    void unbook(const Booking& booking);
    // Characters without a terminator received at nowMs.
    void heard(qint64 nowMs) { lastReceivedMs_ = nowMs; }

    bool owed() const { return !owed_.empty(); }

    // Until when the replies still owed are worth waiting for: the newest
    // request's own time-out, or as long after it was written as the latest
    // reply seen so far took, or as long after the last character received
    // (a unit that answers one request at a time starts on the next only once
    // the last reply is out) -- whichever ends last, plus the margin. It is
    // fixed when the wait begins, so the wait is bounded.
    qint64 StragglerDeadlineMs() const;

    // The longest a reply that missed its attempt's deadline took after its
    // request was written (0 while every reply came in time).
    qint64 latenessMs() const { return latenessMs_; }
    qint64 lastReceivedMs() const { return lastReceivedMs_; }
    qint64 lastWrittenMs() const { return lastWrittenMs_; }

    // The replies still owed are taken to be lost: the line is out of step.
    void giveUp();
    // The port changed to another number, whose replies never come here: a
    // fresh start.
    void onPortNumber(int number);

    // Whether every reply seen so far was accounted for.
    bool inStep() const { return inStep_; }
    // How often the line has been found out of step: a proof holds only if
    // this did not change while it ran.
    int slips() const { return slips_; }
    // How long the line must stay quiet before an echoed read can prove it
    // in step: longer than the latest lateness seen, and at least half an
    // ordinary read's time-out, plus the margin.
    qint64 quietNeededMs(qint64 readTimeoutMs) const;
    // How long that read waits for its reply: its own time-out, or longer
    // than the latest lateness seen (a unit that is slow but in step passes).
    qint64 proofTimeoutMs(qint64 readTimeoutMs) const;
    // An echoed read after a quiet line was answered in time by its only
    // attempt, nothing else having come: the line is in step again.
    void proven() { inStep_ = true; }
    // How many proofs have been tried (each reads another cell).
    int proofsTried() const { return proofs_; }
    void proofTried() { ++proofs_; }

private:
    void slip();

    std::deque<Request> owed_;
    qint64 latenessMs_ = 0;
    qint64 lastReceivedMs_ = 0;
    qint64 lastWrittenMs_ = 0;
    qint64 givenUpWrittenMs_ = -1; // the newest request whose reply was given up
    int portNumber_ = -1;
    bool inStep_ = true;
    int slips_ = 0;
    int proofs_ = 0;
};
