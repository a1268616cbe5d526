// A whole tune exported, through the functions Tune > Export Tune and
// kestrel-cli export use, from a simulated unit that answers every request
// 1.5 s after it was sent while each attempt gives up after 1 s. The unit
// runs in-process on the manual clock, which moves exactly as the program
// waits, so the figure is the time a user would wait, computed in a moment.
// Prints whether the export ended with the unit's own data
// or failed, how long it took, and the requests the unit heard.
//
//   build/bench/late_unit_export_bench [delay-ms]
#include "DistinctUnit.h"
#include "platform/Clock.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "tunefile/TuneFile.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int delayMs = argc > 1 ? std::max(0, atoi(argv[1])) : 1500;

    ManualClock clock;
    VentrixDevice device;
    FillWithDistinctBytes(device);
    device.faults().delayMs = delayMs;
    SimulatedPort port(device, clock);
    port.open();

    const auto realStart = std::chrono::steady_clock::now();
    const qint64 start = clock.nowMs();
    const tunefile::ExportResult read = tunefile::ReadTune(unit::TransactOn(port, clock), clock.currentDateTime());
    const double waited = (clock.nowMs() - start) / 1000.0;
    const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();

    bool exact = read.complete;
    if (read.complete) {
        const QStringList lines = read.text.split(tunefile::LineEnd);
        const QList<tunefile::Entry>& order = tunefile::TuneOrder();
        for (qsizetype i = 0; i < order.size(); ++i) {
            const tunefile::Entry& e = order.at(i);
            const int value = e.table == tunefile::RegisterLetter ? device.memory().registerValue(e.address)
                                                                  : device.memory().cell(e.table, e.address);
            exact = exact && lines.value(i + 2).mid(3, 2).toInt(nullptr, 16) == value;
        }
    }
    std::printf("unit's delay              %d ms (attempts give up after %d ms)\n", delayMs, tunefile::ReadTimeoutMs);
    std::printf("outcome                   %s\n",
                read.complete ? (exact ? "complete, every entry the unit's own" : "complete, WRONG ENTRIES")
                              : "failed");
    if (!read.complete)
        std::printf("failed at entry           %d\n", read.failedEntry);
    std::printf("time the user waits       %.1f s (%.2f s per entry)\n", waited,
                waited / std::max(1, read.complete ? tunefile::DataLineCount : read.failedEntry + 1));
    std::printf("requests the unit heard   %d (%d entries)\n", device.requestsHeard(), tunefile::DataLineCount);
    std::printf("real time to compute it   %.2f s\n", real);
    return read.complete && exact ? 0 : 1;
}
