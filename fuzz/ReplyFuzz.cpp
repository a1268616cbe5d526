// Whatever the port delivers, judging it never reads past the received
// characters; a positive verdict leaves exactly the data between "uu01" and
// the final "$"; and reply data that fits a read's expected shape holds every
// field that read takes, in full and as digits, with the echo of its request.
#include "FuzzInput.h"
#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReplyShape.h"

namespace {

bool isHex(const QString& text)
{
    for (const QChar c : text)
        if (!QStringLiteral("0123456789abcdefABCDEF").contains(c))
            return false;
    return true;
}

void checkFramed(const QByteArray& received)
{
    for (const bool inTime : {true, false}) {
        if (frame::Judge(received, inTime) != frame::Verdict::Positive)
            continue;
        FUZZ_CHECK(inTime);
        FUZZ_CHECK(received.startsWith("uu01") && received.endsWith('$'));
        const QByteArray reply = frame::ReplyData(received);
        FUZZ_CHECK(reply.size() == received.size() - 5);
        FUZZ_CHECK(received.mid(4, reply.size()) == reply);
    }
}

void checkShapes(const QString& data, int address)
{
    const QString cellRead = cmd::ReadCell(cmd::OpenLoopTune1, address);
    if (cmd::ExpectedReply(cellRead).Fits(data)) {
        FUZZ_CHECK(cmd::Text(data, cmd::reply::CellTable) == QStringLiteral("o"));
        FUZZ_CHECK(cmd::HexValue(data, cmd::reply::CellAddress) == address);
        const QString value = cmd::Text(data, cmd::reply::CellValue);
        FUZZ_CHECK(value.size() == 2 && isHex(value));
    }
    if (cmd::ExpectedReply(cmd::ReadRegister(address % 20)).Fits(data)) {
        const QString value = cmd::Text(data, cmd::reply::RegisterValue);
        FUZZ_CHECK(value.size() == 2 && isHex(value));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray received = FuzzBytes(data, size);
    checkFramed(received);
    if (size > 0)
        checkShapes(FuzzLatin1(data + 1, size - 1), data[0]);
    return 0;
}
