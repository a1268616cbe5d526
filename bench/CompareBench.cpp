// Compare Tunes and kestrel-cli diff: a tune file against ventrix-sim on a
// pseudo-terminal, paced at the cable's 57600 bit/s. Each round reads the
// unit's whole tune as the export does, loads the file and lists the
// differences; the file differs from the unit in 50 entries. Prints the
// median times against the wire time of the 1044 reads, the cost of the
// comparison alone, and the time the compare window takes to show two tunes
// that differ in every entry (off screen).
//
//   QT_QPA_PLATFORM=offscreen build/bench/compare_bench [rounds]
#include "PacedSimulator.h"
#include "platform/Clock.h"
#include "tunefile/TuneDifferences.h"
#include "tunefile/TuneFile.h"
#include "tunefile/TuneTransfer.h"
#include "tunefile/frmCompareTunes.h"

#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using namespace tunefile;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsSince(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The tune with `count` entries spread over the tables and registers changed.
Tune changed(const Tune& tune, int count)
{
    Tune result = tune;
    const QList<Entry>& order = TuneOrder();
    for (int i = 0; i < count; ++i) {
        const Entry& entry = order.at(i * (DataLineCount / count));
        result.setValue(entry, *tune.value(entry) ^ 0x5A);
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    constexpr int Changed = 50;

    PacedSimulator simulator;
    if (!simulator.start())
        return 1;
    QtSerialPort& port = simulator.port();
    SystemClock clock;
    const Transact transact = unit::TransactOn(port, clock);
    for (int i = 0; i < 20; ++i) { // settle the line
        QString reply;
        transact(ReadRequest(TuneOrder().front()), ReadAttempts, ReadTimeoutMs, reply);
    }

    // The file: the unit's tune with 50 entries changed.
    const ExportResult first = ReadTune(transact, clock.currentDateTime());
    if (!first.complete) {
        std::fprintf(stderr, "the first read failed at entry %d\n", first.failedEntry);
        return 1;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("changed.tun"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(TuneText(changed(first.tune, Changed)).toLatin1());
    }

    std::vector<double> compares, reads, lists;
    bool ok = true;
    for (int round = 0; round < rounds && ok; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const LoadedTune loaded = LoadTuneFile(path);
        const auto readStart = std::chrono::steady_clock::now();
        const ExportResult unit = ReadTune(transact, clock.currentDateTime());
        reads.push_back(secondsSince(readStart));
        const auto listStart = std::chrono::steady_clock::now();
        const QList<DifferenceRow> rows =
            loaded.tune && unit.complete ? DifferenceRows(*loaded.tune, unit.tune) : QList<DifferenceRow>();
        QString text;
        for (const DifferenceRow& row : rows)
            text += DifferenceLine(row) + QLatin1Char('\n');
        lists.push_back(secondsSince(listStart));
        compares.push_back(secondsSince(start));
        if (rows.size() != Changed) {
            std::fprintf(stderr, "round %d: %lld differences, expected %d\n", round,
                         static_cast<long long>(rows.size()), Changed);
            ok = false;
        }
    }
    port.close();

    // The window with two tunes that differ in every one of the 1044 entries.
    Tune inverted = first.tune;
    for (const Entry& entry : TuneOrder())
        inverted.setValue(entry, *first.tune.value(entry) ^ 0xFF);
    std::vector<double> shows;
    for (int round = 0; round < rounds; ++round) {
        frmCompareTunes window;
        window.resize(window.sizeHint());
        window.show();
        QApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        window.setTune(0, first.tune);
        window.setTune(1, inverted);
        window.repaint();
        shows.push_back(secondsSince(start));
        if (window.lstDifferences()->rowCount() != DataLineCount)
            ok = false;
    }

    const double characterS = 10 / 57600.0;
    const double readWire = DataLineCount * 22 * characterS;
    std::printf("rounds                          %d%s\n", rounds, ok ? "" : " (FAILED)");
    std::printf("unit read: wire time            %.3f s (1044 x 22 characters)\n", readWire);
    std::printf("file against unit: median       %.3f s  (%.3f x wire)\n", median(compares),
                median(compares) / readWire);
    std::printf("  of which the unit's read      %.3f s\n", median(reads));
    std::printf("  of which the %d lines         %.3f ms\n", Changed, median(lists) * 1000);
    std::printf("window, 1044 differences shown  %.1f ms (median)\n", median(shows) * 1000);
    return ok ? 0 : 1;
}
