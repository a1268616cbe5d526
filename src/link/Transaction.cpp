#include "link/Transaction.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReplyShape.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <optional>

namespace {

PortError lastPortError = PortError::None;

QString asText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

// Every character read from the port passes here, so the ledger sees every
// reply that comes, whether it is taken, judged bad or thrown away.
PortError receive(SerialPort& port, const Clock& clock, QByteArray& into)
{
    QByteArray chunk;
    if (const PortError error = port.readAll(chunk); error != PortError::None)
        return error;
    port.ledger().received(chunk, clock.nowMs());
    into += chunk;
    return PortError::None;
}

// Reads and throws away whatever is waiting on the port.
PortError discardInput(SerialPort& port, const Clock& clock)
{
    QByteArray junk;
    return receive(port, clock, junk);
}

// The replies still owed to earlier exchanges (their attempts timed out) are
// read and thrown away until none is owed, or until the ledger's deadline
// says they are lost; either way nothing is owed afterwards.
PortError discardStragglers(SerialPort& port, Clock& clock)
{
    ReplyLedger& ledger = port.ledger();
    const qint64 until = ledger.StragglerDeadlineMs();
    while (ledger.owed()) {
        if (const PortError error = discardInput(port, clock); error != PortError::None)
            return error;
        const qint64 remaining = until - clock.nowMs();
        if (!ledger.owed() || remaining <= 0)
            break;
        port.waitForData(static_cast<int>(remaining));
    }
    ledger.forget();
    return PortError::None;
}

// Collects characters until the last one is the terminator or the deadline
// passes, sleeping on the port between arrivals.
PortError collectReply(SerialPort& port, Clock& clock, qint64 deadline, QByteArray& received)
{
    for (;;) {
        if (const PortError error = receive(port, clock, received); error != PortError::None)
            return error;
        if (received.endsWith('$'))
            return PortError::None;
        const qint64 remaining = deadline - clock.nowMs();
        if (remaining <= 0)
            return PortError::None;
        port.waitForData(static_cast<int>(remaining));
    }
}

// The answer among the replies that came during one attempt. Only replies to
// this exchange's own attempts can be there (earlier ones were discarded
// before it began), and each asked the same question, so the first positive
// reply of the right shape answers it: a reply to an attempt that timed out
// may come during the next one, together with that one's own.
std::optional<QByteArray> answerIn(const QByteArray& received, bool inTime, const ReplyShape& expected)
{
    qsizetype start = 0;
    for (qsizetype end = received.indexOf('$'); end >= 0; end = received.indexOf('$', start)) {
        const QByteArray reply = received.mid(start, end + 1 - start);
        if (frame::Judge(reply, inTime) == frame::Verdict::Positive) {
            const QByteArray data = frame::ReplyData(reply);
            if (expected.Fits(asText(data)))
                return data;
        }
        start = end + 1;
    }
    return std::nullopt;
}

int failWith(PortError error)
{
    lastPortError = error;
    mdlPublicVars::RxBuffer.clear();
    return 0;
}

} // namespace

PortError LastSendFramePortError()
{
    return lastPortError;
}

int SendFrame(const QString& payload, int attempts, int timeoutMs, const BetweenAttempts& between)
{
    return SendFrameOn(services::port(), services::clock(), payload, attempts, timeoutMs, between);
}

int SendFrameOn(SerialPort& port, Clock& clock, const QString& payload, int attempts, int timeoutMs,
                const BetweenAttempts& between)
{
    using namespace mdlPublicVars;
    lastPortError = PortError::None;
    const QByteArray request = frame::Build(payload);
    const ReplyShape expected = cmd::ExpectedReply(payload);
    ReplyLedger& ledger = port.ledger();
    ledger.onPortNumber(port.portNumber());

    if (const PortError error = discardStragglers(port, clock); error != PortError::None)
        return failWith(error);
    if (const PortError error = discardInput(port, clock); error != PortError::None)
        return failWith(error);
    RxBuffer.clear();

    bool failed = true;
    bool first = true;
    do {
        if (!first && between && !between())
            break;
        first = false;
        LastFrame = asText(request);
        if (const PortError error = port.write(request); error != PortError::None)
            return failWith(error);
        LinkBusy = true;
        const qint64 written = clock.nowMs();
        const qint64 deadline = written + timeoutMs;
        ledger.sent(written, timeoutMs);

        QByteArray received;
        if (const PortError error = collectReply(port, clock, deadline, received);
            error != PortError::None)
            return failWith(error);

        const bool inTime = clock.nowMs() < deadline;
        const std::optional<QByteArray> answer = answerIn(received, inTime, expected);
        failed = !answer;
        if (failed) {
            if (const PortError error = discardInput(port, clock); error != PortError::None)
                return failWith(error);
            RxBuffer.clear();
        } else {
            RxBuffer = asText(*answer);
        }
        --attempts;
    } while (failed && attempts > 0);

    return failed ? 0 : 1;
}
