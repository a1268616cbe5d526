// The graphical tuner's edits on line against ventrix-sim on a
// pseudo-terminal, paced at the cable's 57600 bit/s: undoing a 5% shift
// (256 writes back) and an edit of all 25 cells selected (each entry
// written once: 256 writes), each against the wire time of its writes and
// the same writes made without the window.
//
//   QT_QPA_PLATFORM=offscreen build/bench/tuner_edit_bench [rounds]
#include "PacedWindowWorld.h"
#include "tuner/TunerLink.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    PacedWindowWorld world;
    if (!world.start())
        return 1;
    world.showMainWindow();

    auto* tuner = new frmGraphicalTune;
    tuner->show();
    tuner->Form_Load();
    tuner->cmdONLINE_Click();
    TunerCells& cells = tuner->Cells();

    // The same writes without the window, for comparison.
    std::vector<double> bare;
    for (int round = 0; round < rounds; ++round)
        bare.push_back(bench::SecondsOf([] {
            for (int j = 0; j < 256; ++j)
                tuner_link::WriteEntry('O', j, 0);
        }));

    std::vector<double> shifts, undos, edits;
    qsizetype shiftWrites = 0, editWrites = 0;
    for (int round = 0; round < rounds; ++round) {
        shifts.push_back(bench::SecondsOf([&] { tuner->cmdRich_Click(); }));
        shiftWrites = cells.history().nextUndo().changes.size();
        undos.push_back(bench::SecondsOf([&] { tuner->cmdUndo_Click(); }));

        cells.selection().selectAll();
        edits.push_back(bench::SecondsOf([&] { cells.editSelection(tuner::SelectionEditKind::Add, -1); }));
        editWrites = cells.history().nextUndo().changes.size();
        tuner->cmdUndo_Click();
    }
    tuner->cmdOFFLINE_Click();

    const double characterS = 10 / 57600.0;
    const auto report = [&](const char* what, qsizetype exchanges, int characters, double seconds) {
        const double wire = static_cast<double>(exchanges) * characters * characterS;
        std::printf("%-26s %3lld x %2d characters: wire %.3f s, median %.3f s (%.3f x wire; target <= 1.10)\n", what,
                    static_cast<long long>(exchanges), characters, wire, seconds, seconds / wire);
    };
    std::printf("rounds %d\n", rounds);
    report("256 bare writes", 256, 24, bench::Median(bare));
    report("5% RICH on line", shiftWrites, 24, bench::Median(shifts));
    report("undo of the 5% RICH", shiftWrites, 24, bench::Median(undos));
    report("all 25 cells 1 leaner", editWrites, 24, bench::Median(edits));

    delete tuner;
    return 0;
}
