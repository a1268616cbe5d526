#include "MonitorFixture.h"

namespace {

TEST_F(MonitorWindowTest, OpensWithStartWhenTheUnitAnswers)
{
    FJOCalibration = 4;
    w.main->findChild<frmIgnitionConfig*>()->SelectIgnitionType(1);
    ASSERT_NE(open(), nullptr);

    EXPECT_EQ(w.heard(), QStringList{"Z"});
    EXPECT_EQ(text("lblRawDataStream"), "03");
    EXPECT_EQ(w.main->windowTitle(), "Connected");
    EXPECT_EQ(runState(), "START");
    EXPECT_EQ(control<QScrollBar>("HScrollFJOCAL")->value(), 4);
    EXPECT_EQ(w.settings.read("KESTREL", "Startup", "FJOCAL", "absent"), "4");
    EXPECT_EQ(background("txtWastedSpark"), colours::Green);
    EXPECT_TRUE(messages().isEmpty());
    for (const char* name : {"cmdConnect", "cmdDisconnect", "cmdVentrixRun", "mnuVentrixRunItem", "mnuMemory"})
        EXPECT_FALSE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
}

TEST_F(MonitorWindowTest, WithoutAnAnsweringUnitStartStaysOff)
{
    for (const bool connected : {false, true}) { // connected, the probe goes unanswered
        SCOPED_TRACE(connected);
        window = new frmMONITOR;
        Connected = connected;
        w.device.faults().silent = connected;
        w.device.clearLog();
        messages().clear();
        window->Form_Load();

        EXPECT_FALSE(Connected);
        EXPECT_FALSE(control("cmdRUN")->isEnabled());
        EXPECT_TRUE(control("cmdSTOP")->isHidden());
        EXPECT_FALSE(w.port->isOpen());
        EXPECT_EQ(w.main->windowTitle(), "Not Connected");
        EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
        EXPECT_FALSE(mdlMain::IsControlEnabled("cmdDisconnect"));
        EXPECT_TRUE(w.main->findChild<QLineEdit*>("txtConnected")->text().isEmpty());
        expectMessage(1, 0, MsgIcon::Exclamation, "Connection Error",
                      "Not connected to Ventrix. Please connect and try again.");
        EXPECT_EQ(w.heard(), connected ? QStringList(10, "Z") : QStringList());
        delete window;
        w.device.faults().silent = false;
        w.main->cmdConnect_Click();
    }
}

TEST_F(MonitorWindowTest, RunWithALogRecordsEverySampleAsShown)
{
    open();
    w.port->replies["M"] = KnownSample;
    const QString path = w.dir.filePath("MON_Datalog.txt");
    const QDateTime opened(QDate(2026, 12, 5), QTime(7, 41, 9));
    w.clock.setDateTime(opened);
    w.device.clearLog();
    start(MsgAnswer::Yes, path);

    expectMessage(1, 0, MsgIcon::Question, "Data Logging Options", "Would you like to log data to a file?");
    EXPECT_EQ(messages()[0].buttons, MsgButtons::YesNoCancel);
    ASSERT_EQ(w.dialogs.fileRequests.size(), 1);
    EXPECT_EQ(w.dialogs.fileRequests[0].title, "DATALOG FILENAME SELECT");
    EXPECT_EQ(w.dialogs.fileRequests[0].defaultName, "MON_Datalog.txt");
    EXPECT_EQ(w.heard(), QStringList{"RT13"});
    EXPECT_EQ(runState(), "running logging ticking STOP");
    EXPECT_EQ(background("txtLOG"), colours::Green);
    EXPECT_EQ(background("txtHeartbeat"), colours::Green);
    EXPECT_EQ(window->Timer1()->interval(), 50);

    // The log records the readouts' texts in its column order, so each
    // readout is checked through its line.
    tick();
    EXPECT_EQ(text("lblRawDataStream"), KnownSample);
    EXPECT_EQ(text("txtRichOrLean"), "LEAN");
    EXPECT_EQ(background("txtRichOrLean"), colours::Red);
    EXPECT_TRUE(control("txtRichOrLean")->isEnabled());
    WidebandModel = 0;
    w.port->replies["M"] = QStringLiteral("m01E001A400A41000B900A0570001"); // wideband byte 16: 0.31 V
    tick();

    // Every line is on the disk while the log is still open.
    const QByteArray expected = datalog::Header(opened).toUtf8()
        + "\"07:41:10\",\"2.346\",\"2.053\",\"-12.5\",\"185\",\"160\",\"-13.5\",\"15.0\",\"0.802\",\"7.6\",\"3,"
          "480\"\r\n"
          "\"07:41:11\",\"2.346\",\"2.053\",\"-12.5\",\"185\",\"160\",\"-13.5\",\"XXX\",\"0.802\",\"7.6\",\"3,"
          "480\"\r\n";
    EXPECT_EQ(ReadFile(path), expected);

    messages().clear();
    window->cmdSTOP_Click();
    expectMessage(1, 0, MsgIcon::Information, "KESTREL - VentrixTM Communications Software",
                  "File: " + path + " successfully written.");
    EXPECT_EQ(runState(), "START");
    EXPECT_EQ(background("txtLOG"), buttonFace());
    EXPECT_EQ(background("txtHeartbeat"), buttonFace());
    EXPECT_EQ(ReadFile(path), expected);
}

// Cancel in the question stops START there; No, a cancelled file dialog or a
// file that cannot be created run without a log.
TEST_F(MonitorWindowTest, StartWithoutALog)
{
    struct Case {
        const char* what;
        MsgAnswer answer;
        QString file;
        QStringList titles; // the boxes shown
        bool runs;
    } const cases[] = {
        {"cancel", MsgAnswer::Cancel, {}, {"Data Logging Options"}, false},
        {"no", MsgAnswer::No, {}, {"Data Logging Options"}, true},
        {"dialog cancelled", MsgAnswer::Yes, {}, {"Data Logging Options"}, true},
        {"uncreatable",
         MsgAnswer::Yes,
         w.dir.filePath("no/such/folder/log.txt"),
         {"Data Logging Options", "File Error"},
         true},
    };
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.device.clearLog();
        messages().clear();
        start(c.answer, c.file);
        QStringList titles;
        for (const auto& m : messages())
            titles << m.title;
        EXPECT_EQ(titles, c.titles);
        if (titles.size() == 2) {
            EXPECT_EQ(messages()[1].text,
                      "File: " + c.file + " could not be created.\r\nMonitoring will run without a data log.");
        }
        EXPECT_EQ(runState(), c.runs ? "running ticking STOP" : "running START");
        EXPECT_EQ(window->OffsetWritesEnabled(), c.runs); // nothing read, nothing to write back
        EXPECT_EQ(w.heard(), c.runs ? QStringList{"RT13"} : QStringList());
        EXPECT_EQ(background("txtLOG"), buttonFace());
        if (!c.runs)
            continue;
        tick();
        EXPECT_NE(text("lblRawDataStream"), "");
        messages().clear();
        window->cmdSTOP_Click();
        EXPECT_TRUE(messages().isEmpty()); // nothing to report
    }
}

TEST_F(MonitorWindowTest, StartReadsTheVoltageOffset)
{
    const std::tuple<int, int, const char*, QStringList> cases[] = {
        {0xF6, -10, "-0.049", {"RT13", "WT13F6"}}, // the moved slider's value goes back to the unit
        {0x80, -103, "-0.625", {"RT13"}},          // beyond the slider: shown, not written
        {0x7F, 103, "0.620", {"RT13"}},
    };
    for (const auto& [byte, position, shown, heard] : cases) {
        SCOPED_TRACE(byte);
        open();
        auto* slider = control<QScrollBar>("HScroll1");
        w.device.memory().setRegister(0x13, byte);
        w.device.clearLog();
        messages().clear();
        start(MsgAnswer::No);
        EXPECT_EQ(std::pair(slider->minimum(), slider->maximum()), std::pair(-103, 103));
        EXPECT_EQ(slider->value(), position);
        EXPECT_EQ(text("txtVoltageOffset"), shown);
        EXPECT_EQ(w.heard(), heard);
        EXPECT_EQ(w.device.memory().registerValue(0x13), byte);
        quit();
    }
}

TEST_F(MonitorWindowTest, OffsetReadFailureDoesNotStartAndArmsNoWrite)
{
    open();
    w.device.memory().setRegister(0x13, 0xF6);
    w.device.faults().negativeCommands = {"RT"};
    start(MsgAnswer::No);
    expectMessage(2, 1, MsgIcon::Exclamation, "Read Failure!",
                  "Unable to load Voltage Offset from VentrixTM. Please try again.");
    EXPECT_EQ(runState(), "running START");
    EXPECT_FALSE(window->OffsetWritesEnabled());

    // One click on the slider's arrow: the offset was never loaded, so
    // nothing may overwrite it, and sampling does not start either.
    w.device.clearLog();
    messages().clear();
    control<QScrollBar>("HScroll1")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(w.heard().isEmpty());
    EXPECT_EQ(w.device.memory().registerValue(0x13), 0xF6);
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(text("txtVoltageOffset"), "0.005");
}

// The user's moves write the register and check its echo; a value the
// program puts on the slider writes nothing.
TEST_F(MonitorWindowTest, OffsetSliderWritesOnlyTheUsersMovesAndChecksTheEcho)
{
    struct Case {
        const char* fault;
        bool byUser;
        int value;
        const char* sent;  // nothing when empty
        const char* shown; // the box afterwards
    } const cases[] = {
        {"", true, 5, "WT1305", "0.024"},
        {"", true, -1, "WT13FF", "-0.005"},
        {"", true, -103, "WT1399", "-0.503"},
        {"wrong-echo", true, 5, "WT1305", "0.000"}, // the previous offset stays
        {"negative=WT", true, 5, "WT1305", "0.000"},
        {"", false, 20, "", "0.098"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " " + std::to_string(c.value) + (c.byUser ? " user" : " program"));
        w.device.memory().setRegister(0x13, 0);
        open();
        start(MsgAnswer::No);
        SimFaults faults;
        if (*c.fault) {
            ASSERT_TRUE(faults.apply(QString::fromLatin1(c.fault), nullptr));
        }
        w.device.setFaults(faults);
        w.device.clearLog();
        messages().clear();
        // No sample request may come between the write and its echo.
        bool tickingDuringWrite = true;
        w.device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
            if (frame.contains("WT13"))
                tickingDuringWrite = window->Timer1()->isActive();
        });
        if (c.byUser)
            drag(c.value);
        else
            control<QScrollBar>("HScroll1")->setValue(c.value);
        w.device.setFrameListener({});

        QStringList sent = w.heard();
        sent.removeDuplicates(); // a refused write is tried again
        EXPECT_EQ(sent, *c.sent ? QStringList{c.sent} : QStringList());
        EXPECT_EQ(tickingDuringWrite, !*c.sent);
        EXPECT_TRUE(window->Timer1()->isActive());
        EXPECT_EQ(text("txtVoltageOffset"), c.shown);
        if (*c.fault) {
            expectMessage(1, 0, MsgIcon::Exclamation, "Write Failure!",
                          "Failed to Update Voltage Offset. Please try again.");
        } else {
            EXPECT_TRUE(messages().isEmpty());
        }
        w.device.setFaults({});
        quit();
    }
}

TEST_F(MonitorWindowTest, StopSendsTheBareStopOnlyToAUnitThatAnswered03)
{
    for (const char* code : {"01", "03"}) {
        SCOPED_TRACE(code);
        w.port->replies["Z"] = QString::fromLatin1(code);
        open();
        EXPECT_EQ(window->ProbeCode(), code);
        start(MsgAnswer::No);
        const int framesBefore = w.device.requestsHeard();
        LastFrame.clear();
        window->cmdSTOP_Click();
        EXPECT_EQ(w.device.requestsHeard(), framesBefore); // no framed request
        EXPECT_EQ(w.device.rawStopCount(), QString(code) == "03" ? 1 : 0);
        EXPECT_EQ(LastFrame, QString(code) == "03" ? "X" : "");
        quit();
        w.device.clearLog();
    }
}

TEST_F(MonitorWindowTest, QuitGivesTheMainWindowItsControlsBackAndANewWindowStartsCompact)
{
    open();
    start(MsgAnswer::No);
    tick();
    quit();
    for (const char* name : {"mnuMemory", "mnuVentrixRunItem", "mnuResetItem", "mnuDiagnostics", "cmdMemoryModify",
                             "cmdAccuracyTest", "cmdVentrixRun", "cmdDisconnect"})
        EXPECT_TRUE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(mdlMain::IsControlEnabled("cmdConnect")); // still connected
    EXPECT_TRUE(window.isNull());

    // A fresh window the next time, idle and compact; ADVANCED and BASIC switch its size.
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(text("lblMAFInputVoltage"), "0.000");
    EXPECT_EQ(window->height(), Twips(4650 - 375, window));
    window->cmdADVANCED_Click();
    EXPECT_EQ(window->height(), Twips(8325 - 375, window));
    EXPECT_EQ(std::pair(shownAndEnabled("cmdBASIC"), shownAndEnabled("cmdADVANCED")), std::pair(true, false));
    window->cmdBASIC_Click();
    EXPECT_EQ(window->height(), Twips(4650 - 375, window));
    EXPECT_EQ(std::pair(shownAndEnabled("cmdBASIC"), shownAndEnabled("cmdADVANCED")), std::pair(false, true));
}

TEST_F(MonitorWindowTest, FjoCalibrationAppliesFromTheNextSampleAndClearingKeepsSpeedAndRatio)
{
    open();
    WidebandModel = 9; // shows the wideband voltage itself
    w.port->replies["M"] = QStringLiteral("m01E001A400A4FF00B900A0570001");
    start(MsgAnswer::No);
    tick();
    EXPECT_EQ(text("lblAirFuelRatio"), "5.0");
    control<QScrollBar>("HScrollFJOCAL")->setValue(10);
    EXPECT_EQ(FJOCalibration, 10);
    EXPECT_EQ(w.settings.read("KESTREL", "Startup", "FJOCAL", "absent"), "10");
    tick();
    EXPECT_EQ(text("lblAirFuelRatio"), "5.2");

    // Cleared, the engine speed and air/fuel ratio keep what they last showed.
    window->ClearMonitorDisplay();
    const std::pair<const char*, const char*> cleared[] = {
        {"lblRawDataStream", ""},      {"lblMAFInputVoltage", "0.000"},
        {"lblOutputVoltage", "0.000"}, {"lblTPSVoltage", "0.000"},
        {"lblDelta", "00.0"},          {"lblDelta_F", "00.0"},
        {"lblTPangle", "00.0"},        {"lblInputFlow", "0"},
        {"lblOutputFlow", "0"},        {"txtRichOrLean", ""},
        {"lblEngineSpeed", "3,480"},   {"lblAirFuelRatio", "5.2"}};
    for (const auto& [name, shown] : cleared)
        EXPECT_EQ(text(name), shown) << name;
    EXPECT_FALSE(control("txtRichOrLean")->isEnabled());
    EXPECT_EQ(background("txtRichOrLean"), buttonFace());
}

// Contrast as displays show it: black on white is 21, equal colours 1.
TEST(ReadoutColourTest, TextIsChosenToReadOnItsColour)
{
    const std::tuple<QColor, QColor, double> cases[] = {
        {colours::Red, Qt::black, 5.25},    {colours::Green, Qt::black, 15.30},   {colours::Yellow, Qt::black, 19.56},
        {QColor(0, 0, 0), Qt::white, 21.0}, {QColor(0, 64, 0), Qt::white, 12.12},
    };
    for (const auto& [background, text, contrast] : cases) {
        SCOPED_TRACE(background.name().toStdString());
        EXPECT_EQ(colours::ReadableTextOn(background), text);
        EXPECT_NEAR(colours::ContrastRatio(text, background), contrast, 0.01);
    }
}

// Each sample's air/fuel band fills its readout, with text that reads on
// it; the squares of the full size (never shown) follow the samples too.
TEST_F(MonitorWindowTest, EveryAirFuelBandReadsAtAGlanceAndTheSquaresFollow)
{
    struct Case {
        const char* sample; // wideband byte at positions 14-15, TPS at 10-13, flip-chip at 28-29
        int model;
        const char* shown;
        QColor band;
        bool wideOpen;
        bool flipChip;
    } const cases[] = {
        {"m01E001A400A4CC00B900A0570001", 1, "12.0", colours::Green, false, false}, // 4.000 V
        {"m01E001A403FF1000B900A0570000", 0, "XXX", colours::Red, true, true},      // 0.314 V, TPS 5 V
    };
    w.main->findChild<frmIgnitionConfig*>()->SelectIgnitionType(1); // waste spark
    open();
    window->cmdADVANCED_Click();
    start(MsgAnswer::No);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        WidebandModel = c.model;
        w.port->replies["M"] = QString::fromLatin1(c.sample);
        tick();
        const QWidget* readout = control("lblAirFuelRatio");
        EXPECT_EQ(text("lblAirFuelRatio"), c.shown);
        EXPECT_EQ(background("lblAirFuelRatio"), c.band);
        EXPECT_TRUE(readout->autoFillBackground());
        EXPECT_GE(colours::ContrastRatio(readout->palette().color(QPalette::WindowText), c.band), 4.5);
        EXPECT_EQ(background("txtWOT"), c.wideOpen ? colours::Green : buttonFace());
        EXPECT_EQ(background("txtFlipChip"), c.flipChip ? colours::Green : buttonFace());
        EXPECT_EQ(background("txtMultiSpark"), buttonFace());
        EXPECT_EQ(background("txtWastedSpark"), colours::Green);
        for (const char* name : {"txtWOT", "txtWastedSpark", "txtMultiSpark", "txtFlipChip"})
            EXPECT_FALSE(control(name)->isVisible()) << name;
    }
    // The rich/lean box likewise.
    EXPECT_EQ(text("txtRichOrLean"), "LEAN");
    EXPECT_GE(
        colours::ContrastRatio(control("txtRichOrLean")->palette().color(QPalette::Text), background("txtRichOrLean")),
        4.5);
}

// Sampled as fast as the link answers: every sample is logged, the readouts
// are redrawn at most every 50 ms and show the last sample when the hold
// ends. A unit whose replies take longer than the 50 ms tick three samples
// running is sampled every 50 ms again, and the status line says so. The
// choice shown is the stored one; a pick is stored.
TEST_F(MonitorWindowTest, AtTheFastRateAUnitThatCannotKeepUpFallsBackTo50Ms)
{
    w.settings.write("KESTREL", "Startup", "SampleRate", "max");
    open();
    auto* choice = control<QComboBox>("cmbSampleRate");
    EXPECT_EQ(choice->currentText(), "as fast as the link answers");
    const QString path = w.dir.filePath("fast.txt");
    start(MsgAnswer::Yes, path);
    // MAF counts 0 to 8 (5 V / 1023 each), 8 ms apart: drawn at 0 and 56 ms.
    const QStringList volts{"0.000", "0.005", "0.010", "0.015", "0.020", "0.024", "0.029", "0.034", "0.039"};
    for (int i = 0; i < volts.size(); ++i) {
        w.port->replies["M"] = "m000" + QString::number(i) + "01A400A48000B900A0570001";
        w.clock.advance(8);
        window->Timer1_Timer();
        EXPECT_EQ(text("lblMAFInputVoltage"), volts[i < 7 ? 0 : 7]) << i;
    }
    QTimer* redraw = window->findChild<QTimer*>("RedrawTimer");
    ASSERT_TRUE(redraw->isActive());
    QTimerEvent due(redraw->timerId());
    QCoreApplication::sendEvent(redraw, &due);
    EXPECT_EQ(text("lblMAFInputVoltage"), "0.039");
    QStringList logged;
    for (const QByteArray& line : ReadFile(path).split('\n').mid(2, volts.size()))
        logged << QString::fromLatin1(line.split(',').value(1)).remove('"');
    EXPECT_EQ(logged, volts);

    w.port->replies.clear();
    w.device.faults().delayMs = 60;
    for (int late = 1; late <= 3; ++late) {
        EXPECT_EQ(window->Timer1()->interval(), 0) << late;
        tick();
        EXPECT_TRUE(control("lblMAFInputVoltage")->isEnabled()) << late; // each sample still taken
    }
    EXPECT_EQ(window->Timer1()->interval(), 50);
    EXPECT_EQ(w.main->statusBar()->currentMessage(),
              "The unit cannot keep up with the fast sampling: back to one sample every 50 ms.");
    EXPECT_EQ(runState(), "running logging ticking STOP");
    EXPECT_EQ(w.settings.read("KESTREL", "Startup", "SampleRate", ""), "max"); // for this run only

    choice->activated(0);
    EXPECT_EQ(w.settings.read("KESTREL", "Startup", "SampleRate", ""), "50 ms");
}

TEST(MonitorStartupTest, StoredModelAndCalibrationAreRestored)
{
    SimulatedWorld w;
    w.settings.write("KESTREL", "Startup", "WBO2", "12");
    w.settings.write("KESTREL", "Startup", "FJOCAL", "-10");
    RunStartupSequence(*w.main);
    ASSERT_TRUE(Connected);
    EXPECT_EQ(WidebandModel, 12);
    EXPECT_EQ(FJOCalibration, -10);
}

} // namespace
