#include "ConfigFixture.h"

#include "config/frmWidebandConfig.h"
#include "config/OptionArray.h"

#include <QPointer>
#include <QRadioButton>

namespace {

using namespace mdlPublicVars;

class WidebandConfigTest : public ConnectedUnit {
protected:
    QString stored() const { return settings.read("KESTREL", "Startup", "WBO2", "unset"); }

    int selected(const frmWidebandConfig& window) const
    {
        QList<QRadioButton*> options;
        for (int i = 0; i < frmWidebandConfig::ModelCount; ++i)
            options.append(window.optWBO2Select(i));
        return option_array::Selected(options);
    }
};

// A model the program does not know shows as the first until updated.
TEST_F(WidebandConfigTest, UpdateStoresTheShownChoice)
{
    WidebandModel = 12;
    frmWidebandConfig window;
    EXPECT_EQ(selected(window), 0);
    EXPECT_EQ(WidebandModel, 12);
    window.cmdWBO2Update()->click();
    EXPECT_EQ(WidebandModel, 0);
    EXPECT_EQ(stored(), "0");

    dialogs.messages.clear();
    window.optWBO2Select(8)->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Warning!");
    EXPECT_EQ(dialogs.messages[0].text, "Changes will NOT take effect until you click UPDATE");

    window.cmdWBO2Update()->click();
    EXPECT_EQ(WidebandModel, 8);
    EXPECT_EQ(stored(), "8");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(said(), std::tuple(MsgIcon::Information, "Notification", "UPDATE Successful"));
    EXPECT_EQ(device.requestsHeard(), 0) << "nothing goes to the unit";
}

TEST_F(WidebandConfigTest, QuitWithoutUpdateChangesNothing)
{
    QPointer<frmWidebandConfig> window = new frmWidebandConfig;
    window->show();
    window->optWBO2Select(5)->click();
    window->cmdWBO2Quit()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "unloaded";
    EXPECT_EQ(WidebandModel, 1);
    EXPECT_EQ(stored(), "unset");

    // Reopened on the model in use, without a warning for its own selection.
    dialogs.messages.clear();
    frmWidebandConfig reopened;
    EXPECT_EQ(selected(reopened), 1);
    EXPECT_EQ(reopened.optWBO2Select(1)->text(), "BAILEY AFM-1");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

} // namespace
