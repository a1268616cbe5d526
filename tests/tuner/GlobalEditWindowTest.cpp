#include "TunerTestSupport.h"

#include <QProgressBar>

namespace {

using namespace mdlPublicVars;

TEST_F(TunerTest, LeanAndRichShiftEverySliderOrNone)
{
    open(); // -96 refused: GlobalEdits.ShiftsThatWouldPassAnEndAreRefused, RichOnLineAddsToEveryEntryOnce
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
    for (const auto& [entry, byte] : {std::pair{0x58, 0x8C}, {0x53, 0xFE}, {0x5A, 0xFB}}) // -116 (cell 8), -2, -5
        memory.setCell('O', entry, byte);
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

// The list, the size and its ratio stay as they were; a later "<Select>" moves nothing.
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
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 19.0 / 24.0);
    EXPECT_EQ(tuner::LastAppliedRatioOL, (tuner::SizeRatio{19, 24}));
    EXPECT_EQ(slider(4)->value(), -50);
    EXPECT_EQ(slider(0)->value(), 0);

    choose("cmbInjectors", "<Select>", MsgAnswer::Yes);
    EXPECT_EQ(messages()[2].text,
              "Do you want to apply this change directly to the current map?\r\n"
              "The sliders stay where they are: the injector ratio is the one already applied.");
    EXPECT_EQ(text("cmbInjectors"), "24lb/hr");
    EXPECT_EQ(slider(4)->value(), -50);
}

} // namespace
