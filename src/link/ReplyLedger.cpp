#include "link/ReplyLedger.h"

#include <algorithm>

void ReplyLedger::sent(qint64 writtenMs, qint64 timeoutMs)
{
    owed_.push_back({writtenMs, timeoutMs});
}

void ReplyLedger::received(const QByteArray& bytes, qint64 nowMs)
{
    if (bytes.isEmpty())
        return;
    lastReceivedMs_ = nowMs;
    for (qsizetype i = bytes.count('$'); i > 0 && !owed_.empty(); --i) {
        const Request oldest = owed_.front();
        owed_.pop_front();
        if (nowMs >= oldest.deadlineMs())
            latenessMs_ = std::max(latenessMs_, nowMs - oldest.writtenMs);
    }
}

qint64 ReplyLedger::StragglerDeadlineMs() const
{
    if (owed_.empty())
        return 0;
    const Request& newest = owed_.back();
    return std::max({newest.deadlineMs(), newest.writtenMs + latenessMs_, lastReceivedMs_ + latenessMs_})
        + newest.timeoutMs / 2 + MarginMs;
}

void ReplyLedger::onPortNumber(int number)
{
    if (number != portNumber_)
        forget();
    portNumber_ = number;
}
