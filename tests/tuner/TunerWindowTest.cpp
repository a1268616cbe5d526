#include "TunerTestSupport.h"

#include "tunefile/TuneHistory.h"
#include "tunefile/frmTableSaveSelection.h"
#include "tuner/CellSlider.h"

#include <QMouseEvent>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <functional>

namespace {

using namespace mdlPublicVars;

const QColor DarkGreen(0, 128, 0);

QStringList Payloads(std::initializer_list<const char*> list)
{
    QStringList payloads;
    for (const char* p : list)
        payloads << QString::fromLatin1(p);
    return payloads;
}

// The registers a load reads after the table, for the table of tune 1's open loop.
const QStringList LoadRegistersO = Payloads({"RT00", "RT01", "RT07", "RT08", "RT02", "RT03"});

// The reads of registers 00 to 13, as a backup of the whole unit ends.
QStringList registerReads()
{
    QStringList reads;
    for (int reg = 0; reg < 0x14; ++reg)
        reads << QStringLiteral("RT") + frame::HexByte(reg);
    return reads;
}

TEST_F(TunerTest, OpensWithTheTableAndItsSettingsFromTheUnit)
{
    VentrixMemory& memory = device.memory();
    memory.setCell('O', 8, 0x7F);
    memory.setCell('O', 18, 0x80);
    memory.setCell('O', 28, 0xFF);
    memory.setCell('O', 38, 0x9C);
    memory.setCell('O', 48, 0x14);
    memory.setCell('O', 49, 0x07);
    memory.setRegister(0x00, 0x01);
    memory.setRegister(0x01, 0xFF);
    memory.setRegister(0x07, 0x4B);
    memory.setRegister(0x08, 0x96);
    memory.setRegister(0x02, 0);  // never set: 19 lb/hr
    memory.setRegister(0x03, 20); // not in the list
    ASSERT_NE(open(), nullptr);

    EXPECT_EQ(heard(true), readsOf('O') + LoadRegistersO);
    EXPECT_EQ(window->CorrectionTable()[49], 7);
    // Beyond its reach a slider sits at its end; the box says what the entry
    // holds, on orange.
    const QColor orange(255, 200, 140);
    const QColor white(255, 255, 255);
    const struct {
        int slider;
        const char* box;
        QColor ground;
    } shown[] = {{100, "127", orange},  {-100, "-128", orange}, {-1, "-1", white},
                 {-100, "-100", white}, {20, "20", white},      {0, "0", white}};
    for (int i = 0; i < 6; ++i) {
        const QString box = QStringLiteral("txtDelta_%1").arg(i);
        EXPECT_EQ(slider(i)->value(), shown[i].slider) << i;
        EXPECT_EQ(text(box), shown[i].box) << i;
        EXPECT_EQ(background(box), shown[i].ground) << i;
    }
    EXPECT_EQ(control("txtDelta_1")->palette().color(QPalette::Text), colours::Red);
    EXPECT_EQ(control("txtDelta_4")->palette().color(QPalette::Text), DarkGreen);
    EXPECT_EQ(text("lblRPM_0"), "0.10");
    EXPECT_EQ(text("lblRPM_24"), "4.90");

    EXPECT_EQ(text("txtTPSBreakpoint"), "2.495");
    EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 511);
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 511 / 1024.0f * 5);
    EXPECT_EQ(text("txtRPMON"), "3,000");
    EXPECT_EQ(text("txtRPMOFF"), "6,000");
    EXPECT_EQ(RpmSwitchOn, 3000);
    EXPECT_EQ(RpmSwitchOff, 6000);
    EXPECT_EQ(text("cmbInjectors"), "19lb/hr");
    EXPECT_EQ(text("cmbEECInjectors"), "20lb/hr"); // not listed: its own number
    EXPECT_EQ(InstalledInjectorSize, 19);
    EXPECT_EQ(EecInjectorSize, 20);
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 20.0 / 19.0);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{20, 19}));

    EXPECT_TRUE(window->SliderEventsArmed());
    EXPECT_FALSE(window->OnLine());
    EXPECT_EQ(window->TableLetter(), 'O');
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
    goOnline();
    EXPECT_FALSE(control("optTableSelect_2")->isEnabled());
    EXPECT_FALSE(control("HScroll2")->isEnabled());
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
        EXPECT_EQ(heard(), readsOf(c.letter) + Payloads({"RT00", "RT01", "RT07", "RT08", c.installedRead, c.eecRead}));
        EXPECT_EQ(window->CorrectionTable()[128], -16);
        EXPECT_EQ(slider(12)->value(), -16);
        EXPECT_EQ(text("cmbInjectors"), QString::fromLatin1(c.installedShown));
        EXPECT_DOUBLE_EQ(InjectorRatioCL, double(c.eec) / c.installed);
    }
}

TEST_F(TunerTest, CellsMoveWithTheSliderOffset)
{
    VentrixMemory& memory = device.memory();
    for (int j = 0; j < 256; ++j)
        memory.setCell('O', j, j % 100);
    memory.setCell('O', 253, 0x80); // -128, beyond the slider
    open();
    heard();
    QScrollBar* offset = control<QScrollBar>("HScroll4");

    move(offset, 200);
    EXPECT_EQ(window->SliderOffset(), 200);
    EXPECT_EQ(slider(24)->value(), -100);
    EXPECT_EQ(window->CorrectionTable()[253], -128);
    EXPECT_EQ(slider(0)->value(), 13);
    EXPECT_EQ(text("lblRPM_0"), "0.20");
    EXPECT_EQ(text("lblRPM_24"), "5.00");

    move(offset, -200);
    EXPECT_EQ(slider(0)->value(), 3);
    EXPECT_EQ(slider(24)->value(), 43);
    EXPECT_EQ(text("lblRPM_0"), "0.00");

    // The bar's value snaps to whole entries (SnapOffset): 21 is one entry up.
    move(offset, 21);
    EXPECT_EQ(window->SliderOffset(), 40);
    EXPECT_EQ(offset->value(), 21);
    EXPECT_EQ(slider(0)->value(), 9);

    // Off line nothing reaches the unit, and nothing is written back.
    EXPECT_TRUE(heard(true).isEmpty());
    EXPECT_EQ(memory.cell('O', 253), 0x80);
    EXPECT_TRUE(window->SliderEventsArmed());
}

// Each failed read of a load is told and ends it, the sliders disarmed; a
// reply naming another entry is a failure too.
TEST_F(TunerTest, EachFailedReadOfALoadIsToldAndLeavesTheSlidersDisarmed)
{
    const QString slidersFailed =
        QStringLiteral("Unable to load slider values from VentrixTM. Please try manual update.");
    const struct {
        const char* request;
        const char* reply;
        QString text;
    } cases[] = {
        {"RO10", "ro1112", slidersFailed},
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
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, "Read Failure!");
        EXPECT_EQ(messages()[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(messages()[0].text, c.text);
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

// A slider move writes its entry and those between it and its neighbours,
// down from the cell then up; off line only the window's table changes.
TEST_F(TunerTest, ASliderMoveWritesItsLineDownThenUpOnLineOnly)
{
    open();
    heard();
    move(slider(5), 20);
    EXPECT_TRUE(heard(true).isEmpty());
    EXPECT_EQ(window->CorrectionTable()[58], 20);
    EXPECT_EQ(window->CorrectionTable()[49], 2);
    EXPECT_EQ(window->CorrectionTable()[67], 2);
    EXPECT_EQ(device.memory().cell('O', 58), 0);
    move(slider(5), 0);

    goOnline();
    heard();
    move(slider(5), 20);
    EXPECT_EQ(
        heard(),
        Payloads({"WO3A14", "WO3912", "WO3810", "WO370E", "WO360C", "WO350A", "WO3408", "WO3306", "WO3204", "WO3102",
                  "WO3B12", "WO3C10", "WO3D0E", "WO3E0C", "WO3F0A", "WO4008", "WO4106", "WO4204", "WO4302"}));
    EXPECT_EQ(device.memory().cell('O', 58), 20);
    EXPECT_EQ(device.memory().cell('O', 49), 2);
    EXPECT_EQ(device.memory().cell('O', 48), 0);
    EXPECT_EQ(device.memory().cell('O', 68), 0);
    EXPECT_EQ(text("txtDelta_5"), "20");
    EXPECT_TRUE(window->Timer1()->isActive());

    move(slider(7), -10);
    EXPECT_EQ(heard().first(), "WO4EF6");
    EXPECT_EQ(device.memory().cell('O', 78), 0xF6);
}

// A value the program sets on a slider or bar, on line, writes nothing to
// the unit and leaves the window's table as it is: only the user's moves write.
TEST_F(TunerTest, AValueSetByTheProgramWritesNothing)
{
    open();
    goOnline();
    messages().clear();
    const tuner::Table before = window->CorrectionTable();
    const VentrixMemory unit = device.memory();
    heard();
    slider(5)->setValue(20);
    slider(0)->setValue(-100);
    bar("HScroll1")->setValue(100);
    bar("HScroll2")->setValue(4000);
    bar("HScroll3")->setValue(4400);
    bar("HScroll4")->setValue(40);
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard().isEmpty());
    EXPECT_TRUE(device.memory() == unit);
    EXPECT_EQ(window->CorrectionTable(), before);
    EXPECT_EQ(window->SliderOffset(), 0);
    EXPECT_TRUE(messages().isEmpty());
}

// A thumb drag on line writes the latest position it reached, and always
// the one it ends at.
TEST_F(TunerTest, AThumbDragOnLineWritesTheLatestPosition)
{
    open();
    goOnline();
    heard();
    QScrollBar* cell = slider(10);
    cell->setSliderDown(true);
    move(cell, 10);
    move(cell, 20);
    move(cell, 30);
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

// A refused slider write is told once the slider's handler is done; the
// slider shows what the unit holds, read back. (With no answer to that, the
// value it last confirmed and the link lost: AWriteCaughtByTheLossIsSettledByTheUser.)
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
    EXPECT_EQ(window->CorrectionTable()[57], 0);
    EXPECT_EQ(slider(5)->value(), 21);
    EXPECT_EQ(text("txtDelta_5"), "21");
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_TRUE(Connected);
}

// The up arrow of a slider pressed and held while the unit refuses writes:
// the refused step ends the move, and the box comes once, after the press.
TEST_F(TunerTest, ARefusedWriteEndsAHeldArrowsMove)
{
    open();
    goOnline();
    heard();
    messages().clear();
    device.faults().refuseWrites = true;
    QScrollBar* bar = slider(5); // 1.10 V, entry 3A
    const QPoint up = partCentre(bar, QStyle::SC_ScrollBarSubLine);
    const auto press = [&] {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(up), bar->mapToGlobal(QPointF(up)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &event);
    };

    press();
    EXPECT_TRUE(messages().isEmpty());
    auto* cell = dynamic_cast<CellSlider*>(bar);
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->repeating()); // the held arrow steps no further
    QCoreApplication::processEvents();
    // One step (-1) tried with all its attempts, then read back.
    QStringList expected;
    for (int attempt = 0; attempt < 25; ++attempt)
        expected << QStringLiteral("WO3AFF");
    expected << QStringLiteral("RO3A");
    EXPECT_EQ(heard(), expected);
    EXPECT_EQ(messageTexts(), QStringList({"Failed to Update Slider Value. Please try a manual update."}));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(text("txtDelta_5"), "0");
    EXPECT_EQ(window->CorrectionTable()[0x3A], 0);

    // The unit accepts again: the next press steps once and writes its line.
    device.faults().refuseWrites = false;
    press();
    const QStringList writes = heard();
    ASSERT_EQ(writes.size(), 19);
    EXPECT_EQ(writes.first(), "WO3AFF");
    EXPECT_EQ(bar->value(), -1);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(up), bar->mapToGlobal(QPointF(up)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
    EXPECT_EQ(messages().size(), 1);
}

// The unit falls silent as an edit of every cell begins on line: its first
// write ends it, the lost link is told once, the sliders keep what the unit holds.
TEST_F(TunerTest, ASilentUnitEndsAnOnLineEditAtItsFirstWrite)
{
    struct Case {
        const char* name;
        std::function<void(frmGraphicalTune*)> edit;
        const char* firstWrite;
        const char* readBack;
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
        QStringList expected;
        for (int attempt = 0; attempt < 25; ++attempt)
            expected << QString::fromLatin1(c.firstWrite);
        for (int attempt = 0; attempt < 25; ++attempt)
            expected << QString::fromLatin1(c.readBack);
        EXPECT_EQ(heard(), expected);
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

// Saves into the tune picked in the selection window, then shows what the
// unit holds there.
class SaveTableTest : public TunerTest {
protected:
    // The user's answer in the selection window once it is open: an option
    // and SAVE, or QUIT (index -1), or its close button (index -2).
    void answerSelection(int index)
    {
        QTimer::singleShot(0, main.get(), [this, index] {
            auto* selection = main->findChild<frmTableSaveSelection*>();
            ASSERT_NE(selection, nullptr);
            if (index == -2) {
                selection->close();
            } else if (index < 0) {
                selection->cmdQuitSaveTable_Click();
            } else {
                selection->optSaveTableSelect(index)->setChecked(true);
                selection->cmdSaveTable_Click();
            }
        });
    }
};

TEST_F(SaveTableTest, SaveTableWritesTheWholeMapIntoTheChosenTune)
{
    struct Case {
        int index;
        char letter;
        int installedRegister, eecRegister;
    } const cases[] = {{0, 'O', 0x02, 0x03}, {1, 'C', 0x04, 0x05}, {2, 'H', 0x0A, 0x0B}, {3, 'L', 0x0C, 0x0D}};
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letter);
        // An edited table and settings off line.
        move(slider(c.index + 3), -30 - c.index);
        move(control<QScrollBar>("HScroll1"), 600 + c.index);
        move(control<QScrollBar>("HScroll2"), 2400);
        move(control<QScrollBar>("HScroll3"), 7000);
        InstalledInjectorSize = 24;
        EecInjectorSize = 30 + c.index;
        const tuner::Table edited = window->CorrectionTable();
        heard();
        messages().clear();

        answerSelection(c.index);
        window->cmdSaveChanges_Click();

        QStringList writes;
        for (int j = 0; j < 256; ++j)
            writes << QStringLiteral("W%1%2%3")
                          .arg(QLatin1Char(c.letter))
                          .arg(frame::HexByte(j))
                          .arg(frame::HexByte(edited[j] & 0xFF));
        const int count = 600 + c.index;
        writes << QStringLiteral("WT00") + frame::HexByte(count >> 8) << QStringLiteral("WT01") + frame::HexByte(count)
               << QStringLiteral("WT") + frame::HexByte(c.installedRegister) + "18"
               << QStringLiteral("WT") + frame::HexByte(c.eecRegister) + frame::HexByte(30 + c.index) << "WT073C"
               << "WT08AF";
        const QStringList asked = heard();
        // The whole unit is backed up first.
        EXPECT_EQ(asked.mid(0, 1044), readsOf('C') + readsOf('O') + readsOf('L') + readsOf('H') + registerReads());
        EXPECT_EQ(tunefile::ListBackups(tunefile::BackupFolder()).size(), c.index + 1);
        EXPECT_EQ(asked.mid(1044, 262), writes);
        // Then the chosen table is read back from the unit.
        EXPECT_EQ(asked.mid(1044 + 262, 256), readsOf(c.letter));
        ASSERT_GE(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, "Write Successful!");
        EXPECT_EQ(messages()[0].text, "Map write successful.");
        EXPECT_EQ(messages()[0].icon, MsgIcon::Exclamation);
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(device.memory().cell(c.letter, j), edited[j] & 0xFF) << j;
        EXPECT_TRUE(window->optTableSelect(c.index)->isChecked());
        EXPECT_EQ(window->TableLetter(), c.letter);
        EXPECT_EQ(window->CorrectionTable(), edited);
        EXPECT_EQ(mdlMain::ProgressBar()->value(), 0);
        EXPECT_TRUE(control("cmdSaveChanges")->isEnabled());
        // The history holds the backup, then the unit as it now is: the backup with what was written.
        tune_history::History history;
        const std::optional<tune_history::Record> saved = history.numbered(1);
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->source, tune_history::Source::SaveTable);
        EXPECT_EQ(saved->tune.entryCount(), 1044);
        EXPECT_EQ(saved->tune.value({c.letter, 0x10}), edited[0x10] & 0xFF);
        EXPECT_EQ(saved->tune.value({'T', 0x07}), 0x3C);
        EXPECT_EQ(saved->tune.value({'T', c.eecRegister}), 30 + c.index);
        EXPECT_EQ(history.numbered(2)->source, tune_history::Source::Backup);
    }
}

TEST_F(SaveTableTest, TheBackupHoldsTheUnitAsItWasAndAFailedOneStopsTheSave)
{
    open();
    const VentrixMemory before = device.memory();
    move(slider(5), 40);
    answerSelection(0);
    // The backup lets window events run: SAVE TABLE and ON LINE wait meanwhile.
    bool frozenDuringBackup = false;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("RL80"))
            frozenDuringBackup = !control("cmdSaveChanges")->isEnabled() && !control("cmdONLINE")->isEnabled();
    });
    window->cmdSaveChanges_Click();
    device.setFrameListener({});
    EXPECT_TRUE(frozenDuringBackup);
    ASSERT_EQ(messages().size(), 1);
    const QList<tunefile::BackupFile> made = tunefile::ListBackups(tunefile::BackupFolder());
    ASSERT_EQ(made.size(), 1);
    const std::optional<tunefile::Tune> backup = tunefile::ReadBackup(made[0].path);
    ASSERT_TRUE(backup);
    for (int j = 0; j < 256; ++j)
        ASSERT_EQ(backup->value({'O', j}), before.cell('O', j)) << j;
    EXPECT_EQ(backup->value({'T', 0x07}), before.registerValue(0x07));
    EXPECT_FALSE(device.memory() == before) << "the edited table was saved";

    // A unit that does not answer the backup's read of H20: No keeps it as it is.
    move(slider(5), -40);
    const VentrixMemory saved = device.memory();
    port->silenced << "RH20";
    heard();
    messages().clear();
    dialogs.answerNext(MsgAnswer::No);
    answerSelection(0);
    window->cmdSaveChanges_Click();
    port->silenced.clear();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Backup Failure");
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No);
    EXPECT_TRUE(heard().filter(QRegularExpression("^W")).isEmpty());
    EXPECT_TRUE(device.memory() == saved);
    EXPECT_EQ(tunefile::ListBackups(tunefile::BackupFolder()).size(), 1);
    EXPECT_TRUE(control("cmdSaveChanges")->isEnabled());
}

TEST_F(SaveTableTest, TheTuneOpenedOffLineIsSavedWithoutABackup)
{
    open();
    OffLineTunePath = dir.filePath("offline.tun");
    heard();
    answerSelection(1);
    window->cmdSaveChanges_Click();
    EXPECT_EQ(heard().first(), QStringLiteral("WC00") + frame::HexByte(window->CorrectionTable()[0] & 0xFF));
    EXPECT_TRUE(tunefile::ListBackups(tunefile::BackupFolder()).isEmpty());
}

TEST_F(SaveTableTest, ASelectionLeftWithoutSaveWritesNothing)
{
    open();
    move(slider(4), 50);
    for (const int way : {-1, -2}) {
        heard();
        answerSelection(way);
        window->cmdSaveChanges_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(heard(true).isEmpty());
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_EQ(main->findChild<frmTableSaveSelection*>(), nullptr);
        EXPECT_FALSE(TuneSelectionPending);
        EXPECT_TRUE(control("cmdONLINE")->isEnabled());
        EXPECT_EQ(window->CorrectionTable()[48], 50);
    }
}

TEST_F(SaveTableTest, QuittingTheTunerEndsTheWaitForTheChoice)
{
    open();
    heard();
    QTimer::singleShot(0, main.get(), [this] {
        dialogs.answerNext(MsgAnswer::Yes);
        window->cmdQUIT_Click();
    });
    window->cmdSaveChanges_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(main->findChild<frmTableSaveSelection*>(), nullptr);
    EXPECT_FALSE(TuneSelectionPending);
    EXPECT_TRUE(heard(true).isEmpty());
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdGraphicalTune"));
}

TEST_F(SaveTableTest, EachFailedWriteOfTheMapIsReported)
{
    const QString mapFailed = QStringLiteral("Failed to update map. Please try again.");
    struct Case {
        const char* refused;
        QStringList texts;
    } const cases[] = {
        {"WO80", {mapFailed}},
        {"WT00", {mapFailed}},
        {"WT03", {mapFailed}},
        {"WT07", {QStringLiteral("Failed to Update RPM Switch Activation."), mapFailed}},
        {"WT08", {QStringLiteral("Failed to Update RPM Switch Deactivation."), mapFailed}},
    };
    open();
    move(slider(20), 25); // entry D0, never reached when WO80 is refused
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        port->replies.clear();
        port->replies[QString::fromLatin1(c.refused)] = "";
        messages().clear();
        answerSelection(0);
        window->cmdSaveChanges_Click();
        port->replies.clear();
        ASSERT_GE(messages().size(), c.texts.size());
        for (qsizetype m = 0; m < c.texts.size(); ++m) {
            EXPECT_EQ(messages()[m].text, c.texts[m]);
            EXPECT_EQ(messages()[m].title, "Write Failure!");
            EXPECT_EQ(messages()[m].icon, MsgIcon::Exclamation);
        }
        // The edits stay, to be saved again.
        EXPECT_EQ(window->CorrectionTable()[0xD0], 25);
    }
}

TEST_F(TunerTest, OnlineWritesTheSettingsShownThenReadsTheTable)
{
    open();
    move(control<QScrollBar>("HScroll2"), 2000);
    move(control<QScrollBar>("HScroll1"), 700);
    heard();
    dialogs.answerNext(MsgAnswer::No);
    window->cmdONLINE_Click();
    EXPECT_FALSE(window->OnLine());
    EXPECT_TRUE(heard(true).isEmpty());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Connect to VentrixTM");
    // Yes writes to the unit: Enter and Escape answer No.
    EXPECT_EQ(messages()[0].defaultAnswer, MsgAnswer::No);

    goOnline();
    EXPECT_EQ(heard(true), Payloads({"WT0732", "WT0896", "WT0002", "WT01BC"}) + readsOf('O') + LoadRegistersO);
    EXPECT_TRUE(window->OnLine());
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
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_TRUE(control("cmdONLINE")->isHidden());
    EXPECT_FALSE(control("cmdSaveChanges")->isEnabled());
    EXPECT_FALSE(control("cmbInjectors")->isEnabled());
    // The unit now holds the settings that were shown.
    EXPECT_EQ(device.memory().registerValue(0x07), 50);
    EXPECT_EQ(text("txtTPSBreakpoint"), "3.418");

    tick();
    window->cmdOFFLINE_Click();
    EXPECT_FALSE(window->OnLine());
    EXPECT_FALSE(window->Timer1()->isActive());
    EXPECT_FALSE(control("cmdONLINE")->isHidden());
    EXPECT_TRUE(control("cmdSaveChanges")->isEnabled());
    EXPECT_TRUE(control("cmbInjectors")->isEnabled());
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

// The user's moves of the breakpoint and switch bars are written on line
// and shown; a refused write is told and leaves the value shown as it was.
TEST_F(TunerTest, BreakpointAndSwitchPointsGoToTheUnitOnLine)
{
    open();
    goOnline();
    heard();
    move(bar("HScroll1"), 1023);
    EXPECT_EQ(heard(), Payloads({"WT0003", "WT01FF"}));
    EXPECT_EQ(text("txtTPSBreakpoint"), "4.995");
    EXPECT_FLOAT_EQ(WotBreakpointVolts, 1023 / 1024.0f * 5);
    move(bar("HScroll2"), 3040);
    EXPECT_EQ(heard(), Payloads({"WT074C"}));
    EXPECT_EQ(text("txtRPMON"), "3,040");
    move(bar("HScroll3"), 6400);
    EXPECT_EQ(heard(), Payloads({"WT08A0"}));
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

TEST_F(TunerTest, LeanAndRichShiftEverySliderOrNone)
{
    open();
    move(slider(7), -96);
    messages().clear();
    window->cmdLean_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Error!");
    EXPECT_EQ(messages()[0].text, "Cannot make global table change. An individual slider will exceed -100%.");
    EXPECT_EQ(slider(0)->value(), 0);

    move(slider(7), -95);
    window->cmdLean_Click();
    EXPECT_EQ(slider(7)->value(), -100);
    EXPECT_EQ(slider(0)->value(), -5);
    EXPECT_EQ(window->CorrectionTable()[8], -5);
    EXPECT_EQ(window->CorrectionTable()[78], -100);
    EXPECT_EQ(mdlMain::ProgressBar()->value(), 0);

    move(slider(20), 96);
    messages().clear();
    window->cmdRich_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].text, "Cannot make global table change. An individual slider will exceed 100%.");
    EXPECT_EQ(slider(0)->value(), -5);

    window->cmdZero_Click();
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(slider(i)->value(), 0);
    EXPECT_EQ(window->CorrectionTable()[78], 0);
}

// A shift adds its 5 points to every entry, each written once, so the
// detail between the cells stays; an entry beyond the slider is shown as it is.
TEST_F(TunerTest, RichOnLineAddsToEveryEntryOnce)
{
    VentrixMemory& memory = device.memory();
    memory.setCell('O', 0x58, 0x8C); // -116, cell 8
    memory.setCell('O', 0x53, 0xFE); // -2
    memory.setCell('O', 0x5A, 0xFB); // -5
    open();
    goOnline();
    heard();
    EXPECT_TRUE(window->txtDelta(8)->toolTip().contains("-116"));
    window->cmdRich_Click();
    const QStringList writes = heard();
    ASSERT_EQ(writes.size(), 256);
    for (int j = 0; j < 256; ++j) {
        const int value = j == 0x58 ? -111 : j == 0x53 ? 3 : j == 0x5A ? 0 : 5;
        EXPECT_EQ(writes[j], QStringLiteral("WO") + frame::HexByte(j) + frame::HexByte(value & 0xFF));
        EXPECT_EQ(memory.cell('O', j), value & 0xFF) << j;
    }
    EXPECT_EQ(slider(8)->value(), -100);
    EXPECT_EQ(text("txtDelta_8"), "-111");
    EXPECT_EQ(background("txtDelta_8"), QColor(255, 200, 140));
    EXPECT_EQ(slider(7)->value(), 5);
    EXPECT_EQ(background("txtDelta_7"), QColor(255, 255, 255));

    // Leaner would take the slider past its end: refused, nothing written.
    messages().clear();
    window->cmdLean_Click();
    EXPECT_EQ(messageTexts(),
              QStringList({"Cannot make global table change. An individual slider will exceed -100%."}));
    EXPECT_TRUE(heard().isEmpty());
}

// An entry between the cells at -126 cannot go 5 leaner: refused whole.
TEST_F(TunerTest, AShiftTakingAnEntryBeyondTheUnitsRangeIsRefused)
{
    device.memory().setCell('O', 0x53, 0x82);
    open();
    const tuner::Table before = window->CorrectionTable();
    messages().clear();
    window->cmdLean_Click();
    EXPECT_EQ(messageTexts(),
              QStringList({"Cannot make global table change. Entry 53 would reach -131%, beyond the "
                           "-128% to 127% the unit can hold."}));
    EXPECT_EQ(messages()[0].title, "Error!");
    EXPECT_EQ(window->CorrectionTable(), before);
}

class InjectorTest : public TunerTest {
protected:
    // A choice in a list, as the user makes it, answered Yes or No.
    void choose(const char* list, const char* size, MsgAnswer answer)
    {
        auto* combo = control<QComboBox>(QString::fromLatin1(list));
        combo->setCurrentIndex(combo->findText(QString::fromLatin1(size)));
        dialogs.answerNext(answer);
        emit combo->activated(combo->currentIndex());
    }
};

TEST_F(InjectorTest, CompensationMovesEverySliderByTheRatioChange)
{
    open(); // 19 lb/hr both: ratio 1
    heard();
    const QString question = QStringLiteral("Do you want to apply this change directly to the current map?\r\n");
    choose("cmbInjectors", "19lb/hr", MsgAnswer::Yes);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Apply changes now?");
    EXPECT_EQ(messages()[0].text,
              question + "The sliders stay where they are: the injector ratio is the one already applied.");
    EXPECT_EQ(messages()[0].icon, MsgIcon::Question);
    EXPECT_EQ(slider(3)->value(), 0); // no change in ratio, no move

    choose("cmbInjectors", "24lb/hr", MsgAnswer::No); // 19 / 24: -20.8
    EXPECT_EQ(messages()[1].text, question + "Every slider will move 21 points leaner (-21).");
    EXPECT_EQ(InstalledInjectorSize, 24);
    EXPECT_EQ(slider(3)->value(), 0);

    // From the ratio last applied (1), not the one left by the No.
    choose("cmbInjectors", "30lb/hr", MsgAnswer::Yes); // 19 / 30: -36.7
    EXPECT_EQ(messages()[2].text, question + "Every slider will move 37 points leaner (-37).");
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(slider(i)->value(), -37) << i;
    for (const int j : {0, 128, 254, 255})
        EXPECT_EQ(window->CorrectionTable()[j], -37) << j;
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{19, 30}));
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 19.0 / 30.0);

    // The PCM's size too: 24 / 30 - 19 / 30 is +16.7 points.
    choose("cmbEECInjectors", "24lb/hr", MsgAnswer::Yes);
    EXPECT_EQ(messages()[3].text, question + "Every slider will move 17 points richer (+17).");
    EXPECT_EQ(slider(12)->value(), -20);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{24, 30}));
    EXPECT_TRUE(heard(true).isEmpty()); // off line
}

// A refused choice changes nothing: the list, the size and its ratio are
// as before it, and a later "<Select>" moves nothing.
TEST_F(InjectorTest, ARefusedChoicePutsTheListBack)
{
    device.memory().setRegister(0x02, 24);
    device.memory().setCell('O', 0x30, 0xCE); // cell 4 at -50
    open();
    messages().clear();
    choose("cmbInjectors", "72lb/hr", MsgAnswer::Yes); // 19/72 - 19/24: -52.8
    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages()[0].text,
              "Do you want to apply this change directly to the current map?\r\n"
              "Every slider will move 53 points leaner (-53).");
    EXPECT_EQ(messages()[1].title, "Selection Error!");
    EXPECT_EQ(messages()[1].text,
              "Cannot compensate for such a large disparity in actual vs. programmed injector "
              "size.\r\nPlease make another selection.");
    EXPECT_EQ(text("cmbInjectors"), "24lb/hr");
    EXPECT_EQ(InstalledInjectorSize, 24);
    EXPECT_EQ(EecInjectorSize, 19);
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 19.0 / 24.0);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{19, 24}));
    EXPECT_EQ(slider(4)->value(), -50);
    EXPECT_EQ(slider(0)->value(), 0);

    choose("cmbInjectors", "<Select>", MsgAnswer::Yes);
    EXPECT_EQ(messages()[2].text,
              "Do you want to apply this change directly to the current map?\r\n"
              "The sliders stay where they are: the injector ratio is the one already applied.");
    EXPECT_EQ(text("cmbInjectors"), "24lb/hr");
    EXPECT_EQ(slider(0)->value(), 0);
    EXPECT_EQ(slider(4)->value(), -50);
}

} // namespace
