#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>

// The requests written on one port whose replies have not come back yet.
//
// A unit may answer later than an attempt's time-out. Its reply then reaches
// the port while a later request is waiting, and would be taken for that
// request's answer (a register value read as a table cell, the previous
// cell's value in a tune file). Replies come back in the order the requests
// went out, so the ledger keeps one entry per request written and strikes
// off the oldest at every terminator received, whenever it arrives. Before a
// new exchange writes its first frame, the replies still owed to earlier
// exchanges are waited for and thrown away (see StragglerDeadlineMs); a
// healthy unit owes nothing by then, so it sees no wait and no extra frame.
class ReplyLedger {
public:
    // On top of the longest a reply is expected to take: half the newest
    // request's time-out and this. A first late reply that comes later than
    // that after its deadline is taken to be lost (a cell read's echo would
    // still give it away); once one late reply has been seen, the wait grows
    // to the lateness seen.
    static constexpr qint64 MarginMs = 100;

    // A request written at writtenMs, whose attempt waits timeoutMs.
    void sent(qint64 writtenMs, qint64 timeoutMs);
    // Characters received at nowMs: every terminator among them answers the
    // oldest request still owed a reply.
    void received(const QByteArray& bytes, qint64 nowMs);

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

    // Nothing owed any more: the replies are taken to be lost, or the port
    // changed to another number, whose replies never come here.
    void forget() { owed_.clear(); }
    void onPortNumber(int number);

private:
    struct Request {
        qint64 writtenMs;
        qint64 timeoutMs;
        qint64 deadlineMs() const { return writtenMs + timeoutMs; }
    };
    std::deque<Request> owed_;
    qint64 latenessMs_ = 0;
    qint64 lastReceivedMs_ = 0;
    int portNumber_ = -1;
};
