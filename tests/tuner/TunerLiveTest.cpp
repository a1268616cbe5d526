#include "TunerTestSupport.h"

#include "config/frmIgnitionConfig.h"
#include "monitor/HeldRedraw.h"
#include "support/LostLink.h"
#include "support/ReadFile.h"

#include <QAbstractButton>
#include <QStatusBar>
#include <QTest>

namespace {

using namespace mdlPublicVars;

const QColor ActiveYellow(255, 255, 128);
const QColor White(255, 255, 255);
using Look = std::pair<QString, QColor>; // a box's text and its background

// The data of an "M" reply: MAF in and out, TPS (counts), wideband byte,
// flows in and out (raw), engine speed (40 rpm steps), multispark, active-tune flag.
QString Sample(int mafIn, int mafOut, int tps, int wideband, int flowIn, int flowOut, int speed, int flag = 1)
{
    const auto Hex = [](int value, int digits) {
        return QStringLiteral("%1").arg(value, digits, 16, QChar(u'0')).toUpper();
    };
    return QStringLiteral("m") + Hex(mafIn, 4) + Hex(mafOut, 4) + Hex(tps, 4) + Hex(wideband, 2) + Hex(flowIn, 4)
        + Hex(flowOut, 4) + Hex(speed, 2) + Hex(0, 2) + Hex(flag, 2);
}

// 2.346 V in, 2.053 V out, TPS 0.802 V, wideband byte 128, flows 185 and 160 raw, 3480 rpm, tune 1.
const QString KnownSample = QStringLiteral("m01E001A400A48000B900A0570001");

class TunerLiveTest : public TunerTest {
protected:
    // On line, with the unit's samples given by the test.
    void openOnline()
    {
        open();
        goOnline();
        messages().clear();
        heard();
    }
    void sample(const QString& data)
    {
        port->replies["M"] = data;
        tick();
    }
    Look look(const char* name) const { return {text(name), background(name)}; }
    QString logPath() const { return dir.filePath(QStringLiteral("GTU_datalog.txt")); }
    void startLog(const QString& path)
    {
        dialogs.chooseNextFile(path);
        window->cmdDatalog_Click();
    }
};

TEST_F(TunerLiveTest, TheCellTheEngineUsesIsMarked)
{
    openOnline();
    const std::pair<int, int> cases[] = {{40, 0}, {512, 12}, {1003, 24}, {40, 0}}; // 0.196 V, 2.5 V, 4.9 V
    for (const auto& [counts, cell] : cases) {
        sample(Sample(counts, counts, 164, 128, 100, 100, 20));
        EXPECT_EQ(window->ActiveCell(), cell) << counts;
        for (int i = 0; i < 25; ++i) { // the box yellow without its frame, the caption red
            const QString box = QStringLiteral("txtDelta_%1").arg(i);
            ASSERT_EQ(background(box), i == cell ? ActiveYellow : White) << "cell " << i << " at " << counts;
            EXPECT_EQ(control<QLineEdit>(box)->hasFrame(), i != cell);
            EXPECT_EQ(background(QStringLiteral("lblRPM_%1").arg(i)), i == cell ? colours::Red : buttonFace());
        }
    }
    // Samples mark cells; they send nothing to the unit.
    EXPECT_TRUE(heard(true).isEmpty());
}

TEST_F(TunerLiveTest, ASampleIsShownInTheEngineMonitor)
{
    openOnline();
    sample(KnownSample);
    // A/F by model 1: 20 - 2 x 2.51 V.
    const std::pair<const char*, const char*> labels[] = {
        {"lblMAFVoltage", "2.35"}, {"lblPCMVoltage", "2.05"},   {"lblTPSVoltage", "0.802"},
        {"lblTPangle", "0.0"},     {"lblInputFlow", "185"},     {"lblOutputFlow", "160"},
        {"lblDelta_F", "-13.5"},   {"lblEngineSpeed", "3,480"}, {"lblAirFuelRatio", "15.0"}};
    for (const auto& [name, shown] : labels)
        EXPECT_EQ(text(QString::fromLatin1(name)), shown) << name;
    EXPECT_EQ(background("lblAirFuelRatio"), colours::Red);
    EXPECT_EQ(control("lblAirFuelRatio")->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(look("txtRichOrLean"), Look("LEAN", colours::Red));
    EXPECT_EQ(look("txtLoopMode"), Look("TUNE 1", colours::Green));
    EXPECT_EQ(window->ActiveCell(), 11);
    EXPECT_EQ(background("txtWOT"), buttonFace());
    EXPECT_EQ(background("txtWastedSpark"), colours::Green); // the unit's ignition: waste spark

    // Tune 2, a flow change just inside and just outside the dead band, W.O.T.
    sample(Sample(512, 512, 600, 128, 10000, 10054, 75, 0));
    EXPECT_EQ(look("txtLoopMode"), Look("TUNE 2", colours::Red));
    EXPECT_EQ(look("txtRichOrLean"), Look("NONE", buttonFace()));
    EXPECT_EQ(background("txtWOT"), colours::Green);
    EXPECT_TRUE(control("txtWOT")->isEnabled());
    sample(Sample(512, 512, 164, 128, 10000, 10056, 75, 0));
    EXPECT_EQ(look("txtRichOrLean"), Look("RICH", colours::Green));
    EXPECT_EQ(background("txtWOT"), buttonFace());
    EXPECT_FALSE(control("txtWOT")->isEnabled());
}

TEST_F(TunerLiveTest, TheSwitchBoxLightsFromTheOnPointToBeforeTheOffPoint)
{
    openOnline(); // switch on at 3000 rpm (75 steps of 40), off at 6000 (150), shift-light mode
    for (const auto& [speed, lit] : {std::pair{75, true}, {149, true}, {150, false}, {74, false}}) {
        sample(Sample(512, 512, 164, 128, 100, 100, speed));
        EXPECT_EQ(background("txtWindowSwitch"), lit ? colours::Green : buttonFace()) << speed;
    }

    // Nitrous mode: lit only with an open-loop table shown; its box lit.
    main->findChild<frmIgnitionConfig*>()->SelectRpmConfig(1);
    sample(Sample(512, 512, 164, 128, 100, 100, 100));
    EXPECT_EQ(background("txtWindowSwitch"), colours::Green);
    EXPECT_EQ(background("txtRPMandWOT"), colours::Green);
    window->optTableSelect(1)->click();
    window->cmdOFFLINE_Click();
    goOnline();
    sample(Sample(512, 512, 164, 128, 100, 100, 100));
    EXPECT_EQ(window->OpenLoopTable(), 0);
    EXPECT_EQ(background("txtWindowSwitch"), buttonFace());
}

TEST_F(TunerLiveTest, TheLogHoldsEverySampleAsShownAndTheUsersStamps)
{
    openOnline();
    port->replies["M"] = KnownSample;
    const QDateTime opened = clock.currentDateTime();
    startLog(logPath());
    EXPECT_EQ(std::pair(window->Logging(), text("cmdDatalog")), std::pair(true, QStringLiteral("STOP")));
    EXPECT_EQ(look("txtLOG"), Look("ON", colours::Yellow));
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].defaultName, "GTU_datalog.txt");

    tick();
    const QTime first = clock.currentDateTime().time();
    tick();
    const QTime second = clock.currentDateTime().time();
    // The space bar wherever the focus is; it presses no button.
    QTest::keyClick(control("cmdLean"), Qt::Key_Space);
    EXPECT_EQ(slider(0)->value(), 0);

    const QByteArray row = "\",\"2.35\",\"2.05\",\"185\",\"160\",\"-13.5\",\"15.0\",\"0.802\",\"0.0\",\"3,480\"\r\n";
    const QByteArray expected = "\"" + opened.toString("MM-dd-yyyy").toLatin1() + "\",\""
        + opened.toString("hh:mm:ss").toLatin1() + "\"\r\n"
        + "\"Time\",\"Vin(v)\",\"Vout(v)\",\"Fin(kg/hr)\",\"Fout(kg/hr)\",\"Fdelta(%)\",\"A/F\",\"Vtps(v)\","
          "\"TPAngle(deg)\",\"RPM\"\r\n"
        + "\"" + first.toString("hh:mm:ss").toLatin1() + row + "\"" + second.toString("hh:mm:ss").toLatin1() + row
        + "\"USER TIMESTAMP:\",\"" + second.toString("hh:mm:ss").toLatin1() + "\"\r\n";
    // Every line is in the file as soon as it is written.
    EXPECT_EQ(ReadFile(logPath()), expected);

    window->cmdDatalog_Click();
    EXPECT_EQ(std::pair(window->Logging(), text("cmdDatalog")), std::pair(false, QStringLiteral("START")));
    EXPECT_EQ(look("txtLOG"), Look("OFF", buttonFace()));
    ASSERT_EQ(messageTexts(), QStringList{"File: " + logPath() + " successfully written."});
    EXPECT_EQ(titled(0),
              std::pair(QStringLiteral("KESTREL - VentrixTM Communications Software"), MsgIcon::Information));
    tick();
    EXPECT_EQ(ReadFile(logPath()), expected);
}

// The stored "as fast as the link answers": every sample is logged, the
// engine monitor redrawn at most every 50 ms and the last sample shown when
// the hold ends; three exchanges running later than the 50 ms tick put the
// timer back to 50 ms, and the status line says so.
TEST_F(TunerLiveTest, AtTheFastRateEverySampleIsLoggedAndASlowUnitFallsBackTo50Ms)
{
    settings.write("KESTREL", "Startup", "SampleRate", "max");
    openOnline();
    EXPECT_EQ(window->Timer1()->interval(), 0);
    startLog(logPath());
    // MAF counts 0 to 8 (5 V / 1023 each), 8 ms apart: drawn at 0 and 56 ms.
    const QStringList volts{"0.00", "0.00", "0.01", "0.01", "0.02", "0.02", "0.03", "0.03", "0.04"};
    for (int i = 0; i < volts.size(); ++i) {
        port->replies["M"] = Sample(i, 512, 164, 128, 100, 100, 20);
        clock.advance(8);
        window->Timer1_Timer();
        EXPECT_EQ(text("lblMAFVoltage"), volts[i < 7 ? 0 : 7]) << i;
    }
    QTimerEvent due(window->Redraw()->timer()->timerId());
    QCoreApplication::sendEvent(window->Redraw()->timer(), &due);
    EXPECT_EQ(text("lblMAFVoltage"), "0.04");
    QStringList logged;
    for (const QByteArray& line : ReadFile(logPath()).split('\n').mid(2, volts.size()))
        logged << QString::fromLatin1(line.split(',').value(1)).remove('"');
    EXPECT_EQ(logged, volts);

    port->replies.clear();
    device.faults().delayMs = 60;
    for (int late = 0; late < 3; ++late)
        tick();
    EXPECT_EQ(window->Timer1()->interval(), 50);
    EXPECT_EQ(main->statusBar()->currentMessage(),
              "The unit cannot keep up with the fast sampling: back to one sample every 50 ms.");
}

TEST_F(TunerLiveTest, WithoutAFileTheLoggerOnlyTogglesItsCaption)
{
    openOnline();
    startLog(QString()); // cancelled
    EXPECT_FALSE(window->Logging());
    EXPECT_TRUE(window->DatalogArmed());
    EXPECT_EQ(text("cmdDatalog"), "STOP");
    EXPECT_EQ(text("txtLOG"), "OFF");
    QTest::keyClick(control("cmdLean"), Qt::Key_Space);
    window->cmdDatalog_Click();
    EXPECT_EQ(text("cmdDatalog"), "START");
    EXPECT_TRUE(messages().isEmpty());

    // A file that cannot be made is reported; the session goes on without it.
    startLog(dir.filePath(QStringLiteral("missing/GTU.txt")));
    EXPECT_FALSE(window->Logging());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "File Error");
    tick();
    EXPECT_TRUE(window->Timer1()->isActive());
}

// However the link goes, the tuner says so once without a box, greys its
// ENGINE MONITOR, leaves only QUIT, the log's STOP and Cancel, and takes up
// where it was when the unit answers again: the table read again and found
// the same, the log noting the gap.
TEST_F(TunerLiveTest, ALostLinkIsFoundAgainWithTheTableReadBack)
{
    for (const LinkLoss& c : {LinkLoss{"pulled, back on its port", 0, 1}, LinkLoss{"pulled, back as port 4", 4, 4},
                              LinkLoss{"unit silent", -1, 1}}) {
        SCOPED_TRACE(c.what);
        openOnline();
        const QString path = dir.filePath(QString::fromLatin1(c.what) + ".txt");
        startLog(path);
        sample(KnownSample);
        ASSERT_GE(window->ActiveCell(), 0);
        port->replies.remove("M"); // the unit's own samples from now on
        Lose(*this, c);
        tick();
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_TRUE(window->Session().reconnecting());
        EXPECT_EQ(text("lblLinkStatus"), "Link lost, reconnecting...");
        EXPECT_EQ(main->windowTitle(), "Link lost, reconnecting...");
        EXPECT_FALSE(window->Timer1()->isActive());
        EXPECT_EQ(window->ActiveCell(), -1);
        EXPECT_FALSE(control("lblMAFVoltage")->isEnabled());
        EXPECT_EQ(background("txtHeartbeat"), buttonFace());
        EXPECT_EQ(background("lblAirFuelRatio"), buttonFace());
        const auto textColour = [&](const char* name) { return control(name)->palette().color(QPalette::WindowText); };
        const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
        for (const char* name : {"lblAirFuelRatio", "txtRichOrLean", "txtLoopMode"})
            EXPECT_EQ(textColour(name), grey) << name;
        for (QWidget* control : window->findChild<QWidget*>("content")->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QScrollBar*>(control)
                || qobject_cast<QComboBox*>(control)) {
                const QString name = control->objectName();
                EXPECT_EQ(control->isEnabled(),
                          name == "cmdQUIT" || name == "cmdDatalog" || name == "cmdCancelReconnect")
                    << name.toStdString();
            }
        }

        Restore(*this, c);
        heard();
        main->statusBar()->clearMessage();
        window->Session().healing()->tryNow();
        EXPECT_FALSE(window->Session().reconnecting());
        EXPECT_TRUE(Connected);
        EXPECT_EQ(CommPortNumber, c.backOn);
        EXPECT_TRUE(messages().isEmpty()); // the table read back is the window's
        // Port 4 has no tune seen on it: nothing to compare the registers with.
        EXPECT_EQ(heard(), QStringList{"Z"} + (c.backOn == 1 ? registerReads() : QStringList{}) + readsOf('O'));
        EXPECT_EQ(main->statusBar()->currentMessage().left(46),
                  c.backOn == 1 ? "Registers match the tune last seen on port 1 (" : "");
        EXPECT_TRUE(window->Timer1()->isActive());
        EXPECT_TRUE(control("cmdLean")->isEnabled());
        tick();
        EXPECT_TRUE(control("lblMAFVoltage")->isEnabled());
        for (const char* name : {"lblAirFuelRatio", "txtRichOrLean", "txtLoopMode"})
            EXPECT_EQ(textColour(name), QColor(Qt::black)) << name;
        window->cmdDatalog_Click();
        ExpectGapInLog(path, 9);
        quit();
        ConnectAfresh(*this);
        messages().clear();
    }
}

// A unit silent for 3 s is reported lost at once (the status line and the
// main window's indicator), while the sample's attempts (half a second
// each) go on; its answer clears the report and the live display goes on.
TEST_F(TunerLiveTest, ASilentUnitIsReportedAfterThreeSecondsWhileItsAttemptsGoOn)
{
    openOnline();
    sample(KnownSample);
    port->replies.remove("M");
    QStringList seen; // at each attempt: the status line ("-" hidden) and the indicator
    device.faults().silent = true;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame != frame::Build("M"))
            return;
        seen << (control("lblLinkStatus")->isHidden() ? QStringLiteral("-") : text("lblLinkStatus")) + " / "
                + main->findChild<QLineEdit*>("txtConnected")->text();
        if (seen.size() == 8)
            device.faults().silent = false;
    });
    tick();
    device.setFrameListener({});
    // Eight attempts unanswered (the listener runs once the unit has chosen
    // its answer), the ninth answered; the seventh starts after 3 s.
    const QString quiet = "- / Com 1", lost = "Link lost, reconnecting... / Link lost";
    EXPECT_EQ(seen, QStringList({quiet, quiet, quiet, quiet, quiet, quiet, lost, lost, lost}));
    EXPECT_TRUE(control("lblLinkStatus")->isHidden());
    EXPECT_EQ(main->findChild<QLineEdit*>("txtConnected")->text(), "Com 1");
    EXPECT_FALSE(window->Session().reconnecting());
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_TRUE(messages().isEmpty());
}

// A write the lost link caught lands once: when the unit is back its entry
// is read first, the write sent again only if it never arrived, and a unit
// changed meanwhile left to the user's question (Yes keeps the unit's value,
// No writes the window's). Slider 3 moved to 25 writes entry 38 (hex 26) first.
TEST_F(TunerLiveTest, AWriteCaughtByTheLossLandsOnce)
{
    struct Case {
        const char* what;
        int reaching;           // requests of the move the unit hears before the cable goes
        int changedTo;          // set in the unit while the link is down (-1 left alone)
        MsgAnswer answer;       // to "Table Differs" (asked only when the unit changed)
        QStringList beforeLoss; // heard of the move
        QStringList settling;   // heard after the probe, before the table's re-read
        QStringList afterRead;  // heard after the re-read
        int shown;              // entry 38 in the window, then in the unit
    };
    const QStringList none;
    for (const Case& c :
         {Case{"lost before it arrived", 0, -1, MsgAnswer::No, none, {"RO26", "WO2619"}, none, 25},
          Case{"landed, its echo lost", 1, -1, MsgAnswer::No, {"WO2619"}, {"RO26"}, none, 25},
          Case{"changed meanwhile, the unit's kept", 0, 7, MsgAnswer::Yes, none, {"RO26"}, none, 7},
          Case{"changed meanwhile, the window's kept", 0, 7, MsgAnswer::No, none, {"RO26"}, {"WO2600"}, 0}}) {
        SCOPED_TRACE(c.what);
        device.memory().setCell('O', 38, 0);
        openOnline();
        device.faults().unplugAfter = device.requestsHeard() + c.reaching;
        device.faults().unplugMs = 2500;
        move(slider(3), 25);
        QCoreApplication::processEvents();
        EXPECT_EQ(heard(), c.beforeLoss);
        EXPECT_EQ(window->CorrectionTable()[38], 0);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, "Write Failure!");
        ASSERT_TRUE(window->Session().reconnecting());
        if (c.changedTo >= 0)
            device.memory().setCell('O', 38, c.changedTo);

        clock.advance(2500);
        messages().clear();
        if (c.changedTo >= 0)
            dialogs.answerNext(c.answer);
        window->Session().healing()->tryNow();
        if (c.changedTo >= 0) {
            ASSERT_EQ(messages().size(), 1);
            EXPECT_EQ(messages()[0].title, "Table Differs");
            EXPECT_EQ(messages()[0].text,
                      "While the link was lost the unit's table changed: 1 entry differs from what this window "
                      "shows.\r\n\r\nEntry 26: unit 7, window 0\r\n"
                      "\r\nKeep the unit's values? (No writes the window's values to the unit.)");
        } else {
            EXPECT_TRUE(messages().isEmpty());
        }
        EXPECT_EQ(heard(), QStringList{"Z"} + registerReads() + c.settling + readsOf('O') + c.afterRead);
        EXPECT_TRUE(window->Session().unsettledWrites().isEmpty());
        EXPECT_EQ(window->CorrectionTable()[38], c.shown);
        EXPECT_EQ(device.memory().cell('O', 38), c.shown);
        EXPECT_EQ(slider(3)->value(), c.shown);
        messages().clear();
        quit();
    }
}

TEST_F(TunerLiveTest, QuitOffLineAsksFirst)
{
    open();
    move(slider(3), 25);
    dialogs.answerNext(MsgAnswer::No);
    window->cmdQUIT_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(titled(0), std::pair(QStringLiteral("Exit Warning!"), MsgIcon::Question));
    EXPECT_EQ(messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No); // Enter answers No
    EXPECT_EQ(messages()[0].text,
              "Would you still like to quit?\r\nAny off-line map changes will be lost unless explicity saved!");
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->CorrectionTable()[38], 25);
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdGraphicalTune"));

    dialogs.answerNext(MsgAnswer::Yes);
    window->cmdQUIT_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    for (const char* name : {"cmdGraphicalTune", "mnuMemory", "cmdDisconnect"})
        EXPECT_TRUE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdConnect"));
    EXPECT_FALSE(LinkBusy);

    // The next opening starts afresh.
    open();
    EXPECT_EQ(window->CorrectionTable()[38], 0);
}

// QUIT says the log was written; the program's exit closes it silently.
TEST_F(TunerLiveTest, LeavingOnLineClosesTheLogWithItsLines)
{
    for (const bool quit : {true, false}) {
        SCOPED_TRACE(quit ? "QUIT" : "exit");
        openOnline();
        port->replies["M"] = KnownSample;
        startLog(logPath());
        tick();
        if (quit)
            window->cmdQUIT_Click();
        else
            main->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(messageTexts(), quit ? QStringList{"File: " + logPath() + " successfully written."} : QStringList());
        EXPECT_EQ(ReadFile(logPath()).count("\r\n"), 3);
        EXPECT_EQ(LinkBusy, !quit);
        messages().clear();
    }
}

} // namespace
