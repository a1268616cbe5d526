// A whole tune exported from and imported into ventrix-sim on a
// pseudo-terminal, paced at the cable's 57600 bit/s, through the same
// functions the Tune menu uses. Each round exports the unit's tune, then
// imports a different one (every value inverted), which the next round's
// export must give back. Prints the median times against the wire time of
// the 1044 transactions (22 characters a read, 24 a write).
//
//   build/bench/tune_transfer_bench [rounds]
#include "PacedSimulator.h"
#include "link/QtSerialPort.h"
#include "platform/Clock.h"
#include "tunefile/TuneFile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
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

// The data lines of a tune file's text.
QStringList dataLines(const QString& text)
{
    QStringList lines = text.split(LineEnd);
    return lines.mid(2, DataLineCount);
}

// The same entries with every value's bits inverted.
QString invertedTune(const QString& text)
{
    QStringList lines = text.split(LineEnd);
    for (int i = 2; i < 2 + DataLineCount; ++i) {
        const int value = lines[i].mid(3, 2).toInt(nullptr, 16) ^ 0xFF;
        lines[i] = lines[i].left(3) + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    }
    return lines.join(LineEnd);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

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

    auto seconds = [](auto since) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    };
    std::vector<double> exports, imports;
    QStringList expected;
    bool ok = true;
    for (int round = 0; round < rounds && ok; ++round) {
        const auto exportStart = std::chrono::steady_clock::now();
        const ExportResult read = ReadTune(transact, clock.currentDateTime());
        exports.push_back(seconds(exportStart));
        if (!read.complete) {
            std::fprintf(stderr, "export failed at entry %d\n", read.failedEntry);
            ok = false;
            break;
        }
        if (!expected.isEmpty() && dataLines(read.text) != expected) {
            std::fprintf(stderr, "round %d: the unit does not hold the tune imported before\n", round);
            ok = false;
        }

        const QString next = invertedTune(read.text);
        const ParseResult parsed = ParseTuneText(next);
        const auto importStart = std::chrono::steady_clock::now();
        const ImportResult written = parsed.valid ? WriteTune(transact, parsed.file) : ImportResult{};
        imports.push_back(seconds(importStart));
        if (!parsed.valid || written.outcome != ImportOutcome::Completed || written.written != DataLineCount) {
            std::fprintf(stderr, "import failed at line %d\n", written.lineNumber);
            ok = false;
        }
        expected = dataLines(next);
    }
    port.close();

    const double characterS = 10 / 57600.0;
    const double turnaroundS = DataLineCount * 0.0002;
    const double exportWire = DataLineCount * 22 * characterS;
    const double importWire = DataLineCount * 24 * characterS;
    const double exportTime = median(exports);
    const double importTime = median(imports);
    std::printf("rounds                    %d%s\n", rounds, ok ? "" : " (FAILED)");
    std::printf("export: wire time         %.3f s (1044 x 22 characters)\n", exportWire);
    std::printf("export: median            %.3f s  (%.3f x wire; target %.3f s)\n", exportTime, exportTime / exportWire,
                1.15 * exportWire + turnaroundS);
    std::printf("import: wire time         %.3f s (1044 x 24 characters)\n", importWire);
    std::printf("import: median            %.3f s  (%.3f x wire; target %.3f s)\n", importTime, importTime / importWire,
                1.15 * importWire + turnaroundS);
    std::printf("turnaround, all entries   %.3f s (0.2 ms each)\n", turnaroundS);
    return ok ? 0 : 1;
}
