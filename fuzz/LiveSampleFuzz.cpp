// A live sample's reply of any length and content decodes to finite numbers
// within the ranges the displays assume.
#include "FuzzInput.h"
#include "monitor/LiveSample.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first bytes choose the decode's context, the rest is the reply.
    DecodeContext context;
    context.widebandModel = data[0] % 12;
    context.fjoCalibration = static_cast<int>(data[1] % 21) - 10;
    context.tpsKeyOnVolts = (data[0] >> 4) * 0.25;
    context.wotBreakpointVolts = (data[1] >> 4) * 0.3;
    context.installedInjectorSize = data[0] & 1 ? 0.0 : 19.0 + data[1];
    context.wasteSpark = data[1] & 1;
    const QString reply = FuzzLatin1(data + 2, size - 2);

    int multispark = data[0];
    const LiveSample sample = DecodeLiveSample(reply, context, multispark);
    for (const double value : {sample.MAFInputVoltage, sample.OutputVoltage, sample.VoltageChange, sample.TPSVoltage,
                               sample.ThrottleAngle, sample.InputFlow, sample.OutputFlow, sample.FlowChange,
                               sample.EngineSpeed, double(sample.WidebandVoltage), double(sample.AirFuelRatio)})
        FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK(sample.ThrottleAngle >= 0.0 && sample.ThrottleAngle <= 90.0);
    FUZZ_CHECK(sample.MultisparkRaw >= 0 && sample.MultisparkRaw <= 255);
    live_display::AirFuelText(sample.AirFuelRatio);
    live_display::RichOrLean(sample.FlowChange);
    return 0;
}
