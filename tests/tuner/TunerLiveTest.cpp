#include "TunerTestSupport.h"

#include "config/frmIgnitionConfig.h"
#include "support/ReadFile.h"

#include <QAbstractButton>
#include <QTest>

namespace {

using namespace mdlPublicVars;

const QColor ActiveYellow(255, 255, 128);
const QColor White(255, 255, 255);

QString Hex(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// The data of an "M" reply: MAF in and out, TPS (counts), wideband byte,
// flows in and out (raw), engine speed (40 rpm steps), multispark, active-tune flag.
QString Sample(int mafIn, int mafOut, int tps, int wideband, int flowIn, int flowOut, int speed, int flag = 1)
{
    return QStringLiteral("m") + Hex(mafIn, 4) + Hex(mafOut, 4) + Hex(tps, 4) + Hex(wideband, 2) + Hex(flowIn, 4)
        + Hex(flowOut, 4) + Hex(speed, 2) + Hex(0, 2) + Hex(flag, 2);
}

// 2.346 V in, 2.053 V out, TPS 0.802 V, wideband byte 128, flows 185 and
// 160 raw, 3480 rpm, tune 1.
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
    bool marked(int cell) const
    {
        return background(QStringLiteral("txtDelta_%1").arg(cell)) == ActiveYellow
            && !control<QLineEdit>(QStringLiteral("txtDelta_%1").arg(cell))->hasFrame()
            && background(QStringLiteral("lblRPM_%1").arg(cell)) == colours::Red;
    }
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
        for (int i = 0; i < 25; ++i) {
            ASSERT_EQ(marked(i), i == cell) << "cell " << i << " at " << counts;
            if (i != cell) {
                EXPECT_EQ(background(QStringLiteral("txtDelta_%1").arg(i)), White);
                EXPECT_EQ(background(QStringLiteral("lblRPM_%1").arg(i)), buttonFace());
            }
        }
    }
    // Samples mark cells; they send nothing to the unit.
    EXPECT_TRUE(heard(true).isEmpty());
}

TEST_F(TunerLiveTest, ASampleIsShownInTheEngineMonitor)
{
    openOnline();
    sample(KnownSample);
    EXPECT_EQ(text("lblMAFVoltage"), "2.35");
    EXPECT_EQ(text("lblPCMVoltage"), "2.05");
    EXPECT_EQ(text("lblTPSVoltage"), "0.802");
    EXPECT_EQ(text("lblTPangle"), "0.0");
    EXPECT_EQ(text("lblInputFlow"), "185");
    EXPECT_EQ(text("lblOutputFlow"), "160");
    EXPECT_EQ(text("lblDelta_F"), "-13.5");
    EXPECT_EQ(text("lblEngineSpeed"), "3,480");
    EXPECT_EQ(text("lblAirFuelRatio"), "15.0"); // model 1: 20 - 2 x 2.51 V
    EXPECT_EQ(background("lblAirFuelRatio"), colours::Red);
    EXPECT_EQ(control("lblAirFuelRatio")->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(text("txtRichOrLean"), "LEAN");
    EXPECT_EQ(background("txtRichOrLean"), colours::Red);
    EXPECT_EQ(text("txtLoopMode"), "TUNE 1");
    EXPECT_EQ(background("txtLoopMode"), colours::Green);
    EXPECT_EQ(window->ActiveCell(), 11);
    EXPECT_EQ(background("txtWOT"), buttonFace());
    EXPECT_EQ(background("txtWastedSpark"), colours::Green); // the unit's ignition: waste spark

    // Tune 2, a flow change just inside and just outside the dead band, W.O.T.
    sample(Sample(512, 512, 600, 128, 10000, 10054, 75, 0));
    EXPECT_EQ(text("txtLoopMode"), "TUNE 2");
    EXPECT_EQ(background("txtLoopMode"), colours::Red);
    EXPECT_EQ(text("txtRichOrLean"), "NONE");
    EXPECT_EQ(background("txtRichOrLean"), buttonFace());
    EXPECT_EQ(background("txtWOT"), colours::Green);
    EXPECT_TRUE(control("txtWOT")->isEnabled());
    sample(Sample(512, 512, 164, 128, 10000, 10056, 75, 0));
    EXPECT_EQ(text("txtRichOrLean"), "RICH");
    EXPECT_EQ(background("txtRichOrLean"), colours::Green);
    EXPECT_EQ(background("txtWOT"), buttonFace());
    EXPECT_FALSE(control("txtWOT")->isEnabled());
}

TEST_F(TunerLiveTest, TheSwitchBoxLightsFromTheOnPointToBeforeTheOffPoint)
{
    openOnline(); // switch on at 3000 rpm, off at 6000, shift-light mode
    sample(Sample(512, 512, 164, 128, 100, 100, 75));
    EXPECT_EQ(background("txtWindowSwitch"), colours::Green);
    sample(Sample(512, 512, 164, 128, 100, 100, 149));
    EXPECT_EQ(background("txtWindowSwitch"), colours::Green);
    sample(Sample(512, 512, 164, 128, 100, 100, 150));
    EXPECT_EQ(background("txtWindowSwitch"), buttonFace());
    sample(Sample(512, 512, 164, 128, 100, 100, 74));
    EXPECT_EQ(background("txtWindowSwitch"), buttonFace());

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
    EXPECT_TRUE(window->Logging());
    EXPECT_EQ(text("cmdDatalog"), "STOP");
    EXPECT_EQ(text("txtLOG"), "ON");
    EXPECT_EQ(background("txtLOG"), colours::Yellow);
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
    EXPECT_FALSE(window->Logging());
    EXPECT_EQ(text("cmdDatalog"), "START");
    EXPECT_EQ(text("txtLOG"), "OFF");
    EXPECT_EQ(background("txtLOG"), buttonFace());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages()[0].title, "KESTREL - VentrixTM Communications Software");
    EXPECT_EQ(messages()[0].text, "File: " + logPath() + " successfully written.");
    tick();
    EXPECT_EQ(ReadFile(logPath()), expected);
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

TEST_F(TunerLiveTest, ALostLinkLeavesOnlyQuit)
{
    openOnline();
    device.vanishNow();
    tick();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Connection Error!");
    EXPECT_EQ(messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(messages()[0].text,
              "Lost Connection to VentrixTM!\r\nPlease check power to VentrixTM and serial cable connectivity.");
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(simulated.isOpen());
    EXPECT_FALSE(window->Timer1()->isActive());
    // The window's own scroll bars aside, which still scroll it.
    for (QWidget* control : window->findChild<QWidget*>("content")->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QScrollBar*>(control)
            || qobject_cast<QComboBox*>(control)) {
            EXPECT_EQ(control->isEnabled(), control->objectName() == "cmdQUIT") << control->objectName().toStdString();
        }
    }
    for (const char* name : {"txtRPMON", "txtRPMOFF", "txtRPMandWOT", "txtWindowSwitch"})
        EXPECT_FALSE(control(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_EQ(main->windowTitle(), "Not Connected");
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));

    // QUIT asks nothing and gives the main window its commands back.
    window->cmdQUIT_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(messages().size(), 1);
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdGraphicalTune"));
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));
}

TEST_F(TunerLiveTest, QuitOffLineAsksFirst)
{
    open();
    move(slider(3), 25);
    dialogs.answerNext(MsgAnswer::No);
    window->cmdQUIT_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Exit Warning!");
    EXPECT_EQ(messages()[0].icon, MsgIcon::Question);
    EXPECT_EQ(messages()[0].buttons, MsgButtons::YesNo);
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

TEST_F(TunerLiveTest, QuitOnLineClosesTheLogWithoutAsking)
{
    openOnline();
    port->replies["M"] = KnownSample;
    startLog(logPath());
    tick();
    window->cmdQUIT_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].text, "File: " + logPath() + " successfully written.");
    EXPECT_EQ(ReadFile(logPath()).count("\r\n"), 3);
    EXPECT_FALSE(LinkBusy);
}

TEST_F(TunerLiveTest, ClosingTheMainWindowClosesTheLogWithItsLines)
{
    openOnline();
    port->replies["M"] = KnownSample;
    startLog(logPath());
    tick();
    tick();
    main->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(ReadFile(logPath()).count("\r\n"), 4);
    EXPECT_TRUE(messages().isEmpty());
}

} // namespace
