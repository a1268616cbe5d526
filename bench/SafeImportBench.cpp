// The import with its backup and read-back, against ventrix-sim on a
// pseudo-terminal paced at the cable's 57600 bit/s. The tune imported differs
// from the unit's in 50 entries (every 21st inverted). Each round times:
//   windowed: Tune > Import Tune's own overwrite (tunefile::RestoreTune, its
//             progress windows offscreen, every question answered Yes): the
//             backup, the lines that change the unit written, those read back;
//   cli:      the same steps through the functions kestrel-cli import calls;
// and puts the unit's tune back afterwards (not timed). Prints medians
// against the wire time of a plain import (1044 writes of 24 characters).
//
//   build/bench/safe_import_bench [rounds]
#include "PacedWindowWorld.h"
#include "link/QtSerialPort.h"
#include "state/PublicVars.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneTransfer.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace tunefile;

constexpr int Changed = 50;

// The unit's tune with every 21st entry inverted: 50 entries.
FileLines edited(const Tune& unit)
{
    Tune changed = unit;
    for (int i = 0; i < Changed; ++i) {
        const Entry entry = TuneOrder().at(i * 21);
        changed.setValue(entry, *unit.value(entry) ^ 0xFF);
    }
    return {DataLines(changed)};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir folder;

    PacedWindowWorld world;
    if (!world.start())
        return 1;
    SystemClock& clock = world.clock;
    SetBackupFolder(folder.path());
    mdlPublicVars::Connected = true;
    mdlPublicVars::CommPortNumber = 1;
    const Transact transact = unit::TransactOn(world.simulator.port(), clock);
    for (int i = 0; i < 20; ++i) { // settle the line
        QString reply;
        transact(ReadRequest(TuneOrder().front()), ReadAttempts, ReadTimeoutMs, reply);
    }
    const ExportResult original = ReadTune(transact, clock.currentDateTime());
    if (!original.complete) {
        std::fprintf(stderr, "the unit could not be read\n");
        return 1;
    }
    const FileLines file = edited(original.tune);
    const FileLines putBack{DataLines(original.tune)};

    std::vector<double> windowed, cli;
    bool ok = true;
    const auto restore = [&] {
        ok = WriteTune(transact, LinesThatChange(putBack, ReadTune(transact, {}).tune)).outcome
                == ImportOutcome::Completed
            && ok;
    };
    for (int round = 0; round < rounds && ok; ++round) {
        windowed.push_back(bench::SecondsOf([&] { ok = RestoreTune(file) && ok; }));
        restore();

        cli.push_back(bench::SecondsOf([&] {
            const BackupResult backup = BackUpUnit(transact, folder.path(), clock.currentDateTime(), 1);
            const FileLines changing = LinesThatChange(file, backup.tune);
            const ImportResult written = WriteTune(transact, changing);
            const QList<Mismatch> mismatches = VerifyTune(transact, changing);
            ok = ok && backup.written && written.written == Changed && mismatches.isEmpty();
        }));
        restore();
    }

    const double characterS = 10 / 57600.0;
    const double readWire = DataLineCount * 22 * characterS;
    const double importWire = DataLineCount * 24 * characterS;
    const double changedWire = Changed * (24 + 22) * characterS;
    const double w = bench::Median(windowed);
    const double c = bench::Median(cli);
    std::printf("rounds                          %d%s\n", rounds, ok ? "" : " (FAILED)");
    std::printf("plain import: wire time         %.3f s (1044 writes x 24 characters)\n", importWire);
    std::printf("windowed: wire time             %.3f s (1044 reads + 50 writes + 50 reads)\n", readWire + changedWire);
    std::printf("windowed: median                %.3f s  (%.3f x the plain import's wire time)\n", w, w / importWire);
    std::printf("cli: wire time                  %.3f s (1044 reads + 50 writes + 50 reads)\n", readWire + changedWire);
    std::printf("cli: median                     %.3f s  (%.3f x the plain import's wire time)\n", c, c / importWire);
    return ok ? 0 : 1;
}
