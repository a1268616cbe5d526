#include "link/ReplyLedger.h"

#include <algorithm>

void ReplyLedger::sent(qint64 writtenMs, qint64 timeoutMs)
{
    owed_.push_back({writtenMs, timeoutMs});
    lastWrittenMs_ = writtenMs;
}

void ReplyLedger::slip()
{
    inStep_ = false;
    ++slips_;
}

ReplyLedger::Booking ReplyLedger::book(qint64 nowMs)
{
    lastReceivedMs_ = nowMs;
    if (owed_.empty()) {
        // The first reply after some were given up is at least this late.
        if (givenUpWrittenMs_ >= 0)
            latenessMs_ = std::max(latenessMs_, nowMs - givenUpWrittenMs_);
        givenUpWrittenMs_ = -1;
        slip();
        return {};
    }
    const Request newest = owed_.back();
    if (owed_.size() > 1 && owed_.front().deadlineMs() <= nowMs && nowMs - newest.writtenMs <= MarginMs) {
        // Promptly after a retry: the retry's own reply; the replies of the
        // attempts before it are taken to be lost.
        givenUpWrittenMs_ = std::max(givenUpWrittenMs_, owed_[owed_.size() - 2].writtenMs);
        owed_.clear();
        slip();
        return {true, newest};
    }
    const Request oldest = owed_.front();
    owed_.pop_front();
    if (nowMs >= oldest.deadlineMs())
        latenessMs_ = std::max(latenessMs_, nowMs - oldest.writtenMs);
    return {true, oldest};
}

void ReplyLedger::unbook(const Booking& booking)
{
    if (booking.owed)
        owed_.push_front(booking.request);
    slip();
}

qint64 ReplyLedger::StragglerDeadlineMs() const
{
    if (owed_.empty())
        return 0;
    const Request& newest = owed_.back();
    return std::max({newest.deadlineMs(), newest.writtenMs + latenessMs_, lastReceivedMs_ + latenessMs_})
        + newest.timeoutMs / 2 + MarginMs;
}

void ReplyLedger::giveUp()
{
    if (owed_.empty())
        return;
    givenUpWrittenMs_ = std::max(givenUpWrittenMs_, owed_.back().writtenMs);
    owed_.clear();
    slip();
}

void ReplyLedger::onPortNumber(int number)
{
    if (number != portNumber_)
        *this = ReplyLedger();
    portNumber_ = number;
}

qint64 ReplyLedger::quietNeededMs(qint64 readTimeoutMs) const
{
    return std::max(latenessMs_, readTimeoutMs / 2) + MarginMs;
}

qint64 ReplyLedger::proofTimeoutMs(qint64 readTimeoutMs) const
{
    return std::max(readTimeoutMs, latenessMs_ + MarginMs);
}
