#include "monitor/frmMONITOR.h"

#include "app/Startup.h"
#include "app/frmMain.h"
#include "app/mdlMain.h"
#include "config/frmIgnitionConfig.h"
#include "link/Frame.h"
#include "monitor/Datalog.h"
#include "monitor/VoltageOffset.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "platform/Twips.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"

#include <QAction>
#include <QApplication>
#include <QRadioButton>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

// 2.346 V in, 2.053 V out, TPS 0.802 V, wideband byte 128, flows 185 and
// 160 raw, 3480 rpm, no multispark, no flip-chip.
const QString KnownSample = QStringLiteral("m01E001A400A48000B900A0570001");
// The same with a wideband byte of 16 (0.31 V).
const QString LowWidebandSample = QStringLiteral("m01E001A400A41000B900A0570001");

const QStringList GivenBack = {"mnuMemory",       "mnuVentrixRunItem", "mnuResetItem",  "mnuDiagnostics",
                               "cmdMemoryModify", "cmdAccuracyTest",   "cmdVentrixRun", "cmdDisconnect"};

class MonitorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Reset();
        ASSERT_TRUE(dir.isValid());
        services::install(nullptr, &clock, &dialogs, &settings);
        auto owned = std::make_unique<ScriptedRepliesPort>(simulated);
        port = owned.get();
        main = std::make_unique<frmMain>(std::move(owned));
        main->cmdConnect_Click();
        ASSERT_TRUE(Connected);
        main->LoadConfigurationAtStartup();
        dialogs.messages.clear();
        // Known conversions for the known sample.
        InstalledInjectorSize = 19;
        TpsKeyOnVolts = 0.5;
        WidebandModel = 1;
    }

    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(QLocale::c());
    }

    // Ventrix > Run, as the user chooses it.
    frmMONITOR* open()
    {
        main->mnuVentrixRunItem_Click();
        window = main->findChild<frmMONITOR*>();
        return window;
    }

    // START with the logging question answered and, for Yes, the file chosen.
    void start(MsgAnswer answer, const QString& file = QString())
    {
        dialogs.answerNext(answer);
        if (answer == MsgAnswer::Yes)
            dialogs.chooseNextFile(file);
        window->cmdRUN_Click();
    }

    // One timer tick a second after the last.
    void tick()
    {
        clock.advance(1000);
        window->Timer1_Timer();
    }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const
    {
        if (auto* label = control<QLabel>(name))
            return label->text();
        return control<QLineEdit>(name)->text();
    }
    QColor background(const char* name) const { return colours::Background(control(name)); }
    QColor buttonFace() const { return QApplication::palette().color(QPalette::Button); }
    bool shownAndEnabled(const char* name) const
    {
        return !control(name)->isHidden() && control(name)->isEnabled();
    }
    QStringList heard()
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads << QString::fromLatin1(payload);
        device.clearLog();
        return payloads;
    }
    QByteArray fileBytes(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QList<ScriptedDialogs::Message>& messages() { return dialogs.messages; }
    // The count of boxes shown and what the box at `at` said.
    void expectMessage(qsizetype count, qsizetype at, MsgIcon icon, const QString& title, const QString& text)
    {
        ASSERT_EQ(messages().size(), count);
        EXPECT_EQ(messages()[at].icon, icon);
        EXPECT_EQ(messages()[at].title, title);
        EXPECT_EQ(messages()[at].text, text);
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort simulated{device, clock};
    ScriptedRepliesPort* port = nullptr;
    std::unique_ptr<frmMain> main;
    QPointer<frmMONITOR> window;
};

TEST_F(MonitorWindowTest, OpensWithStartWhenTheUnitAnswers)
{
    FJOCalibration = 4;
    frmIgnitionConfig* ignition = main->findChild<frmIgnitionConfig*>();
    ASSERT_NE(ignition, nullptr);
    ignition->SelectIgnitionType(1);
    device.clearLog();
    ASSERT_NE(open(), nullptr);

    EXPECT_EQ(heard(), QStringList{"Z"});
    EXPECT_EQ(window->ProbeCode(), "03");
    EXPECT_EQ(text("lblRawDataStream"), "03");
    EXPECT_EQ(main->windowTitle(), "Connected");
    EXPECT_TRUE(shownAndEnabled("cmdRUN"));
    EXPECT_TRUE(control("cmdSTOP")->isHidden());
    EXPECT_FALSE(control("cmdSTOP")->isEnabled());
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_EQ(control<QScrollBar>("HScrollFJOCAL")->value(), 4);
    EXPECT_EQ(settings.read("KESTREL", "Startup", "FJOCAL", "absent"), "4");
    EXPECT_EQ(background("txtWastedSpark"), colours::Green);
    EXPECT_EQ(background("txtLOG"), buttonFace());
    EXPECT_TRUE(messages().isEmpty());
    for (const char* name : {"cmdConnect", "cmdDisconnect", "cmdVentrixRun", "mnuVentrixRunItem", "mnuMemory"})
        EXPECT_FALSE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
}

TEST_F(MonitorWindowTest, WithoutAnAnsweringUnitStartStaysOff)
{
    struct Case {
        const char* what;
        bool connected;
        bool silent;
    } const cases[] = {{"not connected", false, false}, {"probe unanswered", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window = new frmMONITOR;
        Connected = c.connected;
        device.faults().silent = c.silent;
        device.clearLog();
        messages().clear();
        window->Form_Load();

        EXPECT_FALSE(Connected);
        EXPECT_FALSE(control("cmdRUN")->isEnabled());
        EXPECT_TRUE(control("cmdSTOP")->isHidden());
        EXPECT_FALSE(port->isOpen());
        EXPECT_EQ(main->windowTitle(), "Not Connected");
        EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
        EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));
        EXPECT_TRUE(main->findChild<QLineEdit*>("txtConnected")->text().isEmpty());
        expectMessage(1, 0, MsgIcon::Exclamation, "Connection Error",
                      "Not connected to Ventrix. Please connect and try again.");
        EXPECT_EQ(heard(), c.connected ? QStringList(10, "Z") : QStringList());
        delete window;
        // Connected again for the next case.
        device.faults().silent = false;
        main->cmdConnect_Click();
    }
}

TEST_F(MonitorWindowTest, RunWithALogRecordsEverySampleAsShown)
{
    open();
    port->replies["M"] = KnownSample;
    const QString path = dir.filePath("MON_Datalog.txt");
    const QDateTime opened(QDate(2026, 12, 5), QTime(7, 41, 9));
    clock.setDateTime(opened);
    device.clearLog();
    start(MsgAnswer::Yes, path);

    expectMessage(1, 0, MsgIcon::Question, "Data Logging Options", "Would you like to log data to a file?");
    EXPECT_EQ(messages()[0].buttons, MsgButtons::YesNoCancel);
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].title, "DATALOG FILENAME SELECT");
    EXPECT_EQ(dialogs.fileRequests[0].defaultName, "MON_Datalog.txt");
    EXPECT_EQ(heard(), QStringList{"RT13"});
    EXPECT_TRUE(window->Running());
    EXPECT_TRUE(window->Logging());
    EXPECT_EQ(background("txtLOG"), colours::Green);
    EXPECT_EQ(background("txtHeartbeat"), colours::Green);
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_EQ(window->Timer1()->interval(), 50);
    EXPECT_TRUE(shownAndEnabled("cmdSTOP"));
    EXPECT_TRUE(control("cmdRUN")->isHidden());

    // The log records the readouts' texts in its column order, so each
    // readout is checked through its line.
    tick();
    EXPECT_EQ(text("lblRawDataStream"), KnownSample);
    EXPECT_EQ(text("txtRichOrLean"), "LEAN");
    EXPECT_EQ(background("txtRichOrLean"), colours::Red);
    EXPECT_TRUE(control("txtRichOrLean")->isEnabled());
    EXPECT_EQ(background("lblAirFuelRatio"), colours::Red);
    EXPECT_EQ(background("txtFlipChip"), buttonFace());
    WidebandModel = 0;
    port->replies["M"] = LowWidebandSample;
    tick();

    // Every line is on the disk while the log is still open.
    const QByteArray expected =
        datalog::Header(opened).toUtf8() +
        "\"07:41:10\",\"2.346\",\"2.053\",\"-12.5\",\"185\",\"160\",\"-13.5\",\"15.0\",\"0.802\",\"7.6\",\"3,480\"\r\n"
        "\"07:41:11\",\"2.346\",\"2.053\",\"-12.5\",\"185\",\"160\",\"-13.5\",\"XXX\",\"0.802\",\"7.6\",\"3,480\"\r\n";
    EXPECT_EQ(fileBytes(path), expected);

    messages().clear();
    window->cmdSTOP_Click();
    expectMessage(1, 0, MsgIcon::Information, "KESTREL - VentrixTM Communications Software",
                  "File: " + path + " successfully written.");
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(window->Logging());
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_EQ(background("txtLOG"), buttonFace());
    EXPECT_EQ(background("txtHeartbeat"), buttonFace());
    EXPECT_TRUE(shownAndEnabled("cmdRUN"));
    EXPECT_TRUE(control("cmdSTOP")->isHidden());
    EXPECT_EQ(fileBytes(path), expected);
}

TEST_F(MonitorWindowTest, CancelInTheQuestionLeavesTheWindowIdleButRunning)
{
    open();
    device.clearLog();
    start(MsgAnswer::Cancel);
    EXPECT_TRUE(window->Running());
    EXPECT_FALSE(window->OffsetWritesEnabled());  // nothing was read to write back
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_TRUE(dialogs.fileRequests.isEmpty());
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_TRUE(shownAndEnabled("cmdRUN"));

    // START again, this time without a log.
    messages().clear();
    start(MsgAnswer::No);
    EXPECT_EQ(heard(), QStringList{"RT13"});
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_FALSE(window->Logging());
    EXPECT_EQ(messages().size(), 1);
}

TEST_F(MonitorWindowTest, CancelledOrUncreatableLogRunsWithoutALog)
{
    struct Case {
        const char* what;
        QString file;
        int messages;  // after the question
    } const cases[] = {{"cancelled dialog", QString(), 0},
                       {"file cannot be created", dir.filePath("no/such/folder/log.txt"), 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!window)
            open();
        messages().clear();
        start(MsgAnswer::Yes, c.file);
        ASSERT_EQ(messages().size(), 1 + c.messages);
        if (c.messages) {
            EXPECT_EQ(messages()[1].icon, MsgIcon::Exclamation);
            EXPECT_TRUE(messages()[1].text.contains(c.file)) << messages()[1].text.toStdString();
            EXPECT_TRUE(messages()[1].text.contains("could not be created"));
        }
        EXPECT_FALSE(window->Logging());
        EXPECT_EQ(background("txtLOG"), buttonFace());
        EXPECT_TRUE(window->Timer1()->isActive());
        tick();
        EXPECT_NE(text("lblRawDataStream"), "");
        messages().clear();
        window->cmdSTOP_Click();
        EXPECT_TRUE(messages().isEmpty());  // nothing to report
    }
}

TEST_F(MonitorWindowTest, StartReadsTheVoltageOffset)
{
    struct Case {
        int byte;
        int slider;
        const char* shown;
        QStringList heard;  // at START
    } const cases[] = {
        {0xF6, -10, "-0.049", {"RT13", "WT13F6"}},  // the moved slider writes its value back
        {0x00, 0, "0.000", {"RT13"}},
        {0x80, -103, "-0.625", {"RT13"}},           // beyond the slider: shown, not written
        {0x7F, 103, "0.620", {"RT13"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byte);
        open();
        auto* slider = control<QScrollBar>("HScroll1");
        EXPECT_EQ(slider->minimum(), -103);
        EXPECT_EQ(slider->maximum(), 103);
        device.memory().setRegister(0x13, c.byte);
        device.clearLog();
        messages().clear();
        start(MsgAnswer::No);
        EXPECT_EQ(slider->value(), c.slider);
        EXPECT_EQ(text("txtVoltageOffset"), c.shown);
        EXPECT_EQ(text("lblRawDataStream"), "");
        EXPECT_EQ(heard(), c.heard);
        EXPECT_EQ(device.memory().registerValue(0x13), c.byte);
        EXPECT_EQ(messages().size(), 1);
        EXPECT_TRUE(window->Timer1()->isActive());
        window->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MonitorWindowTest, OffsetReadFailureDoesNotStartAndArmsNoWrite)
{
    open();
    device.memory().setRegister(0x13, 0xF6);
    device.faults().negativeCommands = {"RT"};
    start(MsgAnswer::No);
    expectMessage(2, 1, MsgIcon::Exclamation, "Read Failure!",
                  "Unable to load Voltage Offset from VentrixTM. Please try again.");
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_FALSE(window->OffsetWritesEnabled());
    EXPECT_TRUE(shownAndEnabled("cmdRUN"));

    // One click on the slider's arrow: the offset was never loaded, so
    // nothing may overwrite it, and sampling does not start either.
    device.clearLog();
    messages().clear();
    control<QScrollBar>("HScroll1")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_EQ(device.memory().registerValue(0x13), 0xF6);
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(shownAndEnabled("cmdRUN"));
}

TEST_F(MonitorWindowTest, OffsetSliderWritesTheRegisterAndChecksTheEcho)
{
    struct Case {
        const char* fault;
        int value;
        const char* sent;
        bool confirmed;
    } const cases[] = {
        {"", 5, "WT1305", true},
        {"", -1, "WT13FF", true},
        {"", -103, "WT1399", true},
        {"wrong-echo", 5, "WT1305", false},
        {"negative=WT", 5, "WT1305", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " " + std::to_string(c.value));
        device.memory().setRegister(0x13, 0);
        open();
        start(MsgAnswer::No);
        SimFaults faults;
        if (*c.fault) {
            ASSERT_TRUE(faults.apply(QString::fromLatin1(c.fault), nullptr));
        }
        device.setFaults(faults);
        device.clearLog();
        messages().clear();
        // No sample request may come between the write and its echo.
        bool tickingDuringWrite = true;
        device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
            if (frame.contains("WT13"))
                tickingDuringWrite = window->Timer1()->isActive();
        });
        control<QScrollBar>("HScroll1")->setValue(c.value);
        device.setFrameListener({});
        EXPECT_FALSE(tickingDuringWrite);

        const QStringList sent = heard();
        ASSERT_FALSE(sent.isEmpty());
        EXPECT_EQ(sent.first(), c.sent);
        EXPECT_TRUE(window->Timer1()->isActive());
        if (c.confirmed) {
            EXPECT_TRUE(messages().isEmpty());
            EXPECT_EQ(text("txtVoltageOffset"), voltage_offset::VoltsText(c.value));
        } else {
            expectMessage(1, 0, MsgIcon::Exclamation, "Write Failure!",
                          "Failed to Update Voltage Offset. Please try again.");
            EXPECT_EQ(text("txtVoltageOffset"), "0.000");  // the previous offset stays
        }
        device.setFaults({});
        window->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MonitorWindowTest, StopSendsTheBareStopOnlyToAUnitThatAnswered03)
{
    for (const char* code : {"01", "03"}) {
        SCOPED_TRACE(code);
        port->replies["Z"] = QString::fromLatin1(code);
        open();
        EXPECT_EQ(window->ProbeCode(), code);
        start(MsgAnswer::No);
        const int framesBefore = device.requestsHeard();
        LastFrame.clear();
        window->cmdSTOP_Click();
        EXPECT_EQ(device.requestsHeard(), framesBefore);  // no framed request
        EXPECT_EQ(device.rawStopCount(), QString(code) == "03" ? 1 : 0);
        EXPECT_EQ(LastFrame, QString(code) == "03" ? "X" : "");
        window->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        device.clearLog();
    }
}

TEST_F(MonitorWindowTest, PulledPlugMidRunLosesTheConnectionCleanly)
{
    for (const bool portError : {false, true}) {
        SCOPED_TRACE(portError ? "port reports the hardware missing" : "unit silent");
        open();
        const QString path = dir.filePath(portError ? "a.txt" : "b.txt");
        start(MsgAnswer::Yes, path);
        port->replies.remove("M");
        tick();
        const QByteArray logged = fileBytes(path);
        EXPECT_EQ(logged.count("\r\n"), 3);

        device.faults().vanishPortError = portError;
        device.vanishNow();
        messages().clear();
        tick();

        expectMessage(1, 0, MsgIcon::Exclamation, "Connection Error!",
                      "Lost Connection to VentrixTM!\r\nPlease check power to VentrixTM and serial cable connectivity.");
        EXPECT_FALSE(Connected);
        EXPECT_FALSE(port->isOpen());
        EXPECT_FALSE(window->Timer1()->isActive());
        EXPECT_EQ(main->windowTitle(), "Not Connected");
        EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
        EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));
        EXPECT_FALSE(control("cmdRUN")->isEnabled());
        EXPECT_FALSE(control("cmdSTOP")->isEnabled());
        EXPECT_TRUE(control("cmdQUIT")->isEnabled());
        EXPECT_TRUE(window->Running());
        EXPECT_TRUE(window->Logging());
        EXPECT_EQ(fileBytes(path), logged);  // what was recorded is there

        // The offset slider cannot reach the closed port.
        messages().clear();
        control<QScrollBar>("HScroll1")->setValue(20);
        EXPECT_EQ(port->writesWhileClosed, 0);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, "Write Failure!");
        EXPECT_FALSE(window->Timer1()->isActive());

        messages().clear();
        window->cmdQUIT_Click();
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].text, "File: " + path + " successfully written.");
        EXPECT_EQ(main->windowTitle(), "Not Connected");
        EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));
        EXPECT_TRUE(mdlMain::IsControlEnabled("cmdVentrixRun"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());

        device.setFaults({});
        main->cmdConnect_Click();
        ASSERT_TRUE(Connected);
    }
}

TEST_F(MonitorWindowTest, QuitGivesTheMainWindowItsControlsBack)
{
    open();
    start(MsgAnswer::No);
    tick();
    window->cmdQUIT_Click();
    for (const QString& name : GivenBack)
        EXPECT_TRUE(mdlMain::IsControlEnabled(name)) << name.toStdString();
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdConnect"));  // still connected
    EXPECT_TRUE(messages().size() == 1);                     // only the question
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(main->findChild<frmMONITOR*>(), nullptr);

    // A fresh window the next time, idle.
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(text("lblMAFInputVoltage"), "0.000");
}

TEST_F(MonitorWindowTest, ClearMonitorDisplayResetsTheValuesButNotAll)
{
    open();
    port->replies["M"] = KnownSample;
    start(MsgAnswer::No);
    tick();
    window->ClearMonitorDisplay();
    EXPECT_EQ(text("lblRawDataStream"), "");
    for (const char* name : {"lblMAFInputVoltage", "lblOutputVoltage", "lblTPSVoltage"})
        EXPECT_EQ(text(name), "0.000") << name;
    for (const char* name : {"lblDelta", "lblDelta_F", "lblTPangle"})
        EXPECT_EQ(text(name), "00.0") << name;
    EXPECT_EQ(text("lblInputFlow"), "0");
    EXPECT_EQ(text("lblOutputFlow"), "0");
    EXPECT_EQ(text("txtRichOrLean"), "");
    EXPECT_FALSE(control("txtRichOrLean")->isEnabled());
    EXPECT_EQ(background("txtRichOrLean"), buttonFace());
    // Kept as last shown.
    EXPECT_EQ(text("lblEngineSpeed"), "3,480");
    EXPECT_EQ(text("lblAirFuelRatio"), "15.0");
}

TEST_F(MonitorWindowTest, FjoCalibrationSliderStoresAndAppliesFromTheNextSample)
{
    open();
    WidebandModel = 9;  // shows the wideband voltage itself
    port->replies["M"] = QStringLiteral("m01E001A400A4FF00B900A0570001");
    start(MsgAnswer::No);
    tick();
    EXPECT_EQ(text("lblAirFuelRatio"), "5.0");
    control<QScrollBar>("HScrollFJOCAL")->setValue(10);
    EXPECT_EQ(FJOCalibration, 10);
    EXPECT_EQ(settings.read("KESTREL", "Startup", "FJOCAL", "absent"), "10");
    tick();
    EXPECT_EQ(text("lblAirFuelRatio"), "5.2");
}

TEST_F(MonitorWindowTest, AdvancedAndBasicSwitchTheSize)
{
    open();
    const int compact = window->height();
    EXPECT_EQ(compact, Twips(4650 - 375, window));
    // Everything of the full size lies below the compact window.
    for (const char* name : {"HScroll1", "txtVoltageOffset", "HScrollFJOCAL", "lblRawDataStream", "txtWOT"})
        EXPECT_GE(control(name)->y(), compact) << name;
    window->cmdADVANCED_Click();
    EXPECT_EQ(window->height(), Twips(8325 - 375, window));
    EXPECT_TRUE(shownAndEnabled("cmdBASIC"));
    EXPECT_TRUE(control("cmdADVANCED")->isHidden());
    for (const char* name : {"HScroll1", "HScrollFJOCAL", "lblRawDataStream", "txtWOT", "txtFlipChip"})
        EXPECT_LE(control(name)->geometry().bottom(), window->height()) << name;
    window->cmdBASIC_Click();
    EXPECT_EQ(window->height(), compact);
    EXPECT_TRUE(shownAndEnabled("cmdADVANCED"));
    EXPECT_TRUE(control("cmdBASIC")->isHidden());
}

TEST_F(MonitorWindowTest, TheUnlabelledSquaresStayHiddenButFollowTheSamples)
{
    main->findChild<frmIgnitionConfig*>()->SelectIgnitionType(1);  // waste spark
    open();
    window->cmdADVANCED_Click();
    port->replies["M"] = QStringLiteral("m01E001A403FF8000B900A0570000");  // TPS 5 V, flip-chip
    start(MsgAnswer::No);
    tick();
    for (const char* name : {"txtWOT", "txtWastedSpark", "txtMultiSpark", "txtFlipChip"}) {
        EXPECT_TRUE(control(name)->isHidden()) << name;
        EXPECT_FALSE(control(name)->isVisible()) << name;
    }
    EXPECT_EQ(background("txtWOT"), colours::Green);
    EXPECT_EQ(background("txtWastedSpark"), colours::Green);
    EXPECT_EQ(background("txtFlipChip"), colours::Green);
}

// Contrast as displays show it: black on white is 21, equal colours 1.
TEST(ReadoutColourTest, TextIsChosenToReadOnItsColour)
{
    struct Case {
        QColor background;
        QColor text;
        double contrast;  // of that text on it, worked out by hand
    } const cases[] = {
        {colours::Red, Qt::black, 5.25},
        {colours::Green, Qt::black, 15.30},
        {colours::Yellow, Qt::black, 19.56},
        {QColor(0, 0, 0), Qt::white, 21.0},
        {QColor(0, 64, 0), Qt::white, 12.12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.background.name().toStdString());
        EXPECT_EQ(colours::ReadableTextOn(c.background), c.text);
        EXPECT_NEAR(colours::ContrastRatio(c.text, c.background), c.contrast, 0.01);
    }
    // Yellow text on a light grey face, as the readout once was: unreadable.
    EXPECT_LT(colours::ContrastRatio(colours::Yellow, QColor(239, 239, 239)), 1.2);
}

TEST_F(MonitorWindowTest, EveryAirFuelBandReadsAtAGlance)
{
    struct Case {
        const char* sample;  // wideband byte at positions 14-15
        int model;
        const char* shown;
        QColor band;
    } const cases[] = {
        {"m01E001A400A4CC00B900A0570001", 1, "12.0", colours::Green},   // 4.000 V
        {"m01E001A400A4B300B900A0570001", 1, "13.0", colours::Yellow},  // 3.510 V
        {"m01E001A400A48000B900A0570001", 1, "15.0", colours::Red},     // 2.510 V
        {"m01E001A400A41000B900A0570001", 0, "XXX", colours::Red},      // 0.314 V
    };
    open();
    start(MsgAnswer::No);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        WidebandModel = c.model;
        port->replies["M"] = QString::fromLatin1(c.sample);
        tick();
        const QWidget* readout = control("lblAirFuelRatio");
        EXPECT_EQ(text("lblAirFuelRatio"), c.shown);
        EXPECT_EQ(background("lblAirFuelRatio"), c.band);
        EXPECT_TRUE(readout->autoFillBackground());
        EXPECT_GE(colours::ContrastRatio(readout->palette().color(QPalette::WindowText), c.band), 4.5);
    }
    // The rich/lean box likewise.
    const QWidget* richLean = control("txtRichOrLean");
    EXPECT_EQ(text("txtRichOrLean"), "LEAN");
    EXPECT_GE(colours::ContrastRatio(richLean->palette().color(QPalette::Text), background("txtRichOrLean")), 4.5);
}

// --- a unit that stops answering ------------------------------------------------

TEST_F(MonitorWindowTest, RetriesShowThatTheUnitIsAwaitedWithTheReadoutsGreyed)
{
    open();
    port->replies["M"] = KnownSample;
    start(MsgAnswer::No);
    tick();
    ASSERT_EQ(text("lblMAFInputVoltage"), "2.346");
    port->replies.remove("M");

    // The unit is silent for six attempts and answers the seventh.
    struct Seen {
        QString status;
        bool statusShown;
        bool ticking;
        bool readoutsEnabled;
        QString shownValue;
    };
    QList<Seen> seen;
    int samples = 0;
    device.faults().silent = true;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame != frame::Build("M"))
            return;
        ++samples;
        seen.append({text("lblLinkStatus"), !control("lblLinkStatus")->isHidden(), window->Timer1()->isActive(),
                     control("lblMAFInputVoltage")->isEnabled(), text("lblMAFInputVoltage")});
        if (samples == 6)
            device.faults().silent = false;
    });
    port->replies.clear();
    tick();
    device.setFrameListener({});

    ASSERT_EQ(samples, 7);
    EXPECT_TRUE(seen[0].readoutsEnabled);  // the first attempt: nothing missed yet
    EXPECT_FALSE(seen[0].statusShown);
    for (int attempt = 2; attempt <= 7; ++attempt) {
        SCOPED_TRACE(attempt);
        const Seen& s = seen[attempt - 1];
        EXPECT_TRUE(s.statusShown);
        EXPECT_EQ(s.status, QStringLiteral("No reply from the unit - retrying, %1 of 50").arg(attempt));
        EXPECT_FALSE(s.ticking);  // no second request inside this one
        EXPECT_FALSE(s.readoutsEnabled);
        EXPECT_EQ(s.shownValue, "2.346");
    }
    // Answered again: live readouts, no status, the timer back.
    EXPECT_TRUE(control("lblLinkStatus")->isHidden());
    EXPECT_TRUE(control("lblMAFInputVoltage")->isEnabled());
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_TRUE(Connected);
    EXPECT_TRUE(messages().size() == 1);  // only the logging question
}

TEST_F(MonitorWindowTest, StopOrQuitEndsTheRetriesAtOnce)
{
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "QUIT" : "STOP");
        open();
        start(MsgAnswer::No);
        tick();
        device.faults().silent = true;
        device.clearLog();
        messages().clear();
        int samples = 0;
        device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
            if (frame == frame::Build("M") && ++samples == 4)
                QTimer::singleShot(0, window.data(), [&] {
                    control<QPushButton>(quit ? "cmdQUIT" : "cmdSTOP")->click();
                });
        });
        tick();
        device.setFrameListener({});

        EXPECT_EQ(samples, 4);  // nothing more after the attempt in flight
        // STOP's bare stop character goes out after the fourth attempt ended.
        EXPECT_EQ(device.rawStopCount(), quit ? 0 : 1);
        EXPECT_EQ(heard(), QStringList(4, "M"));
        EXPECT_TRUE(Connected);
        EXPECT_TRUE(messages().isEmpty());
        if (quit) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(window.isNull());
            EXPECT_TRUE(mdlMain::IsControlEnabled("cmdVentrixRun"));
        } else {
            EXPECT_FALSE(window->Running());
            EXPECT_FALSE(window->Timer1()->isActive());
            EXPECT_TRUE(control("lblLinkStatus")->isHidden());
            EXPECT_TRUE(shownAndEnabled("cmdRUN"));
            window->cmdQUIT_Click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        device.setFaults({});
    }
}

// The wideband model and calibration stored by an earlier run, through the
// real start-up.
TEST(MonitorStartupTest, StoredModelAndCalibrationAreRestored)
{
    TestApplication();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Reset();
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    settings.write("KESTREL", "Startup", "WBO2", "12");
    settings.write("KESTREL", "Startup", "FJOCAL", "-10");
    VentrixDevice device;
    SimulatedPort simulated(device, clock);
    auto owned = std::make_unique<ScriptedRepliesPort>(simulated);
    owned->replies["M"] = KnownSample;  // wideband byte 128: 2.510 V
    services::install(nullptr, &clock, &dialogs, &settings);
    auto main = std::make_unique<frmMain>(std::move(owned));
    RunStartupSequence(*main);
    ASSERT_TRUE(Connected);
    EXPECT_EQ(WidebandModel, 12);
    EXPECT_EQ(FJOCalibration, -10);

    // The wideband window offers the first model; the stored one stays until UPDATE.
    main->findChild<QAction*>("mnuConfig")->trigger();
    auto* first = main->findChild<QRadioButton*>("optWBO2Select_0");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isChecked());
    EXPECT_EQ(WidebandModel, 12);

    main->findChild<QAction*>("mnuVentrixRunItem")->trigger();
    auto* monitor = main->findChild<frmMONITOR*>();
    ASSERT_NE(monitor, nullptr);
    const QString path = dir.filePath("log.txt");
    dialogs.answerNext(MsgAnswer::Yes);
    dialogs.chooseNextFile(path);
    monitor->cmdRUN_Click();
    clock.advance(1000);
    monitor->Timer1_Timer();
    monitor->cmdSTOP_Click();

    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    const QList<QByteArray> fields = lines[2].split(',');
    ASSERT_GE(fields.size(), 8);
    // The voltage itself, 128 / 255 x (5 - 50 / 255) = 2.41 V, not 20 - 2 V = 15.0.
    EXPECT_EQ(fields[7], "\"2.4\"");
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QLocale::setDefault(QLocale::c());
}

} // namespace
