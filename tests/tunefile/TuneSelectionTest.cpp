#include "tunefile/TuneSelection.h"
#include "tunefile/frmTableSaveSelection.h"

#include "app/mdlMain.h"
#include "state/PublicVars.h"
#include "support/TestApplication.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

class TuneSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        Reset();
        mdlMain::RegisterMainWindow(nullptr);
        SelectedTuneLetter = QStringLiteral("O");
    }

    // Asks as the tuner does, and acts on the window once it is up.
    TuneSelection ask(int tunerIndex, const std::function<void(frmTableSaveSelection*)>& act)
    {
        QTimer::singleShot(0, [act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<frmTableSaveSelection*>(w); window && window->isVisible())
                    act(window);
        });
        return AskForTuneSelection(tunerIndex);
    }
};

TEST_F(TuneSelectionTest, TuneTwoOptionsFollowTheStage)
{
    for (const bool plus : {false, true}) {
        IsPlusStage = plus;
        frmTableSaveSelection window;
        window.Form_Load(-1);
        EXPECT_TRUE(window.optSaveTableSelect(0)->isChecked());
        EXPECT_TRUE(window.optSaveTableSelect(0)->isEnabled());
        EXPECT_TRUE(window.optSaveTableSelect(1)->isEnabled());
        EXPECT_EQ(window.optSaveTableSelect(2)->isEnabled(), plus);
        EXPECT_EQ(window.optSaveTableSelect(3)->isEnabled(), plus);
    }
}

TEST_F(TuneSelectionTest, QuitOrAnyOtherCloseCancels)
{
    const std::function<void(frmTableSaveSelection*)> ways[] = {
        [](frmTableSaveSelection* w) { w->findChild<QPushButton*>(QStringLiteral("cmdQuitSaveTable"))->click(); },
        [](frmTableSaveSelection* w) { w->close(); },
        [](frmTableSaveSelection* w) { delete w; },
    };
    for (const auto& way : ways) {
        SelectedTuneLetter = QStringLiteral("C");
        const TuneSelection result = ask(3, way);
        EXPECT_TRUE(result.cancelled);
        EXPECT_EQ(result.letter, QStringLiteral("C"));
        EXPECT_FALSE(TuneSelectionPending);
        EXPECT_TRUE(TuneSelectionCancelled);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
