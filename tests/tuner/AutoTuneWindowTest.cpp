#include "TunerTestSupport.h"

#include "correction/ChangeGraph.h"
#include "monitor/Datalog.h"
#include "tuner/TableEditing.h"
#include "tuner/frmAutoTune.h"

#include <QRegularExpression>
#include <QScreen>
#include <QTableWidget>

namespace {

class AutoTuneWindowTest : public TunerTest {
protected:
    // A monitor log, written by the monitor's own writer, of a wide-open
    // pull that holds three cells for a second each: cell 10 (2.1 V) 5 %
    // lean of 12.8, cell 12 (2.5 V) 5 % rich, cell 14 (2.9 V) 10 % lean.
    QString writeLog()
    {
        const QString path = dir.filePath(QStringLiteral("pull.txt"));
        datalog::DatalogFile file;
        const QDateTime opened(QDate(2026, 12, 7), QTime(10, 0, 0));
        EXPECT_TRUE(file.create(path, opened));
        const struct {
            double volts, airFuel;
        } holds[] = {{2.1, 13.44}, {2.5, 12.16}, {2.9, 14.08}};
        for (int second = 0; second < 3; ++second) {
            LiveSample s;
            s.MAFInputVoltage = s.OutputVoltage = holds[second].volts;
            s.AirFuelRatio = static_cast<float>(holds[second].airFuel);
            s.TPSVoltage = 4.0;
            s.ThrottleAngle = 80;
            s.EngineSpeed = 3000;
            for (int k = 0; k < 20; ++k)
                file.append(datalog::DataLine(opened.time().addSecs(second), datalog::ShownValues(s)));
        }
        file.close();
        return path;
    }

    frmAutoTune* startAutoTune()
    {
        dialogs.chooseNextFile(writeLog());
        window->cmdAutoTune_Click();
        frmAutoTune* dialog = window->AutoTuneWindow();
        if (dialog) { // the log's A/F belongs to the moment it is logged with
            dialog->txtLag()->setText(QStringLiteral("0"));
            emit dialog->txtLag()->editingFinished();
        }
        return dialog;
    }

    std::optional<tuner::Table> preview() const { return window->pctChangeGraph()->preview(); }
    QStringList writesHeard() { return heard().filter(QRegularExpression(QStringLiteral("^W"))); }
};

TEST_F(AutoTuneWindowTest, OffLineThePreviewShowsTheSuggestionAndApplyMovesTheSliders)
{
    ASSERT_TRUE(open());
    frmAutoTune* dialog = startAutoTune();
    ASSERT_TRUE(dialog);
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].title, QStringLiteral("OPEN DATA LOG"));

    // The dialog: per cell its samples and median, the rejections by reason,
    // the assumption about the table.
    // The MAF steps between the holds cost the samples beside them; the log
    // holds one decimal of the A/F (13.4).
    QTableWidget* cells = dialog->tblCells();
    const struct {
        int row, column;
        const char* shown;
    } items[] = {{10, 2, "19"}, {12, 2, "18"}, {10, 3, "13.40"},         {10, 6, "5"},
                 {12, 6, "-5"}, {14, 6, "10"}, {3, 7, "too few samples"}};
    for (const auto& i : items)
        EXPECT_EQ(cells->item(i.row, i.column)->text(), QString::fromLatin1(i.shown)) << i.row << "," << i.column;
    EXPECT_EQ(dialog->lblRejections()->text(), QStringLiteral("Rejected: MAF voltage changing: 4."));
    EXPECT_TRUE(dialog->lblAssumption()->text().contains(QStringLiteral("above 2.500 V")));

    // The suggestion is the change graph's second series, the entries
    // between the cells interpolated as the sliders will write them.
    ASSERT_TRUE(preview());
    // Entry 103 is 2.5: halves to even.
    for (const auto& [entry, value] : {std::pair{108, 5}, {128, -5}, {103, 2}, {118, 0}, {148, 10}})
        EXPECT_EQ((*preview())[entry], value) << entry;
    EXPECT_EQ(window->CorrectionTable()[108], 0); // nothing applied yet

    // A locked cell keeps its value.
    dialog->setLocked(14, true);
    EXPECT_EQ((*preview())[148], 0);
    EXPECT_EQ(cells->item(14, 7)->text(), QStringLiteral("locked"));

    dialog->cmdApply()->click();
    EXPECT_EQ(std::tuple(slider(10)->value(), slider(12)->value(), slider(14)->value()), std::tuple(5, -5, 0));
    EXPECT_EQ(window->CorrectionTable()[103], 2);
    EXPECT_EQ(window->CorrectionTable()[131], -4); // -5 x 7 / 10 = -3.5: -4
    EXPECT_FALSE(preview());
    // Off line nothing goes to the unit.
    EXPECT_TRUE(writesHeard().isEmpty());
    EXPECT_EQ(device.memory().cell('O', 108), 0);
}

TEST_F(AutoTuneWindowTest, OnLineApplyAsksThenWritesThroughTheSliders)
{
    ASSERT_TRUE(open());
    goOnline();
    heard();
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        SCOPED_TRACE(answer == MsgAnswer::Yes ? "Yes" : "No");
        messages().clear();
        frmAutoTune* dialog = startAutoTune();
        ASSERT_TRUE(dialog);
        dialogs.answerNext(answer);
        dialog->cmdApply()->click();
        ASSERT_EQ(messageTexts(),
                  QStringList{"The suggested values of 3 cells of table O will be written to "
                              "the unit now.\r\nApply them?"});
        EXPECT_EQ(titled(0), std::pair(QStringLiteral("AUTO-TUNE"), MsgIcon::Question));
        EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No);
        const QStringList writes = writesHeard();
        if (answer == MsgAnswer::No) {
            EXPECT_TRUE(writes.isEmpty());
            EXPECT_EQ(slider(10)->value(), 0);
            continue;
        }
        // Written as a move of the cells (its frames: LiveAutoTuneTest); the
        // first entry is 64, a fifth of the way from cell 9 (0) to cell 10 (+5).
        ASSERT_FALSE(writes.isEmpty());
        EXPECT_EQ(writes.first(), QStringLiteral("WO6401"));
        EXPECT_EQ(device.memory().cell('O', 0x6C), 5);
        EXPECT_EQ(device.memory().cell('O', 0x80), 0xFB);
        EXPECT_EQ(slider(14)->value(), 10);
    }
}

TEST_F(AutoTuneWindowTest, TheSliderOffsetGoesToZeroFirst)
{
    ASSERT_TRUE(open());
    move(bar("HScroll4"), 40);
    messages().clear();
    ASSERT_TRUE(startAutoTune());
    ASSERT_FALSE(messages().isEmpty());
    EXPECT_EQ(messages()[0].title, QStringLiteral("AUTO-TUNE"));
    EXPECT_EQ(messages()[0].text,
              QStringLiteral("AUTO-TUNE works with the slider offset at 0. The offset is now set to 0."));
    EXPECT_EQ(window->SliderOffset(), 0);
    EXPECT_EQ(text("lblRPM_12"), QStringLiteral("2.50"));
}

// The wideband's delay: given, refused when it is no number of seconds from
// 0 to 3 (nothing is then suggested), timed from the log when left empty
// (this log has no throttle event: the default). Cancel changes nothing.
TEST_F(AutoTuneWindowTest, TheWidebandDelayIsGivenOrRefusedOrTheDefault)
{
    ASSERT_TRUE(open());
    move(slider(3), 7);
    const tuner::Table before = window->CorrectionTable();
    frmAutoTune* dialog = startAutoTune();
    ASSERT_TRUE(dialog);
    // On the screen with its title bar, however small the screen.
    const QRect screen = dialog->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(dialog->geometry().adjusted(0, -tuner::FrameTop, 0, 0)));
    EXPECT_EQ(dialog->lblLag()->text(), QStringLiteral("Wideband delay 0.00 s, as given."));
    for (const char* nonsense : {"soon", "3.5", "-1"}) {
        dialog->txtLag()->setText(QString::fromLatin1(nonsense));
        emit dialog->txtLag()->editingFinished();
        EXPECT_TRUE(dialog->lblLag()->text().isEmpty()) << nonsense;
        EXPECT_FALSE(dialog->cmdApply()->isEnabled()) << nonsense;
        EXPECT_EQ(dialog->tblCells()->item(10, 6)->text(), QStringLiteral("0")) << nonsense;
    }
    dialog->txtLag()->clear();
    emit dialog->txtLag()->editingFinished();
    EXPECT_EQ(dialog->lblLag()->text(),
              QStringLiteral("Wideband delay 0.60 s, the default: the logs have no throttle event to time it by."));
    EXPECT_TRUE(dialog->cmdApply()->isEnabled());
    ASSERT_TRUE(preview());
    dialog->cmdCancel()->click();
    EXPECT_EQ(window->CorrectionTable(), before);
    EXPECT_FALSE(preview());
}

// LIVE AUTO-TUNE on the simulated engine's tuning drive, from 52 s into its
// cycle (the wide-open pull sweeps 1.03 V to 4.95 V from 51.75 s on, about
// 0.08 V a second): with table O at -10 everywhere each cell is 10 points
// lean; every cell but 10 locked, the delay given as the engine's 0.6 s.
class LiveAutoTuneTest : public AutoTuneWindowTest {
protected:
    void SetUp() override
    {
        AutoTuneWindowTest::SetUp();
        SimulatedEngine engine;
        engine.drive = DriveCycle::Tuning;
        device.setEngine(engine);
        for (int j = 0; j < 256; ++j)
            device.memory().setCell('O', j, 0xF6);
        open();
        goOnline();
        device.setEngineStart(clock.nowMs() - 52'000);
        autotune::Settings settings;
        settings.lagSeconds = 0.6;
        settings.locked.fill(true);
        settings.locked[10] = false;
        window->Live().useSettings(settings);
        window->Live().setRunning(true);
        heard();
        messages().clear();
    }
    // Samples 50 ms apart for so many seconds.
    void drive(double seconds)
    {
        for (int i = 0; i < seconds * 20 && window->Session().live(); ++i) {
            clock.advance(50);
            window->Timer1_Timer();
        }
    }
    QString tip(int cell) const { return window->lblRPM(cell)->toolTip(); }
};

// 15 s on, cell 10 (entry 108) has had the pull through it and asks for
// +10: it moves by the cap, 3, its entries 100..116 by 3 x (10 - distance)
// / 10 rounded halves to even (-10 + 3 = F9, + 2 = F8, + 1 = F7), as one
// step; its undo writes them back to F6, the last written first.
TEST_F(LiveAutoTuneTest, AnApplicationIsOneUndoStepOfTheCappedMove)
{
    drive(14.9);
    EXPECT_TRUE(writesHeard().isEmpty());
    EXPECT_TRUE(tip(10).startsWith("+10 points (")) << tip(10).toStdString();
    drive(0.2);
    const char* values[] = {"F7", "F7", "F7", "F8", "F8", "F8", "F8", "F9", "F9",
                            "F9", "F8", "F8", "F8", "F8", "F7", "F7", "F7"};
    QStringList expected, undo;
    for (int j = 100; j <= 116; ++j) {
        expected << QStringLiteral("WO") + frame::HexByte(j) + QLatin1String(values[j - 100]);
        undo.prepend(QStringLiteral("WO") + frame::HexByte(j) + QStringLiteral("F6"));
    }
    EXPECT_EQ(writesHeard(), expected);
    EXPECT_EQ(slider(10)->value(), -7);
    EXPECT_EQ(slider(9)->value(), -10); // locked
    EXPECT_EQ(window->Live().applications(), 1);
    EXPECT_EQ(tip(10), "Too few samples: 0 of 10"); // its statistics start again
    EXPECT_TRUE(tip(9).startsWith("Locked"));
    EXPECT_EQ(control<QPushButton>("cmdUndo")->toolTip(), "Undo LIVE AUTO-TUNE (Ctrl+Z)");

    window->cmdUndo_Click();
    EXPECT_EQ(writesHeard(), undo);
    EXPECT_EQ(device.memory().cell('O', 108), 0xF6);
    EXPECT_EQ(messageTexts(), QStringList());
}

TEST_F(LiveAutoTuneTest, ALostLinkStopsIt)
{
    drive(5);
    device.faults().silent = true;
    drive(1);
    EXPECT_FALSE(window->Live().running());
    EXPECT_FALSE(control<QPushButton>("cmdLiveAutoTune")->isChecked());
    EXPECT_EQ(text("lblLiveStatus"), "LIVE AUTO-TUNE stopped: the link was lost.");
    EXPECT_TRUE(writesHeard().isEmpty());
}

TEST_F(LiveAutoTuneTest, OffLineSwitchesItOff)
{
    drive(1);
    window->cmdOFFLINE_Click();
    EXPECT_FALSE(window->Live().running());
    EXPECT_FALSE(control<QPushButton>("cmdLiveAutoTune")->isChecked());
    EXPECT_EQ(text("lblLiveStatus"), "LIVE AUTO-TUNE off: the tuner went off line.");
}

} // namespace
