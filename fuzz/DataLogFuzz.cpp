// Any file opened as a data log is either refused with a reason, or read into
// columns of one value a sample (or none, for a column the file lacks), with time running forward and every rejected
// line named by a line number inside the file.
#include "FuzzInput.h"
#include "logs/LogReader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const logs::ReadResult result = logs::ParseDataLog(bytes, QStringLiteral("fuzz.txt"));
    if (!result.log) {
        FUZZ_CHECK(!result.error.isEmpty());
        return 0;
    }
    const logs::DataLog& log = *result.log;
    const std::size_t samples = log.seconds.size();
    // A column the file does not have is empty; every other holds one value a sample.
    for (const std::vector<double>& column : log.values)
        FUZZ_CHECK(column.empty() || column.size() == samples);
    for (std::size_t i = 0; i < samples; ++i) {
        FUZZ_CHECK(std::isfinite(log.seconds[i]));
        if (i > 0)
            FUZZ_CHECK(log.seconds[i] >= log.seconds[i - 1]);
    }
    const int lines = static_cast<int>(bytes.count('\n')) + 1;
    for (const logs::RejectedLine& rejected : log.rejected)
        FUZZ_CHECK(rejected.line >= 1 && rejected.line <= lines + 1);
    if (samples > 0)
        FUZZ_CHECK(log.nearestSample(log.seconds.back() / 2) < samples);
    return 0;
}
