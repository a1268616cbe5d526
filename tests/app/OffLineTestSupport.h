#pragma once

#include "app/OffLineTune.h"
#include "sim/OffLineUnit.h"
#include "support/ReadFile.h"
#include "support/SimulatedWorld.h"
#include "tunefile/TuneFile.h"

#include <QFile>

// The main window, and a tune file to open off line: every cell and
// register set, none to its factory value where that can be avoided, with
// registers the configuration windows know.
class OffLineTest : public ::testing::Test {
public: // the helpers serve the tests' own functions too
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("track.tun"));
        original = tunefile::TuneText(FileTune());
        write(path, original);
    }

    // A new main window and program state, the file as it was at first.
    void restart()
    {
        w.reset();
        w = std::make_unique<SimulatedWorld>();
        write(path, original);
    }

    static tunefile::Tune FileTune()
    {
        QList<int> values;
        for (int i = 0; i < tunefile::TableCount * tunefile::TableSize; ++i)
            values << (i * 7 + 3) % 256;
        // Breakpoint 0x0180 (1.875 V), injectors 24 for 19 and 30 for 21 on
        // bank 1, 19 on bank 2, waste spark, switch at 6000 and 5800 rpm,
        // voltage offset 5.
        values << 0x01 << 0x80 << 24 << 19 << 30 << 21 << 0x81 << 150 << 145 << 0x00;
        values << 19 << 19 << 19 << 19 << 0 << 0 << 0 << 0 << 0 << 5;
        tunefile::Tune tune = tunefile::Tune::FromValues(values);
        tune.stamp = QStringLiteral("12-05-2026-07:41:09");
        return tune;
    }

    static void write(const QString& file, const QString& text)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toLatin1());
    }
    static QString read(const QString& file) { return ReadTextFile(file); }

    // File > Open Tune Off Line..., the file chosen in its dialog.
    void openOffLine(const QString& file)
    {
        w->dialogs.chooseNextFile(file);
        w->main->mnuOpenTuneOffLineItem_Click();
    }
    VentrixMemory& memory() { return w->main->offLineTune().unit()->device().memory(); }

    // The file's lines that differ from the original's, as "line: text".
    QStringList changedLines(const QString& file) const
    {
        const QStringList before = original.split(QStringLiteral("\r\n"));
        const QStringList after = read(file).split(QStringLiteral("\r\n"));
        QStringList changed;
        for (int i = 0; i < std::max(before.size(), after.size()); ++i)
            if (before.value(i) != after.value(i))
                changed << QStringLiteral("%1: %2").arg(i + 1).arg(after.value(i));
        return changed;
    }

    // The unit on the cable stays out of it: opening off line puts another
    // in its place.
    std::unique_ptr<SimulatedWorld> w = std::make_unique<SimulatedWorld>();
    QTemporaryDir dir;
    QString path;
    QString original;
};
