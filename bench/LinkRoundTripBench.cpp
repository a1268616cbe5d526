// Round trips of single-cell reads between the program's serial link and
// ventrix-sim on a pseudo-terminal, paced at the cable's 57600 bit/s.
// Prints the median time per transaction against the wire time of its 22
// characters, and the processor time the program spends per transaction.
//
//   build/bench/link_roundtrip_bench [transactions]
#include "link/Commands.h"
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

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(QStringLiteral(VENTRIX_SIM_PATH), {QStringLiteral("--sim-pace"), QStringLiteral("--quiet")});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "ventrix-sim did not start\n");
        return 1;
    }
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    QtSerialPort port({{1, device}});
    port.setPortNumber(1);
    port.setRts(true);
    if (port.open() != PortError::None) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
        return 1;
    }
    SystemClock clock;
    const QString request = cmd::ReadCell(cmd::OpenLoopTune1, 0x80);

    for (int i = 0; i < 20; ++i)  // settle the line
        SendFrameOn(port, clock, request, 50, 1000);

    std::vector<double> millis;
    millis.reserve(transactions);
    int failures = 0;
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    for (int i = 0; i < transactions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (SendFrameOn(port, clock, request, 1, 1000) != 1)
            ++failures;
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    port.close();
    simulator.terminate();
    simulator.waitForFinished(3000);

    const double wireMs = 22 * 10 / 57.6;
    const double median = percentile(millis, 0.5);
    std::printf("transactions            %d (%d failed)\n", transactions, failures);
    std::printf("wire time per exchange  %.3f ms (22 characters at 57600 bit/s)\n", wireMs);
    std::printf("median per transaction  %.3f ms  (%.3f x wire)\n", median, median / wireMs);
    std::printf("p10 / p90               %.3f / %.3f ms\n", percentile(millis, 0.1), percentile(millis, 0.9));
    std::printf("program CPU per exchange %.3f ms  (%.1f %% of one core while waiting)\n",
                cpu / transactions * 1000, 100 * cpu / wall);
    return failures == 0 ? 0 : 1;
}
