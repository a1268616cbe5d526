#include "app/frmMain.h"
#include "logs/AirFuelScatterView.h"
#include "logs/CellChartView.h"
#include "logs/ChannelStripsView.h"
#include "logs/LogReader.h"
#include "logs/OpenLog.h"
#include "logs/frmLogViewer.h"
#include "monitor/Datalog.h"
#include "support/SimulatedWorld.h"

#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using logs::Channel;

// 40 samples, two a second from 09:00:00 (seconds 0, 0.5, ... 19.5):
//   samples 0-19   MAF in 2.500 V (cell 12), A/F 12.0 + i/10, sample 7 "XXX"
//   samples 20-39  MAF in 1.000 + i/1000 V (cell 5), A/F 14.0
//   samples 30-39  TPS 4.500 V (wide open above a 4.0 V breakpoint), else 1.000 V
//   RPM 2,000 + 100 i
QString writeLog(const QString& path)
{
    datalog::DatalogFile file;
    EXPECT_TRUE(file.create(path, QDateTime(QDate(2026, 3, 14), QTime(8, 59, 58))));
    for (int i = 0; i < 40; ++i) {
        LiveSample s;
        s.MAFInputVoltage = i < 20 ? 2.5 : 1.0 + i / 1000.0;
        s.OutputVoltage = s.MAFInputVoltage;
        s.AirFuelRatio = i == 7 ? 0.0f : i < 20 ? 12.0f + i / 10.0f : 14.0f;
        s.TPSVoltage = i >= 30 ? 4.5 : 1.0;
        s.EngineSpeed = 2000 + 100 * i;
        file.append(datalog::DataLine(QTime(9, 0, 0).addSecs(i / 2), datalog::ShownValues(s)));
    }
    file.close();
    return path;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class LogViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        area.resize(1280, 900);
        area.show();
    }

    frmLogViewer* open()
    {
        frmLogViewer* window = logs::OpenLogWindow(area, writeLog(dir.filePath("MON_Datalog.txt")));
        if (window) {
            window->parentWidget()->resize(1200, 800);
            QCoreApplication::processEvents();
        }
        return window;
    }

    int samplesIn(const frmLogViewer& window, int cell) const
    {
        return window.tblCells()->item(cell, 2)->text().toInt();
    }

    SimulatedWorld w;
    ScriptedDialogs& dialogs = w.dialogs;
    QTemporaryDir& dir = w.dir;
    QMdiArea area;
};

TEST_F(LogViewerTest, OpensALogWithItsThreeViews)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(window->windowTitle(), "Log - MON_Datalog.txt");
    ASSERT_EQ(window->tabViews()->count(), 3);
    EXPECT_EQ(window->statusText(), "40 samples from 09:00:00 to 09:00:19 (0:00:20), the monitor's log.");
    for (int tab = 0; tab < 3; ++tab) {
        window->tabViews()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->tabViews()->currentWidget()->isVisible());
    }
    // Every channel of the file can be chosen; five are shown to begin with.
    EXPECT_EQ(window->lstChannels()->count(), 10);
    EXPECT_EQ(window->strips()->channels(),
              (std::vector<Channel>{Channel::MafIn, Channel::MafOut, Channel::AirFuel, Channel::ThrottleAngle,
                                    Channel::Rpm}));
    window->lstChannels()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(window->strips()->channels().front(), Channel::MafOut);

    // All samples with an A/F are points; cells as worked out above.
    window->tabViews()->setCurrentIndex(1);
    window->scatter()->repaint();
    EXPECT_EQ(window->scatter()->pointsDrawn(), 39);
    EXPECT_EQ(samplesIn(*window, 12), 19);
    EXPECT_EQ(window->tblCells()->item(12, 6)->text(), "1");     // the "XXX" sample, apart
    EXPECT_EQ(window->tblCells()->item(12, 3)->text(), "13.00"); // 12.0 ... 13.9 without 12.7: the 10th of 19
    EXPECT_EQ(samplesIn(*window, 5), 20);
    EXPECT_EQ(window->tblCells()->item(5, 3)->text(), "14.00");
    EXPECT_EQ(window->tblCells()->item(0, 7)->text(), "too few");
    EXPECT_EQ(window->tblCells()->item(5, 7)->text(), "");
}

TEST_F(LogViewerTest, TheCursorReadsTheSampleUnderItAndARangeNarrowsTheCells)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    ChannelStripsView* strips = window->strips();
    // Sample 25 at 12.5 s: MAF 1.025 V, A/F 14.0, 4,500 rpm.
    const int x = static_cast<int>(std::lround(strips->xForSeconds(12.5)));
    QTest::mouseClick(strips, Qt::LeftButton, {}, QPoint(x, strips->height() / 2));
    EXPECT_EQ(strips->cursorSample(), 25u);
    EXPECT_EQ(window->cursorTimeText(), "09:00:12.5");
    EXPECT_EQ(window->readoutText(Channel::MafIn), "1.025");
    EXPECT_EQ(window->readoutText(Channel::AirFuel), "14.0");
    EXPECT_EQ(window->readoutText(Channel::Rpm), "4,500");
    EXPECT_EQ(window->readoutText(Channel::TpsVolts), "1.000");

    // The arrow keys step back to sample 7, which has no A/F.
    for (int i = 25; i > 7; --i)
        QTest::keyClick(strips, Qt::Key_Left);
    EXPECT_EQ(window->cursorTimeText(), "09:00:03.5");
    EXPECT_EQ(window->readoutText(Channel::AirFuel), "XXX");
    EXPECT_EQ(window->readoutText(Channel::MafIn), "2.500");

    // Right-drag from 2.2 s to 7.8 s: samples 5 to 15, sample 7 without an A/F.
    const int y = strips->height() / 2;
    QTest::mousePress(strips, Qt::RightButton, {}, QPoint(static_cast<int>(strips->xForSeconds(2.2)), y));
    QTest::mouseMove(strips, QPoint(static_cast<int>(strips->xForSeconds(5)), y));
    QTest::mouseRelease(strips, Qt::RightButton, {}, QPoint(static_cast<int>(strips->xForSeconds(7.8)), y));
    ASSERT_TRUE(window->filter().range);
    EXPECT_EQ(samplesIn(*window, 12), 10);
    EXPECT_EQ(window->tblCells()->item(12, 6)->text(), "1");
    EXPECT_EQ(samplesIn(*window, 5), 0);
    EXPECT_EQ(window->cellTable().samples, 11);
    window->tabViews()->setCurrentIndex(1);
    window->scatter()->repaint();
    EXPECT_EQ(window->scatter()->pointsDrawn(), 10);

    window->cmdWholeLog_Click();
    EXPECT_FALSE(window->filter().range);
    EXPECT_EQ(samplesIn(*window, 12), 19);
}

TEST_F(LogViewerTest, ZoomAndPanMoveTheTimeAxis)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    ChannelStripsView* strips = window->strips();
    EXPECT_DOUBLE_EQ(strips->visibleFrom(), 0);
    EXPECT_DOUBLE_EQ(strips->visibleTo(), 19.5);
    strips->zoom(0.5, 10); // around 10 s: 5 to 14.75
    EXPECT_DOUBLE_EQ(strips->visibleFrom(), 5);
    EXPECT_DOUBLE_EQ(strips->visibleTo(), 14.75);
    // Dragging right by a quarter of the plot shows earlier samples.
    const int y = strips->height() / 2;
    const int from = static_cast<int>(strips->xForSeconds(10));
    const int to = static_cast<int>(strips->xForSeconds(10 + 9.75 / 4));
    QTest::mousePress(strips, Qt::LeftButton, {}, QPoint(to, y));
    QTest::mouseMove(strips, QPoint(from, y));
    QTest::mouseRelease(strips, Qt::LeftButton, {}, QPoint(from, y));
    EXPECT_NEAR(strips->visibleFrom(), 5 + 9.75 / 4, 0.05);
    EXPECT_EQ(strips->cursorSample(), 0u); // a drag is no click
    QTest::mouseDClick(strips, Qt::LeftButton, {}, QPoint(from, y));
    EXPECT_DOUBLE_EQ(strips->visibleFrom(), 0);
    EXPECT_DOUBLE_EQ(strips->visibleTo(), 19.5);
}

TEST_F(LogViewerTest, TheAutoTuneSuggestionIsDrawnForTheStretchShown)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    window->tabViews()->setCurrentIndex(1);
    EXPECT_TRUE(window->scatter()->suggestionPoints().isEmpty());
    window->chkAutoTune()->setChecked(true);
    EXPECT_DOUBLE_EQ(window->txtAutoTuneTarget()->value(), 12.8); // table O's own target
    window->txtBreakpoint()->setValue(0.5);                       // every sample's TPS lies above it: open loop
    // The log has no throttle event to time the wideband's delay by: 0.6 s,
    // so each A/F goes to the moment 1.2 samples earlier, whose verdict is
    // that of the nearer sample, one earlier. Rejected: 0 and 1 (metered
    // before the log), 7 ("XXX"), 20 and 21 (their moments 19 and 20 lie on
    // the MAF step). Samples 2-19 go to 2.50 V, cell 12's own entry: 17
    // readings, 12.2 to 13.9 without 12.7, median 13.1, (13.1 / 12.8 - 1) x
    // 100 = 2.3, so +2. Samples 22-39 go to 1.02 to 1.04 V, entries 52 and
    // 53: nearer cell 4's entry (48) up to sample 30, cell 5's (58) from 31,
    // nine samples each: too few.
    EXPECT_EQ(window->scatter()->suggestionPoints(), (QList<QPointF>{{2.5, 13.1}}));
    const QString noEvent = QStringLiteral(" Wideband delay 0.60 s, the default: the logs have no throttle event to "
                                           "time it by.");
    const QString atO = QStringLiteral("Table O to 12.8:1: 2.50 V +2 (35 of 40 samples used).") + noEvent;
    EXPECT_EQ(window->lblAutoTune()->text(), atO);
    // The filter row's target moves the views' line, not the suggestion.
    window->txtTargetAirFuel()->setValue(13.5);
    EXPECT_EQ(window->lblAutoTune()->text(), atO);
    // Each table starts from its own target; the target can be edited.
    window->cmbAutoTuneTable()->setCurrentIndex(1);
    EXPECT_DOUBLE_EQ(window->txtAutoTuneTarget()->value(), 14.7);
    EXPECT_EQ(window->lblAutoTune()->text(),
              QStringLiteral("Table C to 14.7:1: no cell has 10 samples to go by (0 of 40 samples used).") + noEvent);
    window->cmbAutoTuneTable()->setCurrentIndex(0);
    EXPECT_EQ(window->lblAutoTune()->text(), atO);
    window->txtAutoTuneTarget()->setValue(13.0); // 13.1 is within 0.1 A/F of it
    EXPECT_EQ(window->lblAutoTune()->text(),
              QStringLiteral("Table O to 13.0:1: 2.50 V settled (35 of 40 samples used).") + noEvent);
    window->txtAutoTuneTarget()->setValue(12.8);
    // The first 5 s hold only 7 readings of cell 12: nothing to suggest.
    window->strips()->setSelection(logs::TimeRange{0.0, 4.5});
    EXPECT_TRUE(window->scatter()->suggestionPoints().isEmpty());
    EXPECT_EQ(window->lblAutoTune()->text(),
              QStringLiteral("Table O to 12.8:1: no cell has 10 samples to go by (7 of 10 samples used).") + noEvent);
    window->chkAutoTune()->setChecked(false);
    window->cmdWholeLog_Click();
    EXPECT_TRUE(window->scatter()->suggestionPoints().isEmpty());
    EXPECT_TRUE(window->lblAutoTune()->text().isEmpty());
}

// The points each chart was handed, series by series, leaving out empty ones.
std::vector<QList<QPointF>> seriesPoints(const QChart& chart)
{
    std::vector<QList<QPointF>> points;
    for (QAbstractSeries* series : chart.series()) {
        if (auto* line = qobject_cast<QLineSeries*>(series); line && line->count() > 0)
            points.push_back(line->points());
    }
    return points;
}

TEST_F(LogViewerTest, AMissingAirFuelIsAGapInItsStrip)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    // Strip 2 is the A/F: samples 0 to 6, then sample 7 has none, then 8 to 39.
    ASSERT_EQ(window->strips()->channels()[2], Channel::AirFuel);
    const std::vector<QList<QPointF>> runs = seriesPoints(*window->strips()->stripChart(2));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 7);
    EXPECT_EQ(runs[0].back(), QPointF(3.0, 12.6)); // sample 6, second 3 of 09:00
    EXPECT_EQ(runs[1].size(), 32);
    EXPECT_EQ(runs[1].front(), QPointF(4.0, 12.8));
    // The MAF strip has every sample in one line.
    const std::vector<QList<QPointF>> maf = seriesPoints(*window->strips()->stripChart(0));
    ASSERT_EQ(maf.size(), 1u);
    EXPECT_EQ(maf[0].size(), 40);
}

// The engine speed box is the bars' test; the filter itself the statistics'.
TEST_F(LogViewerTest, TheFilterBoxesMoveTheTargetLineAndTheCellsAndTakeTheUnitsBreakpoint)
{
    frmLogViewer* window = open();
    ASSERT_NE(window, nullptr);
    window->txtTargetAirFuel()->setValue(13.5);
    EXPECT_DOUBLE_EQ(window->scatter()->targetAirFuel(), 13.5);
    QLineSeries* target = nullptr;
    for (QAbstractSeries* series : window->scatter()->chart()->series()) {
        if (series->name() == "target A/F 13.5")
            target = qobject_cast<QLineSeries*>(series);
    }
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->points(), (QList<QPointF>{{0, 13.5}, {5, 13.5}}));

    // The unit's breakpoint needs a connection (the shared guard's box).
    window->cmdUnitBreakpoint_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Connection Error");
    EXPECT_DOUBLE_EQ(window->txtBreakpoint()->value(), 0);
    mdlPublicVars::Connected = true;
    mdlPublicVars::WotBreakpointVolts = 2.495;
    window->cmdUnitBreakpoint_Click();
    EXPECT_DOUBLE_EQ(window->txtBreakpoint()->value(), 2.495);

    window->txtBreakpoint()->setValue(4.0);
    window->cmbThrottle()->setCurrentIndex(2); // above the breakpoint
    EXPECT_EQ(samplesIn(*window, 5), 10);
    EXPECT_EQ(samplesIn(*window, 12), 0);
    window->cmbThrottle()->setCurrentIndex(1); // below it
    EXPECT_EQ(samplesIn(*window, 5), 10);
    EXPECT_EQ(samplesIn(*window, 12), 19);
    window->cmbThrottle()->setCurrentIndex(0);

    // Cells with too few samples have their own bars.
    const CellChartView* chart = window->cellChart();
    EXPECT_EQ(chart->enoughBars()->at(12), 19);
    EXPECT_EQ(chart->enoughBars()->at(5), 20);
    EXPECT_EQ(chart->tooFewBars()->at(5), 0);
    window->txtMinRpm()->setValue(5500); // samples 35 to 39, all in cell 5
    EXPECT_EQ(chart->enoughBars()->at(5), 0);
    EXPECT_EQ(chart->tooFewBars()->at(5), 5);
    EXPECT_EQ(chart->enoughBars()->at(12), 0);
    EXPECT_EQ(chart->tooFewBars()->at(12), 0);
}

TEST_F(LogViewerTest, SkippedLinesAreCountedAndListed)
{
    const QString path = dir.filePath("cut.txt");
    writeFile(path,
              "\"Time\",\"Vin(v)\",\"A/F\"\r\n\"09:00:00\",\"2.500\",\"12.9\"\r\n\"junk\"\r\n"
              "\"09:00:01\",\"2.500\",\"13.0\"\r\n\"09:00:02\",\"2.5");
    frmLogViewer* window = logs::OpenLogWindow(area, path);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->statusText(),
              "2 samples from 09:00:00 to 09:00:01 (0:00:01), the graphical tuner's log. "
              "2 lines could not be read and skipped.");
    window->cmdSkippedLines_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              "Lines of cut.txt that could not be read:\n"
              "line 3: 1 field where the column names have 3\n"
              "line 5: a quote is not closed, or text follows one");
}

class OpenLogMenuTest : public LogViewerTest {
protected:
    std::unique_ptr<frmMain>& main = w.main;
};

TEST_F(OpenLogMenuTest, FileOpenLogOpensAWindowWithoutAUnitAndRefusesANonLog)
{
    auto* item = main->findChild<QAction*>("mnuOpenLogItem");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());

    dialogs.chooseNextFile(writeLog(dir.filePath("run.txt")));
    item->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    const QList<QMdiSubWindow*> windows = main->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    auto* viewer = qobject_cast<frmLogViewer*>(windows[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->log().size(), 40u);

    dialogs.chooseNextFile(QString()); // cancelled
    item->trigger();
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);

    // A file that is no log: told, and no window.
    const QString tune = dir.filePath("backup.tun");
    writeFile(tune, "&M110901\r\n12-05-2026-07:41:09\r\nC0000\r\n");
    main->OpenLog(tune);
    EXPECT_EQ(main->mdiArea()->subWindowList().size(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("\"" + tune + "\" is not a data log."));
}

} // namespace
