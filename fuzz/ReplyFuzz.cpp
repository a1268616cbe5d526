// Whatever the port delivers, judging it never reads past the received
// characters, and a positive verdict always leaves data that sits between
// "uu01" and the final "$".
#include "FuzzInput.h"
#include "link/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray received = FuzzBytes(data, size);
    for (const bool inTime : {true, false}) {
        const frame::Verdict verdict = frame::Judge(received, inTime);
        if (verdict != frame::Verdict::Positive)
            continue;
        FUZZ_CHECK(inTime);
        FUZZ_CHECK(received.startsWith("uu01") && received.endsWith('$'));
        const QByteArray reply = frame::ReplyData(received);
        FUZZ_CHECK(reply.size() == received.size() - 5);
        FUZZ_CHECK(received.mid(4, reply.size()) == reply);
    }
    return 0;
}
