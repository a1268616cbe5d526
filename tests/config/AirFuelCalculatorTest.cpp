#include "ConfigFixture.h"

#include "app/frmAirFuelCalculator.h"

#include <QPalette>

namespace {

using namespace mdlPublicVars;

class AirFuelCalculatorTest : public ConnectedUnit {
protected:
    void calculate(frmAirFuelCalculator& window, const QString& current, const QString& desired)
    {
        window.txtCurrentAirFuel()->setText(current);
        window.txtDesiredAirFuel()->setText(desired);
        window.cmdCalculate_Click();
    }
};

TEST_F(AirFuelCalculatorTest, WorkedExamples)
{
    struct Case {
        const char* current;
        const char* desired;
        double eec;
        QString change;
        QString polarity;
        QColor colour;
        QString warning; // title of the limit warning, if any
    };
    const QColor darkGreen(0, 64, 0);
    const Case cases[] = {
        {"14.7", "13.0", 19, "13.1", "RICH", darkGreen, ""},
        {"13.0", "14.7", 19, "-11.6", "LEAN", Qt::red, ""},
        {"14.7", "14.7", 19, "0.0", "NONE", Qt::black, ""},
        {"18", "10", 19, "80.0", "RICH", darkGreen, ""},
        {"18", "10", 14, "108.6", "RICH", darkGreen, "Maximum RICH Warning"},
        {"10", "18", 8, "-105.6", "LEAN", Qt::red, "Maximum LEAN Warning"},
        // -0.034 %: the sign stays beside "LEAN", small as the change is.
        {"14.695", "14.7", 19, "-0.0", "LEAN", Qt::red, ""},
        {"14.705", "14.7", 19, "0.0", "RICH", darkGreen, ""},
        {"14.7", "13.0", 0, "13.1", "RICH", darkGreen, ""}, // no configuration loaded: scaled to 19
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " to " + c.desired);
        dialogs.messages.clear();
        EecInjectorSize = c.eec;
        frmAirFuelCalculator window;
        calculate(window, c.current, c.desired);
        EXPECT_EQ(window.txtPressureChange()->text(), c.change);
        EXPECT_EQ(window.txtChangePolarity()->text(), c.polarity);
        EXPECT_EQ(window.txtChangePolarity()->palette().color(QPalette::Text), c.colour);
        EXPECT_EQ(window.txtInjectors()->text(), QString::number(c.eec == 0 ? 19 : c.eec));
        if (c.warning.isEmpty()) {
            EXPECT_TRUE(dialogs.messages.isEmpty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1);
            EXPECT_EQ(dialogs.messages[0].title, c.warning);
            EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);
        }
    }
    EXPECT_EQ(device.requestsHeard(), 0);
}

TEST_F(AirFuelCalculatorTest, RatiosOutsideTenToEighteenAreRefused)
{
    struct Case {
        const char* current;
        const char* desired;
        QString refusal;
    };
    const Case cases[] = {
        {"18.01", "14.7", "Current Air/Fuel ratio must be <= 18:1"},
        {"9.99", "30", "Current Air/Fuel ratio must be >= 10:1"},
        {"rich", "14.7", "Current Air/Fuel ratio must be >= 10:1"},
        {"14.7", "18.5", "Desired Air/Fuel ratio must be <= 18:1"},
        {"14.7", "9.99", "Desired Air/Fuel ratio must be >= 10:1"},
    };
    EecInjectorSize = 19;
    frmAirFuelCalculator window;
    calculate(window, "14.7", "13.0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusal.toStdString());
        dialogs.messages.clear();
        calculate(window, c.current, c.desired);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(said(), std::tuple(MsgIcon::Exclamation, "Entry Error", c.refusal));
        EXPECT_EQ(window.txtPressureChange()->text(), "13.1") << "the last result stays";
        EXPECT_EQ(window.txtChangePolarity()->text(), "RICH");
    }
}

} // namespace
