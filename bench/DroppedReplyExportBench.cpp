// A whole tune exported, through the function Tune > Export Tune and
// kestrel-cli export use, from the in-process simulated unit paced at the
// cable's 57600 bit/s: once healthy, once dropping every Nth request
// unanswered (--sim-fault drop-every=N). Each drop costs the read attempt
// that waits for it (1 s) and the retry's round trip; the figure is how the
// time the user waits compares with that. The unit runs on the manual clock,
// which moves exactly as the program waits, so the figure is computed in a
// moment and does not depend on the machine.
//
//   build/bench/dropped_reply_export_bench [N]
#include "DistinctUnit.h"
#include "platform/Clock.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "tunefile/TuneFile.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

struct Run {
    double seconds = 0;
    int heard = 0;
    bool exact = false;
};

Run exportOnce(VentrixDevice& device, SimulatedPort& port, ManualClock& clock)
{
    device.clearLog();
    const qint64 start = clock.nowMs();
    const tunefile::ExportResult read = tunefile::ReadTune(unit::TransactOn(port, clock), clock.currentDateTime());
    Run run;
    run.seconds = (clock.nowMs() - start) / 1000.0;
    run.heard = device.requestsHeard();
    run.exact = read.complete;
    if (read.complete) {
        const QStringList lines = read.text.split(tunefile::LineEnd);
        const QList<tunefile::Entry>& order = tunefile::TuneOrder();
        for (qsizetype i = 0; i < order.size(); ++i) {
            const tunefile::Entry& e = order.at(i);
            const int value = e.table == tunefile::RegisterLetter ? device.memory().registerValue(e.address)
                                                                  : device.memory().cell(e.table, e.address);
            run.exact = run.exact && lines.value(i + 2).mid(3, 2).toInt(nullptr, 16) == value;
        }
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int every = argc > 1 ? std::max(2, atoi(argv[1])) : 3;

    ManualClock clock;
    VentrixDevice device;
    FillWithDistinctBytes(device);
    device.setPacing(true);
    SimulatedPort port(device, clock);
    port.open();

    const Run healthy = exportOnce(device, port, clock);
    device.faults().dropEvery = every;
    const Run dropping = exportOnce(device, port, clock);

    // Every request heard beyond one an entry is a retry after a drop.
    const int drops = dropping.heard - tunefile::DataLineCount;
    const double given = healthy.seconds + drops * tunefile::ReadTimeoutMs / 1000.0;
    std::printf("healthy unit              %.1f s, %d requests, %s\n", healthy.seconds, healthy.heard,
                healthy.exact ? "every entry the unit's own" : "WRONG OR INCOMPLETE");
    std::printf("1 request in %d dropped   %.1f s, %d requests, %s\n", every, dropping.seconds, dropping.heard,
                dropping.exact ? "every entry the unit's own" : "WRONG OR INCOMPLETE");
    std::printf("drops                     %d (each waits one %d ms attempt)\n", drops, tunefile::ReadTimeoutMs);
    std::printf("what the attempts give    %.1f s (healthy time + one time-out a drop)\n", given);
    std::printf("time waited / that        %.3f x\n", dropping.seconds / given);
    std::printf("cost of one drop          %.3f s\n", drops > 0 ? (dropping.seconds - healthy.seconds) / drops : 0.0);
    return healthy.exact && dropping.exact ? 0 : 1;
}
