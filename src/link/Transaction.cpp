#include "link/Transaction.h"

#include "link/Frame.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "state/PublicVars.h"

namespace {

PortError lastPortError = PortError::None;

QString asText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

// Reads and throws away whatever is waiting on the port.
PortError discardInput(SerialPort& port)
{
    QByteArray junk;
    return port.readAll(junk);
}

// Collects characters until the last one is the terminator or the deadline
// passes, sleeping on the port between arrivals.
PortError collectReply(SerialPort& port, Clock& clock, qint64 deadline, QByteArray& received)
{
    for (;;) {
        QByteArray chunk;
        if (const PortError error = port.readAll(chunk); error != PortError::None)
            return error;
        received += chunk;
        if (received.endsWith('$'))
            return PortError::None;
        const qint64 remaining = deadline - clock.nowMs();
        if (remaining <= 0)
            return PortError::None;
        port.waitForData(static_cast<int>(remaining));
    }
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

int SendFrame(const QString& payload, int attempts, int timeoutMs)
{
    return SendFrameOn(services::port(), services::clock(), payload, attempts, timeoutMs);
}

int SendFrameOn(SerialPort& port, Clock& clock, const QString& payload, int attempts,
                int timeoutMs)
{
    using namespace mdlPublicVars;
    lastPortError = PortError::None;
    const QByteArray request = frame::Build(payload);

    if (const PortError error = discardInput(port); error != PortError::None)
        return failWith(error);
    RxBuffer.clear();

    bool failed = true;
    do {
        LastFrame = asText(request);
        if (const PortError error = port.write(request); error != PortError::None)
            return failWith(error);
        LinkBusy = true;
        const qint64 deadline = clock.nowMs() + timeoutMs;

        QByteArray received;
        if (const PortError error = collectReply(port, clock, deadline, received);
            error != PortError::None)
            return failWith(error);

        const bool inTime = clock.nowMs() < deadline;
        failed = frame::Judge(received, inTime) != frame::Verdict::Positive;
        if (failed) {
            if (const PortError error = discardInput(port); error != PortError::None)
                return failWith(error);
            RxBuffer.clear();
        } else {
            RxBuffer = asText(frame::ReplyData(received));
        }
        --attempts;
    } while (failed && attempts > 0);

    return failed ? 0 : 1;
}
