// Whatever the user types into a numeric field reads as a number, and the
// entry checks either refuse it or accept a value that converts to a cell
// address and byte without going out of range.
#include "FuzzInput.h"
#include "memory/CellConversions.h"
#include "memory/CellEntry.h"
#include "platform/NumberFormat.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzUtf8(data, size);
    const double number = number_format::LeadingNumber(text);
    if (!std::isfinite(number))
        return 0; // "1e999" reads as infinity, which every check below refuses
    number_format::Format(number, QStringLiteral("##,##0"));
    number_format::Format(number, QStringLiteral("#0.000"));

    if (!cells::PositionError('O', number)) {
        const int address = cells::RpmToAddress(number);
        FUZZ_CHECK(address >= 0 && address <= 255);
    }
    if (!cells::PositionError('F', number)) {
        const int address = cells::VoltsToAddress(number);
        FUZZ_CHECK(address >= 0 && address <= 255);
        if (!cells::FlowError(address, number * 10.0, 24.0 / 19.0)) {
            const std::optional<int> byte = cells::EncodeFlow(address, number * 10.0, 24.0 / 19.0);
            FUZZ_CHECK(byte && *byte >= 0 && *byte <= 255);
        }
    }
    if (!cells::CorrectionError(number)) {
        const int byte = cells::EncodeCorrection(number);
        FUZZ_CHECK(byte >= 0 && byte <= 255);
        FUZZ_CHECK(cells::DecodeCorrection(byte) >= -100 && cells::DecodeCorrection(byte) <= 100);
    }
    return 0;
}
