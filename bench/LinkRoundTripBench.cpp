// Round trips of single-cell reads between the program's serial link and
// ventrix-sim on a pseudo-terminal, paced at the cable's 57600 bit/s.
// Prints the median time per transaction against the wire time of its 22
// characters, and the processor time the program spends per transaction.
//
//   build/bench/link_roundtrip_bench [transactions]
#include "link/Commands.h"
#include "PacedSimulator.h"
#include "link/QtSerialPort.h"
#include "link/Transaction.h"
#include "platform/Clock.h"
#include "state/PublicVars.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int transactions = argc > 1 ? std::max(10, atoi(argv[1])) : 500;

    PacedSimulator simulator;
    if (!simulator.start())
        return 1;
    QtSerialPort& port = simulator.port();
    SystemClock clock;
    const QString request = cmd::ReadCell(cmd::OpenLoopTune1, 0x80);

    for (int i = 0; i < 20; ++i) // settle the line
        SendFrameOn(port, clock, request, 50, 1000);

    std::vector<double> millis;
    millis.reserve(transactions);
    int failures = 0;
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    for (int i = 0; i < transactions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (SendFrameOn(port, clock, request, 1, 1000) != 1)
            ++failures;
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    port.close();

    const double wireMs = 22 * 10 / 57.6;
    const double median = percentile(millis, 0.5);
    std::printf("transactions            %d (%d failed)\n", transactions, failures);
    std::printf("wire time per exchange  %.3f ms (22 characters at 57600 bit/s)\n", wireMs);
    std::printf("median per transaction  %.3f ms  (%.3f x wire)\n", median, median / wireMs);
    std::printf("p10 / p90               %.3f / %.3f ms\n", percentile(millis, 0.1), percentile(millis, 0.9));
    std::printf("program CPU per exchange %.3f ms  (%.1f %% of one core while waiting)\n", cpu / transactions * 1000,
                100 * cpu / wall);
    return failures == 0 ? 0 : 1;
}
