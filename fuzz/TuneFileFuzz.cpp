// Any file's text is either refused with the line that is wrong, or accepted
// with data lines only, each of which becomes exactly one write request.
#include "FuzzInput.h"
#include "tunefile/TuneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzUtf8(data, size);
    const tunefile::ParseResult parsed = tunefile::ParseTuneText(text);
    if (!parsed.valid) {
        FUZZ_CHECK(parsed.badLine >= 1);
        return 0;
    }
    for (const QString& line : parsed.file.lines) {
        if (line.isEmpty())
            continue;
        FUZZ_CHECK(tunefile::IsDataLine(line));
        const QString request = tunefile::WriteRequest(line);
        FUZZ_CHECK(request.size() == 6 && request.startsWith(QLatin1Char('W')));
    }
    FUZZ_CHECK(parsed.file.writeCount() <= parsed.file.lines.size());
    return 0;
}
