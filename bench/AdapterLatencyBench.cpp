// A USB-serial adapter that holds replies for its 16 ms latency timer, before
// and after the driver grants the program's low-latency request: single-cell
// round trips and a whole-tune export, each as a ratio to its wire time.
// Modelled: the in-process simulated unit paced at 57600 bit/s behind a port
// that holds each reply as such an adapter does (no adapter is needed).
//
//   build/bench/adapter_latency_bench [round trips]
#include "link/Commands.h"
#include "link/Transaction.h"
#include "platform/Clock.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "tunefile/TuneFile.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr double ExchangeWireMs = 22 * 10 / 57.6; // request and reply, 22 characters

struct Setting {
    const char* name;
    int latencyTimerMs;
    bool grantsLowLatency;
};

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void measure(const Setting& setting, int roundTrips)
{
    SystemClock clock;
    VentrixDevice device;
    device.setPacing(true);
    SimulatedPort port(device, clock);
    port.setLatencyTimerMs(setting.latencyTimerMs);
    port.setGrantsLowLatency(setting.grantsLowLatency);
    port.open();

    const QString request = cmd::ReadCell(cmd::OpenLoopTune1, 0x80);
    std::vector<double> millis;
    for (int i = 0; i < roundTrips; ++i) {
        const auto start = std::chrono::steady_clock::now();
        SendFrameOn(port, clock, request, 1, 1000);
        millis.push_back(seconds(std::chrono::steady_clock::now() - start) * 1000);
    }
    std::sort(millis.begin(), millis.end());
    const double median = millis[millis.size() / 2];

    const auto exportStart = std::chrono::steady_clock::now();
    const tunefile::ExportResult result = tunefile::ReadTune(unit::TransactOn(port, clock), clock.currentDateTime());
    const double exportSeconds = seconds(std::chrono::steady_clock::now() - exportStart);
    const int exchanges = tunefile::TuneOrder().size();
    const double exportWire = exchanges * ExchangeWireMs / 1000;

    std::printf("%-34s round trip %7.3f ms (%5.2f x wire)   export %6.2f s (%5.2f x wire)%s\n", setting.name, median,
                median / ExchangeWireMs, exportSeconds, exportSeconds / exportWire,
                result.complete ? "" : "  EXPORT FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int roundTrips = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    std::printf("modelled adapter; wire time %.3f ms per exchange, %d round trips, export of %lld entries\n",
                ExchangeWireMs, roundTrips, static_cast<long long>(tunefile::TuneOrder().size()));
    const Setting settings[] = {
        {"no latency timer (a built-in port)", 0, true},
        {"16 ms timer, low latency refused", 16, false},
        {"16 ms timer, low latency granted", 16, true},
    };
    for (const Setting& setting : settings)
        measure(setting, roundTrips);
    return 0;
}
