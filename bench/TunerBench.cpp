// The graphical tuner against ventrix-sim on a pseudo-terminal, paced at the
// cable's 57600 bit/s: a full table load (256 entries and the six companion
// registers), a full SAVE TABLE write (256 entries and six registers), one
// on-line slider move (19 writes), each against its wire time; and the
// change graph's repaint, whole and of one entry. The window runs off
// screen with a stand-in main window for its progress bar.
//
//   QT_QPA_PLATFORM=offscreen build/bench/tuner_bench [rounds]
#include "PacedWindowWorld.h"
#include "correction/ChangeGraph.h"
#include "tuner/TunerLink.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QScrollBar>

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
    tuner->Form_Load(); // settles the line

    // The same reads without the window, for comparison.
    std::vector<double> bare;
    for (int round = 0; round < rounds; ++round)
        bare.push_back(bench::SecondsOf([] {
            for (int j = 0; j < 262; ++j)
                tuner_link::ReadEntryByte('O', j % 256);
        }));

    std::vector<double> loads, saves, moves;
    for (int round = 0; round < rounds; ++round) {
        loads.push_back(bench::SecondsOf([&] { tuner->LoadTable(); }));
        int written = 0;
        saves.push_back(bench::SecondsOf([&] { written = tuner->WriteWholeMap(); }));
        if (!written) {
            std::fprintf(stderr, "SAVE TABLE failed\n");
            return 1;
        }
    }

    tuner->cmdONLINE_Click();
    for (int round = 0; round < 4 * rounds; ++round) {
        QScrollBar* slider = tuner->VScroll1(12);
        const int target = round % 2 ? -20 : 20;
        // As the user drags it: a value the program sets writes nothing.
        moves.push_back(bench::SecondsOf([&] {
            slider->setSliderPosition(target);
            slider->triggerAction(QAbstractSlider::SliderMove);
        }));
        QCoreApplication::processEvents();
    }
    tuner->cmdOFFLINE_Click();

    // The graph as the window shows it, drawn into an image of its size.
    ChangeGraph* graph = tuner->pctChangeGraph();
    QImage image(graph->size(), QImage::Format_RGB32);
    std::vector<double> whole, one;
    for (int i = 0; i < 200; ++i) {
        QPainter painter(&image);
        whole.push_back(bench::SecondsOf([&] { graph->paintArea(painter, graph->rect()); }));
        one.push_back(bench::SecondsOf([&] { graph->paintArea(painter, graph->entryStrip(i % 256)); }));
    }

    const double characterS = 10 / 57600.0;
    const auto report = [&](const char* what, int exchanges, int characters, double seconds) {
        const double wire = exchanges * characters * characterS;
        const double target = 1.10 * wire + exchanges * 0.0002;
        std::printf("%-22s %3d x %2d characters: wire %.3f s, median %.3f s (%.3f x wire; target %.3f s)\n", what,
                    exchanges, characters, wire, seconds, seconds / wire, target);
    };
    std::printf("rounds %d (slider moves %d)\n", rounds, 4 * rounds);
    report("262 bare reads", 262, 22, bench::Median(bare));
    report("LoadTable", 262, 22, bench::Median(loads));
    report("SAVE TABLE", 262, 24, bench::Median(saves));
    report("slider move on line", 19, 24, bench::Median(moves));
    std::printf("graph %dx%d px: whole repaint median %.3f ms, one entry %.3f ms\n", graph->width(), graph->height(),
                bench::Median(whole) * 1000, bench::Median(one) * 1000);

    delete tuner;
    return 0;
}
