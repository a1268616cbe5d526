#include "TunerTestSupport.h"

#include "tuner/CellSlider.h"

#include <QMouseEvent>
#include <QProgressBar>

#include <functional>

namespace {

using namespace mdlPublicVars;

const QColor DarkGreen(0, 128, 0);

// The registers a load reads after the table, for the table of tune 1's open loop.
const QStringList LoadRegistersO{"RT00", "RT01", "RT07", "RT08", "RT02", "RT03"};

TEST_F(TunerTest, OpensWithTheTableAndItsSettingsFromTheUnit)
{
    for (const auto& [entry, byte] : {std::pair{8, 0x7F}, {18, 0x80}, {28, 0xFF}, {38, 0x9C}, {48, 0x14}, {49, 0x07}})
        device.memory().setCell('O', entry, byte);
    // Register 02 never set (0): 19 lb/hr; 03 at 20, not in the list.
    for (const auto& [reg, byte] :
         {std::pair{0x00, 0x01}, {0x01, 0xFF}, {0x07, 0x4B}, {0x08, 0x96}, {0x02, 0}, {0x03, 20}})
        device.memory().setRegister(reg, byte);
    ASSERT_NE(open(), nullptr);

    EXPECT_EQ(heard(true), readsOf('O') + LoadRegistersO);
    EXPECT_EQ(window->CorrectionTable()[49], 7);
    // Beyond its reach a slider sits at its end; the box says what the entry holds, on orange.
    const QColor orange(255, 200, 140), white(255, 255, 255);
    const std::tuple<int, QString, QColor> shown[] = {{100, "127", orange},  {-100, "-128", orange}, {-1, "-1", white},
                                                      {-100, "-100", white}, {20, "20", white},      {0, "0", white}};
    for (int i = 0; i < 6; ++i) {
        const QString box = QStringLiteral("txtDelta_%1").arg(i);
        EXPECT_EQ(std::tuple(slider(i)->value(), text(box), background(box)), shown[i]) << i;
    }
    EXPECT_EQ(control("txtDelta_1")->palette().color(QPalette::Text), colours::Red);
    EXPECT_EQ(control("txtDelta_4")->palette().color(QPalette::Text), DarkGreen);
    EXPECT_EQ(text("lblRPM_24"), "4.90");

    EXPECT_EQ(text("txtTPSBreakpoint"), "2.495");
    EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 511);
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 511 / 1024.0f * 5);
    EXPECT_EQ(text("txtRPMON"), "3,000");
    EXPECT_EQ(text("txtRPMOFF"), "6,000");
    EXPECT_EQ((std::pair<int, int>(RpmSwitchOn, RpmSwitchOff)), std::pair(3000, 6000));
    EXPECT_EQ(text("cmbInjectors"), "19lb/hr");
    EXPECT_EQ(text("cmbEECInjectors"), "20lb/hr"); // not listed: its own number
    EXPECT_EQ((std::pair<int, int>(InstalledInjectorSize, EecInjectorSize)), std::pair(19, 20));
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 20.0 / 19.0);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{20, 19}));

    EXPECT_TRUE(window->SliderEventsArmed());
    EXPECT_FALSE(window->OnLine());
    EXPECT_EQ(window->OpenLoopTable(), 1);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(mdlMain::ProgressBar()->value(), 0);
    for (const char* name : {"cmdGraphicalTune", "mnuMemory", "cmdConnect", "cmdDisconnect", "cmdVentrixRun"})
        EXPECT_FALSE(mdlMain::IsControlEnabled(QString::fromLatin1(name))) << name;
}

TEST_F(TunerTest, TuneTwoExistsOnPlusUnitsOnly)
{
    device.memory().setStageCode(VentrixMemory::BaseStageCode);
    main->LoadConfigurationAtStartup();
    ASSERT_FALSE(IsPlusStage);
    open();
    for (const char* name : {"optTableSelect_2", "optTableSelect_3", "HScroll2", "HScroll3", "txtRPMON", "txtRPMOFF"})
        EXPECT_FALSE(control(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(control("optTableSelect_1")->isEnabled());
    goOnline(); // going on line enables no tune 2 control
    EXPECT_FALSE(control("optTableSelect_2")->isEnabled() || control("HScroll2")->isEnabled());
}

// Choosing another table reads it, with the injector registers of its kind.
TEST_F(TunerTest, EachTableOptionLoadsItsOwnTable)
{
    struct Case {
        int index;
        char letter;
        int installedRegister, eecRegister, installed, eec;
        const char *installedRead, *eecRead, *installedShown;
    } const cases[] = {{1, 'C', 0x04, 0x05, 24, 48, "RT04", "RT05", "24lb/hr"},
                       {2, 'H', 0x0A, 0x0B, 16, 24, "RT0A", "RT0B", "16lb/hr"},
                       {3, 'L', 0x0C, 0x0D, 62, 93, "RT0C", "RT0D", "62lb/hr"}};
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        device.memory().setCell(c.letter, 128, 0xF0);
        device.memory().setRegister(c.installedRegister, c.installed);
        device.memory().setRegister(c.eecRegister, c.eec);
        heard();
        window->optTableSelect(c.index)->click();
        EXPECT_EQ(heard(),
                  readsOf(c.letter) + QStringList({"RT00", "RT01", "RT07", "RT08", c.installedRead, c.eecRead}));
        EXPECT_EQ(window->CorrectionTable()[128], -16);
        EXPECT_EQ(slider(12)->value(), -16);
        EXPECT_EQ(text("cmbInjectors"), QString::fromLatin1(c.installedShown));
        EXPECT_DOUBLE_EQ(InjectorRatioCL, double(c.eec) / c.installed);
    }
}

TEST_F(TunerTest, CellsMoveWithTheSliderOffset)
{
    for (int j = 0; j < 256; ++j)
        device.memory().setCell('O', j, j == 253 ? 0x80 : j % 100); // 253 at -128, beyond the slider
    open();
    heard();
    QScrollBar* offset = bar("HScroll4");

    move(offset, 200);
    EXPECT_EQ(slider(24)->value(), -100);
    EXPECT_EQ(slider(0)->value(), 13);
    EXPECT_EQ(text("lblRPM_24"), "5.00");
    move(offset, -200);
    EXPECT_EQ(slider(24)->value(), 43);

    // The bar's value snaps to whole entries (SnapOffset): 21 is one entry up.
    move(offset, 21);
    EXPECT_EQ(window->SliderOffset(), 40);
    EXPECT_EQ(offset->value(), 21);
    EXPECT_EQ(slider(0)->value(), 9);

    EXPECT_TRUE(heard(true).isEmpty()); // off line nothing reaches the unit
    EXPECT_TRUE(window->SliderEventsArmed());
}

// A reply naming another entry is a failed read too.
TEST_F(TunerTest, EachFailedReadOfALoadIsToldAndLeavesTheSlidersDisarmed)
{
    const struct {
        const char *request, *reply, *text;
    } cases[] = {
        {"RO10", "ro1112", "Unable to load slider values from VentrixTM. Please try manual update."},
        {"RT00", "", "Unable to load TPS Breakpoint from VentrixTM. Please try manual update."},
        {"RT01", "", "Unable to load TPS Breakpoint from VentrixTM. Please try manual read."},
        {"RT07", "", "Unable to load RPM SWITCH ON from VentrixTM. Please try manual read."},
        {"RT08", "", "Unable to load RPM SWITCH OFF from VentrixTM. Please try manual read."},
        {"RT02", "", "Unable to load Injector Size from VentrixTM."},
        {"RT03", "", "Unable to load EEC Injectors from VentrixTM."},
    };
    open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        port->replies.clear();
        port->replies[QString::fromLatin1(c.request)] = QString::fromLatin1(c.reply);
        messages().clear();
        window->cmdLoadTable_Click();
        ASSERT_EQ(messageTexts(), QStringList{QString::fromLatin1(c.text)});
        EXPECT_EQ(titled(0), std::pair(QStringLiteral("Read Failure!"), MsgIcon::Exclamation));
        EXPECT_FALSE(window->SliderEventsArmed());
    }

    // Entry 100 refused: the entries before it are the unit's, the rest and
    // the sliders as they were, and a slider move changes nothing.
    port->replies.clear();
    for (int j = 0; j < 256; ++j)
        device.memory().setCell('O', j, j < 128 ? 5 : 0);
    window->cmdLoadTable_Click();
    for (int j = 0; j < 256; ++j)
        device.memory().setCell('O', j, -7 & 0xFF);
    port->replies["RO64"] = "";
    heard();
    window->cmdLoadTable_Click();
    EXPECT_EQ(heard().size(), 100);
    const tuner::Table& table = window->CorrectionTable();
    EXPECT_EQ(table[99], -7);
    EXPECT_EQ(table[100], 5);
    EXPECT_EQ(table[128], 0);
    EXPECT_EQ(slider(3)->value(), 5);
    move(slider(3), 40);
    EXPECT_EQ(table[38], -7);
    EXPECT_EQ(text("txtDelta_3"), "5");

    port->replies.clear();
    window->cmdLoadTable_Click();
    EXPECT_TRUE(window->SliderEventsArmed());
    EXPECT_EQ(slider(3)->value(), -7);
}

TEST_F(TunerTest, ASliderMoveWritesItsLineDownThenUpOnLineOnly)
{
    open();
    heard();
    move(slider(5), 20);
    EXPECT_TRUE(heard(true).isEmpty());
    EXPECT_EQ(window->CorrectionTable()[58], 20);
    EXPECT_EQ(window->CorrectionTable()[67], 2);
    EXPECT_EQ(device.memory().cell('O', 58), 0);
    move(slider(5), 0);

    goOnline();
    heard();
    move(slider(5), 20);
    EXPECT_EQ(
        heard(),
        QStringList({"WO3A14", "WO3912", "WO3810", "WO370E", "WO360C", "WO350A", "WO3408", "WO3306", "WO3204", "WO3102",
                     "WO3B12", "WO3C10", "WO3D0E", "WO3E0C", "WO3F0A", "WO4008", "WO4106", "WO4204", "WO4302"}));
    EXPECT_EQ(device.memory().cell('O', 58), 20);
    EXPECT_EQ(text("txtDelta_5"), "20");

    move(slider(7), -10);
    EXPECT_EQ(heard().first(), "WO4EF6");
    EXPECT_EQ(device.memory().cell('O', 78), 0xF6);
}

TEST_F(TunerTest, AValueSetByTheProgramWritesNothing)
{
    open();
    goOnline();
    messages().clear();
    const tuner::Table before = window->CorrectionTable();
    heard();
    slider(5)->setValue(20);
    slider(0)->setValue(-100);
    for (const auto& [name, value] :
         {std::pair{"HScroll1", 100}, {"HScroll2", 4000}, {"HScroll3", 4400}, {"HScroll4", 40}})
        bar(name)->setValue(value);
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_EQ(window->CorrectionTable(), before);
    EXPECT_EQ(window->SliderOffset(), 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(TunerTest, AThumbDragOnLineWritesTheLatestPosition)
{
    open();
    goOnline();
    heard();
    QScrollBar* cell = slider(10);
    cell->setSliderDown(true);
    for (const int value : {10, 20, 30})
        move(cell, value);
    EXPECT_TRUE(heard().isEmpty());
    QCoreApplication::processEvents();
    QStringList writes = heard();
    ASSERT_EQ(writes.size(), 19);
    EXPECT_EQ(writes.first(), "WO6C1E"); // entry 108 at 30

    move(cell, 40);
    cell->setSliderDown(false); // let go before the window caught up
    writes = heard();
    ASSERT_EQ(writes.size(), 19);
    EXPECT_EQ(writes.first(), "WO6C28");
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_EQ(device.memory().cell('O', 108), 40);
}

// Told once the slider's handler is done; the slider shows the value read back.
TEST_F(TunerTest, ARefusedSliderWriteShowsWhatTheUnitHolds)
{
    open();
    goOnline();
    heard();
    messages().clear();
    device.faults().wrongEcho = true; // stores 15 for 14, and says so
    move(slider(5), 20);
    EXPECT_EQ(heard().first(), "WO3A14");
    EXPECT_TRUE(messages().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(messageTexts(), QStringList({"Failed to Update Slider Value. Please try a manual update."}));
    EXPECT_EQ(messages()[0].title, "Write Failure!");
    EXPECT_EQ(window->CorrectionTable()[58], 21);
    EXPECT_EQ(slider(5)->value(), 21);
    EXPECT_EQ(text("txtDelta_5"), "21");
    EXPECT_TRUE(Connected);
}

// The refused step ends the move, and the box comes once, after the press.
TEST_F(TunerTest, ARefusedWriteEndsAHeldArrowsMove)
{
    open();
    goOnline();
    heard();
    messages().clear();
    device.faults().refuseWrites = true;
    QScrollBar* bar = slider(5); // 1.10 V, entry 3A
    const QPoint up = partCentre(bar, QStyle::SC_ScrollBarSubLine);
    const auto mouse = [&](QEvent::Type type) {
        QMouseEvent event(type, QPointF(up), bar->mapToGlobal(QPointF(up)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &event);
    };
    mouse(QEvent::MouseButtonPress);
    EXPECT_TRUE(messages().isEmpty());
    auto* cell = dynamic_cast<CellSlider*>(bar);
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->repeating()); // the held arrow steps no further
    QCoreApplication::processEvents();
    // One step (-1) tried with all its attempts, then read back.
    EXPECT_EQ(heard(), QStringList(25, "WO3AFF") << "RO3A");
    EXPECT_EQ(messageTexts(), QStringList({"Failed to Update Slider Value. Please try a manual update."}));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(text("txtDelta_5"), "0");
    EXPECT_EQ(window->CorrectionTable()[0x3A], 0);

    // The unit accepts again: the next press steps once and writes its line.
    device.faults().refuseWrites = false;
    mouse(QEvent::MouseButtonPress);
    const QStringList writes = heard();
    ASSERT_EQ(writes.size(), 19);
    EXPECT_EQ(writes.first(), "WO3AFF");
    EXPECT_EQ(bar->value(), -1);
    mouse(QEvent::MouseButtonRelease);
    EXPECT_EQ(messages().size(), 1);
}

// The lost link is told once, the sliders keep what the unit holds.
TEST_F(TunerTest, ASilentUnitEndsAnOnLineEditAtItsFirstWrite)
{
    struct Case {
        const char* name;
        std::function<void(frmGraphicalTune*)> edit;
        const char *firstWrite, *readBack;
    } const cases[] = {
        {"5% RICH", [](frmGraphicalTune* w) { w->cmdRich_Click(); }, "WO0005", "RO00"},
        {"ZERO", [](frmGraphicalTune* w) { w->cmdZero_Click(); }, "WO2600", "RO26"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.faults().silent = false;
        main->cmdConnect_Click();
        ASSERT_TRUE(Connected);
        open();
        goOnline();
        move(slider(3), 10); // entry 26 at 10, for ZERO to move
        heard();
        messages().clear();
        device.faults().silent = true;
        const qint64 started = clock.nowMs();

        c.edit(window);
        QCoreApplication::processEvents();
        EXPECT_EQ(heard(), QStringList(25, c.firstWrite) + QStringList(25, c.readBack));
        EXPECT_EQ(messageTexts(), QStringList({"Failed to Update Slider Value. Please try a manual update."}));
        EXPECT_TRUE(window->Session().reconnecting());
        // The write's 25 attempts of 10 s, the wait for its owed replies (half
        // a 10 s time-out and 0.1 s), the read back's 25 attempts of 0.5 s.
        EXPECT_EQ(clock.nowMs() - started, 250'000 + 5'100 + 12'500);
        EXPECT_FALSE(Connected);
        EXPECT_EQ(slider(3)->value(), 10);
        EXPECT_EQ(text("txtDelta_3"), "10");
        EXPECT_EQ(slider(0)->value(), 0);
        EXPECT_EQ(window->CorrectionTable()[0], 0);
        EXPECT_FALSE(slider(0)->isEnabled());
        // QUIT while the unit is looked for: the main window not connected.
        quit();
        EXPECT_EQ(main->windowTitle(), "Not Connected");
        EXPECT_TRUE(main->findChild<QLineEdit*>("txtConnected")->text().isEmpty());
    }
}

TEST_F(TunerTest, OnlineWritesTheSettingsShownThenReadsTheTable)
{
    open();
    move(bar("HScroll2"), 2000);
    move(bar("HScroll1"), 700);
    heard();
    dialogs.answerNext(MsgAnswer::No);
    window->cmdONLINE_Click();
    EXPECT_FALSE(window->OnLine());
    EXPECT_TRUE(heard(true).isEmpty());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Connect to VentrixTM");
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No); // Yes writes to the unit

    // On line, the live timer running, ON LINE hidden, SAVE TABLE and the injector list disabled.
    const auto state = [&] {
        return std::tuple(window->OnLine(), window->Timer1()->isActive(), control("cmdONLINE")->isHidden(),
                          control("cmdSaveChanges")->isEnabled(), control("cmbInjectors")->isEnabled());
    };
    goOnline();
    EXPECT_EQ(heard(true), QStringList({"WT0732", "WT0896", "WT0002", "WT01BC"}) + readsOf('O') + LoadRegistersO);
    EXPECT_EQ(state(), std::tuple(true, true, true, false, false));
    // The table and registers just read are kept as a backup, as the unit holds them.
    const QList<tunefile::BackupFile> kept = tunefile::ListBackups(tunefile::BackupFolder());
    ASSERT_EQ(kept.size(), 1);
    const std::optional<tunefile::Tune> backup = tunefile::ReadBackup(kept[0].path);
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->entryCount(), 256 + 6);
    for (int j = 0; j < 256; ++j)
        ASSERT_EQ(backup->value({'O', j}), device.memory().cell('O', j)) << j;
    for (const int reg : {0x00, 0x01, 0x02, 0x03, 0x07, 0x08})
        EXPECT_EQ(backup->value({'T', reg}), device.memory().registerValue(reg)) << reg;
    EXPECT_EQ(text("txtTPSBreakpoint"), "3.418");

    tick();
    window->cmdOFFLINE_Click();
    EXPECT_EQ(state(), std::tuple(false, false, false, true, true));
    EXPECT_TRUE(text("txtLoopMode").isEmpty());
    for (const char* name :
         {"lblDelta_F", "lblInputFlow", "lblOutputFlow", "lblTPangle", "lblTPSVoltage", "lblEngineSpeed"})
        EXPECT_EQ(text(QString::fromLatin1(name)), "0") << name;
    EXPECT_EQ(window->ActiveCell(), -1);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(background(QStringLiteral("lblRPM_%1").arg(i)), buttonFace());

    // Off line again, slider moves stay in the window.
    heard();
    move(slider(0), 9);
    EXPECT_TRUE(heard(true).isEmpty());
}

TEST_F(TunerTest, BreakpointAndSwitchPointsGoToTheUnitOnLine)
{
    open();
    goOnline();
    heard();
    move(bar("HScroll1"), 1023);
    EXPECT_EQ(heard(), QStringList({"WT0003", "WT01FF"}));
    EXPECT_EQ(text("txtTPSBreakpoint"), "4.995");
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 1023 / 1024.0f * 5);
    move(bar("HScroll2"), 3040);
    EXPECT_EQ(heard(), QStringList({"WT074C"}));
    EXPECT_EQ(text("txtRPMON"), "3,040");
    move(bar("HScroll3"), 6400);
    EXPECT_EQ(heard(), QStringList({"WT08A0"}));
    EXPECT_EQ(text("txtRPMOFF"), "6,400");
    EXPECT_EQ(RpmSwitchOff, 6400);

    // The offset on line reads the whole table again, and writes nothing.
    move(bar("HScroll4"), 80);
    EXPECT_EQ(heard(), readsOf('O') + LoadRegistersO);
    EXPECT_TRUE(window->SliderEventsArmed());

    messages().clear();
    port->replies["WT00"] = "";
    move(bar("HScroll1"), 100);
    port->replies["WT07"] = "";
    move(bar("HScroll2"), 4000);
    EXPECT_EQ(messageTexts(),
              QStringList({"Failed to Update TPS Breakpoint Value. Please try a manual update.",
                           "Failed to Update RPM Switch Activation. Please try a manual update."}));
    EXPECT_EQ(messages()[0].title, "Write Failure!");
    EXPECT_EQ(text("txtTPSBreakpoint"), "4.995");
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 1023 / 1024.0f * 5);
    EXPECT_EQ(text("txtRPMON"), "3,040");
}

} // namespace
