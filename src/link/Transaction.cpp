#include "link/Transaction.h"

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReplyShape.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

#include <QLoggingCategory>

#include <algorithm>
#include <optional>

// Every frame written and every reply read, taken or thrown away; off unless
// QT_LOGGING_RULES="kestrel.link.debug=true".
Q_LOGGING_CATEGORY(linkTraffic, "kestrel.link", QtWarningMsg)

namespace {

PortError lastPortError = PortError::None;
QString lastReply; // the data of the last reply taken

// The time-out of the cell read that proves a line in step: an ordinary read's.
constexpr int ProofTimeoutMs = 1000;

QString asText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

// Every character read from the port passes here, so the ledger sees every
// reply that comes, whether it is taken, judged bad or thrown away. What each
// terminator was booked against is added to `bookings` when it is given.
PortError receive(SerialPort& port, const Clock& clock, QByteArray& into,
                  QList<ReplyLedger::Booking>* bookings = nullptr)
{
    QByteArray chunk;
    if (const PortError error = port.readAll(chunk); error != PortError::None)
        return error;
    if (chunk.isEmpty())
        return PortError::None;
    const qint64 now = clock.nowMs();
    qCDebug(linkTraffic).nospace() << "received at " << now << " ms: " << chunk;
    ReplyLedger& ledger = port.ledger();
    ledger.heard(now);
    for (const char c : chunk) {
        if (c != '$')
            continue;
        const ReplyLedger::Booking booking = ledger.book(now);
        if (bookings)
            bookings->append(booking);
    }
    into += chunk;
    return PortError::None;
}

// Reads and throws away whatever is waiting on the port.
PortError discardInput(SerialPort& port, const Clock& clock)
{
    QByteArray junk;
    const PortError error = receive(port, clock, junk);
    if (!junk.isEmpty())
        qCDebug(linkTraffic) << "thrown away, late or stray:" << junk;
    return error;
}

// The replies still owed to earlier exchanges (their attempts timed out) are
// read and thrown away until none is owed, or until the ledger's deadline
// says they are lost; either way nothing is owed afterwards.
PortError discardStragglers(SerialPort& port, Clock& clock)
{
    ReplyLedger& ledger = port.ledger();
    if (ledger.owed())
        qCDebug(linkTraffic) << "waiting for late replies to earlier requests, to discard them";
    const qint64 until = ledger.StragglerDeadlineMs();
    while (ledger.owed()) {
        if (const PortError error = discardInput(port, clock); error != PortError::None)
            return error;
        const qint64 remaining = until - clock.nowMs();
        if (!ledger.owed() || remaining <= 0)
            break;
        port.waitForData(static_cast<int>(remaining));
    }
    ledger.giveUp();
    return PortError::None;
}

// Reads and throws away what comes until nothing has come for quietMs since
// the last character received or request written, or until latestMs.
PortError awaitQuiet(SerialPort& port, Clock& clock, qint64 quietMs, qint64 latestMs, bool& quiet)
{
    ReplyLedger& ledger = port.ledger();
    for (;;) {
        if (const PortError error = discardInput(port, clock); error != PortError::None)
            return error;
        const qint64 now = clock.nowMs();
        const qint64 quietAt = std::max(ledger.lastReceivedMs(), ledger.lastWrittenMs()) + quietMs;
        quiet = now >= quietAt;
        if (quiet || now >= latestMs)
            return PortError::None;
        port.waitForData(static_cast<int>(std::min(quietAt, latestMs) - now));
    }
}

// One attempt's wait: collects characters until the last one is the
// terminator or the deadline passes, and judges each reply as it completes.
// A reply whose echo names another request is thrown away and the wait goes
// on for this one's own; a bad reply to an earlier attempt of this exchange
// is passed over; any other bad reply ends the attempt. The first reply of
// the right shape answers it: every attempt asked the same question, and a
// reply to an attempt that timed out may come during the next one.
PortError collectAnswer(SerialPort& port, Clock& clock, qint64 written, qint64 deadline, const ReplyShape& expected,
                        std::optional<QString>& answer)
{
    ReplyLedger& ledger = port.ledger();
    QByteArray received;
    QList<ReplyLedger::Booking> bookings;
    qsizetype judgedUpTo = 0;
    qsizetype repliesJudged = 0;
    for (;;) {
        if (const PortError error = receive(port, clock, received, &bookings); error != PortError::None)
            return error;
        if (received.endsWith('$')) {
            const bool inTime = clock.nowMs() < deadline;
            while (judgedUpTo < received.size()) {
                const qsizetype end = received.indexOf('$', judgedUpTo);
                const QByteArray reply = received.mid(judgedUpTo, end + 1 - judgedUpTo);
                const ReplyLedger::Booking booking = bookings.value(repliesJudged++);
                judgedUpTo = end + 1;
                if (frame::Judge(reply, inTime) == frame::Verdict::Positive) {
                    const QString data = asText(frame::ReplyData(reply));
                    const ReplyShape::Match match = expected.judge(data);
                    if (match == ReplyShape::Match::Fits) {
                        answer = data;
                        return PortError::None;
                    }
                    if (match == ReplyShape::Match::AnswersAnother) {
                        qCDebug(linkTraffic) << "discarded, it answers another request:" << reply;
                        ledger.unbook(booking);
                        continue;
                    }
                }
                const bool earlierAttempt = booking.owed && booking.request.writtenMs < written;
                qCDebug(linkTraffic) << (earlierAttempt ? "discarded, a bad reply to an earlier attempt:"
                                                        : "refused, not this request's answer:")
                                     << reply << (inTime ? "" : "(late)");
                if (!earlierAttempt)
                    return PortError::None;
            }
        }
        const qint64 remaining = deadline - clock.nowMs();
        if (remaining <= 0)
            return PortError::None;
        port.waitForData(static_cast<int>(remaining));
    }
}

// Before a read whose reply names nothing, on a line out of step: waits for
// the line to fall quiet for longer than any reply has been late, then reads
// a cell, whose echo shows that the reply answers it. The line is in step
// again when that read was answered by its one attempt with nothing else
// seen out of step meanwhile. Each proof reads the next cell, so a reply to
// the proof before cannot pass for this one's.
PortError proveInStep(SerialPort& port, Clock& clock, int timeoutMs, bool& proven)
{
    ReplyLedger& ledger = port.ledger();
    proven = false;
    if (const PortError error = discardStragglers(port, clock); error != PortError::None)
        return error;
    const qint64 quietMs = ledger.quietNeededMs(ProofTimeoutMs);
    bool quiet = false;
    if (const PortError error = awaitQuiet(port, clock, quietMs, clock.nowMs() + quietMs + timeoutMs, quiet);
        error != PortError::None)
        return error;
    if (!quiet)
        return PortError::None;
    const int slips = ledger.slips();
    const QString probe = cmd::ReadCell(cmd::OpenLoopTune1, ledger.proofsTried() & 0xFF);
    ledger.proofTried();
    const int answered = SendFrameOn(port, clock, probe, 1, static_cast<int>(ledger.proofTimeoutMs(ProofTimeoutMs)));
    if (const PortError error = LastSendFramePortError(); error != PortError::None)
        return error;
    if (answered && ledger.slips() == slips) {
        ledger.proven();
        proven = true;
    }
    return PortError::None;
}

int failWith(PortError error)
{
    qCDebug(linkTraffic) << "port error" << static_cast<int>(error);
    lastPortError = error;
    lastReply.clear();
    return 0;
}

} // namespace

PortError LastSendFramePortError()
{
    return lastPortError;
}

const QString& LastReplyData()
{
    return lastReply;
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
    lastReply.clear();
    const QByteArray request = frame::Build(payload);
    const ReplyShape expected = cmd::ExpectedReply(payload);
    ReplyLedger& ledger = port.ledger();
    ledger.onPortNumber(port.portNumber());

    if (const PortError error = discardStragglers(port, clock); error != PortError::None)
        return failWith(error);
    if (const PortError error = discardInput(port, clock); error != PortError::None)
        return failWith(error);

    const bool needsLineInStep = cmd::NeedsLineInStep(payload);
    bool failed = true;
    bool first = true;
    do {
        if (!first && between && !between())
            break;
        first = false;
        if (needsLineInStep && !ledger.inStep()) {
            bool proven = false;
            if (const PortError error = proveInStep(port, clock, timeoutMs, proven); error != PortError::None)
                return failWith(error);
            if (!proven) {
                --attempts;
                continue;
            }
        }
        LastFrame = asText(request);
        qCDebug(linkTraffic).nospace() << "sent at " << clock.nowMs() << " ms, waiting " << timeoutMs
                                       << " ms: " << request;
        if (const PortError error = port.write(request); error != PortError::None)
            return failWith(error);
        LinkBusy = true;
        const qint64 written = clock.nowMs();
        const qint64 deadline = written + timeoutMs;
        ledger.sent(written, timeoutMs);

        std::optional<QString> answer;
        if (const PortError error = collectAnswer(port, clock, written, deadline, expected, answer);
            error != PortError::None)
            return failWith(error);
        failed = !answer;
        if (failed) {
            qCDebug(linkTraffic) << "attempt failed:" << payload;
            if (const PortError error = discardInput(port, clock); error != PortError::None)
                return failWith(error);
        } else {
            qCDebug(linkTraffic) << "answered:" << payload << "->" << *answer;
            lastReply = *answer;
        }
        --attempts;
    } while (failed && attempts > 0);

    if (failed)
        lastReply.clear();
    return failed ? 0 : 1;
}
