#include "memory/ReadWriteByte.h"

#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "memory/Lamp.h"
#include "memory/frmTableRead.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <functional>

#include <gtest/gtest.h>

namespace {

using namespace mdlPublicVars;

const QStringList ShutOut = {"cmdGraphicalTune", "cmdVentrixRun", "cmdMemoryModify", "cmdAccuracyTest",
                             "mnuDiagnostics",   "mnuMemory",     "mnuVentrix"};
const QStringList Entries = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};

class ReadWriteByteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Reset();
        Connected = true;
        IsPlusStage = true;
        InstalledInjectorSize = 19;
        InjectorRatioOL = 1.0;
        ASSERT_EQ(port.open(), PortError::None);
        services::install(&port, &clock, &dialogs, &settings);

        // A main window with the controls the memory-modify window gives back.
        main = std::make_unique<QMainWindow>();
        mdi = new QMdiArea;
        main->setCentralWidget(mdi);
        for (const QString& name : ShutOut) {
            if (name.startsWith(QLatin1String("mnu")))
                main->menuBar()->addMenu(name)->setObjectName(name);
            else
                (new QPushButton(name, main.get()))->setObjectName(name);
        }
        mdlMain::RegisterMainWindow(main.get());
        mdlMain::SetControlsEnabled(ShutOut, false);
    }

    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        mdlMain::RegisterMainWindow(nullptr);
        QLocale::setDefault(QLocale::c());
    }

    // Opened as the main window opens it: in its area, then loaded.
    ReadWriteByte* open()
    {
        window = new ReadWriteByte;
        mdi->addSubWindow(window);
        window->Form_Load();
        window->show();
        return window;
    }

    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QString label(const char* name) const { return control<QLabel>(QString::fromLatin1(name))->text(); }
    void type(const char* name, const char* text) const
    {
        control<QLineEdit>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
    }
    QColor lamp(const char* name) const { return control<Lamp>(QString::fromLatin1(name))->colour(); }
    QStringList payloadsFrom(int first) const
    {
        QStringList payloads;
        for (int i = first; i < port.payloadLog().size(); ++i)
            payloads << QString::fromLatin1(port.payloadLog().at(i));
        return payloads;
    }
    QStringList redEntries() const
    {
        QStringList red;
        for (const QString& name : Entries)
            if (control<QLineEdit>(name)->palette().color(QPalette::Text) == colours::Red)
                red << qPrintable(name);
        return red;
    }
    QList<ScriptedDialogs::Message>& messages() { return dialogs.script.messages; }
    QString said() { return messages().at(0).title + " | " + messages().at(0).text; } // the first box's

    ManualClock clock;
    VentrixDevice device;
    SimulatedPort port{device, clock};
    ObservingDialogs dialogs;
    MemorySettingsStore settings;
    std::unique_ptr<QMainWindow> main;
    QMdiArea* mdi = nullptr;
    QPointer<ReadWriteByte> window;
};

TEST_F(ReadWriteByteTest, PresenceCheckDecidesWhatTheWindowOffers)
{
    const std::pair<const char*, bool> cases[] = {{"", true},
                                                  {"", false},
                                                  {"silent", true},
                                                  {"busy-probes=100", true},
                                                  {"negative=Z", true}};
    for (const auto& [fault, plus] : cases) {
        SCOPED_TRACE(std::string(fault) + (plus ? " plus" : " base"));
        const bool found = !*fault;
        Connected = true;
        IsPlusStage = plus;
        messages().clear();
        device.setFaults({});
        ASSERT_TRUE(found || device.faults().apply(QString::fromLatin1(fault), nullptr));
        open();
        EXPECT_EQ(port.payloadLog().last(), "Z");
        EXPECT_EQ(Connected, found);
        EXPECT_EQ(main->windowTitle(), found ? QStringLiteral("Connected") : QStringLiteral("Not Connected"));
        EXPECT_EQ(lamp("Shape2"), found ? colours::Green : colours::Red);
        if (found) {
            EXPECT_EQ(ProbeStatus, 3);
            EXPECT_EQ(window->optTableSelect(0)->isEnabled(), plus);
            EXPECT_EQ(window->optTableSelect(1)->isEnabled(), plus);
            EXPECT_TRUE(window->optTableSelect(2)->isChecked());
            EXPECT_EQ(control<QComboBox>("cmbInjectors")->currentText(), QStringLiteral("19lb/hr"));
            EXPECT_TRUE(messages().isEmpty());
            delete window;
            continue;
        }
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(said(), "Connection Error | Not connected to Ventrix. Please connect and try again.");
        EXPECT_EQ(lamp("Shape1"), colours::Red);
        EXPECT_EQ(lamp("Shape3"), colours::Red);
        for (const char* name : {"cmdReadByte", "cmdReadTable", "cmdWriteByte", "cmdWriteBlock", "Text1", "Text6"})
            EXPECT_FALSE(control(QString::fromLatin1(name))->isEnabled()) << name;
        for (const char* name : {"cmdQUIT", "cmdADVANCED", "optTableSelect_2", "optTableSelect_4"})
            EXPECT_TRUE(control(QString::fromLatin1(name))->isEnabled()) << name;
        // Choosing a correction table does not bring the block row back.
        window->optTableSelect(3)->click();
        EXPECT_FALSE(control("cmdWriteBlock")->isEnabled());
        delete window;
    }
}

TEST_F(ReadWriteByteTest, EachHandlerGuardsTheConnection)
{
    const std::function<void(ReadWriteByte*)> handlers[] = {
        &ReadWriteByte::cmdReadByte_Click, &ReadWriteByte::cmdWriteByte_Click, &ReadWriteByte::cmdReadTable_Click,
        &ReadWriteByte::cmdWriteBlock_Click};
    for (const auto& handler : handlers) {
        Connected = true;
        open();
        const int sent = port.payloadLog().size();
        Connected = false;
        messages().clear();
        handler(window);
        EXPECT_EQ(port.payloadLog().size(), sent);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].title, QStringLiteral("Connection Error"));
        EXPECT_EQ(lamp("Shape3"), colours::Red);
        EXPECT_FALSE(control("cmdReadByte")->isEnabled());
        delete window;
    }
}

TEST_F(ReadWriteByteTest, WritesACellAndReadsItBack)
{
    struct Case {
        int option;
        const char *position, *value, *write, *read, *raw, *shown, *unit, *reply;
    } const cases[] = {
        {3, "3000", "-5", "WC4BFB", "RC4B", "FB", "-5", "%", "rc4BFB"},
        {2, "3000rpm", "12.5", "WO4B0C", "RO4B", "0C", " 12", "%", "ro4B0C"},
        {4, "3.125", "200", "WFA064", "RFA0", "64", " 200", "kg/hr", "rfA064"},
        {3, "20", "0", "WC0000", "RC00", "00", " 0", "%", "rc0000"},
    };
    device.memory().setCell('C', 0x00, 0x01);
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.write);
        window->optTableSelect(c.option)->click();
        type("Text3", c.position);
        type("Text2", c.value);
        control<Lamp>("Shape1")->setColour(Qt::gray);
        window->cmdWriteByte_Click();
        EXPECT_EQ(port.payloadLog().last(), c.write);
        EXPECT_EQ(lamp("Shape1"), colours::Green);

        type("Text1", c.position);
        window->cmdReadByte_Click();
        EXPECT_EQ(port.payloadLog().last(), c.read);
        EXPECT_EQ(label("Label3"), QString::fromLatin1(c.raw));
        EXPECT_EQ(label("Label10"), QString::fromLatin1(c.shown));
        EXPECT_EQ(window->Label11(0)->text(), QString::fromLatin1(c.unit));
        EXPECT_EQ(lamp("Shape3"), colours::Green);
        // The write and block rows start from the cell read.
        EXPECT_EQ(control<QLineEdit>("Text2")->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(control<QLineEdit>("Text3")->text(), QString::fromLatin1(c.position));
        EXPECT_EQ(label("Label13"), QString::fromLatin1(c.raw));
        EXPECT_EQ(label("Label18"), QString::fromLatin1(c.position));
        EXPECT_EQ(label("Label8"), QString::fromLatin1(c.reply));
        EXPECT_TRUE(label("Label5").startsWith(QStringLiteral("UU04") + QString::fromLatin1(c.read)));
    }
    EXPECT_TRUE(messages().isEmpty());

    device.faults().silent = true;
    window->cmdReadByte_Click();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(said(), "Read Failure! | Read Operation Failed. Please try again");
    EXPECT_EQ(lamp("Shape3"), colours::Red);
}

// Each limit and its message is the cell conversions' test; here each field
// of each handler, red while the box is open and nothing sent.
TEST_F(ReadWriteByteTest, EntryErrorsShowTheirFieldsRedWhileTheBoxIsOpen)
{
    using Handler = void (ReadWriteByte::*)();
    const Handler Read = &ReadWriteByte::cmdReadByte_Click, Write = &ReadWriteByte::cmdWriteByte_Click,
                  Block = &ReadWriteByte::cmdWriteBlock_Click;
    struct Case {
        int option;
        Handler handler;
        const char* fields; // "name=text ..."
        const char* message;
        const char* red; // the fields shown red while the box is open
    } const cases[] = {
        {3, Read, "Text1=10201", "RPM must be less than or equal to 10,200.", "Text1"},
        {2, Write, "Text3=10201 Text2=5", "RPM must be less than or equal to 10,200.", "Text3"},
        {2, Write, "Text3=3000 Text2=101", "Correction is limited to +/- 100%", "Text2"},
        {3, Block, "Text4=-1 Text5=0 Text6=0", "Start RPM must be >= 0", "Text4"},
        {3, Block, "Text4=0 Text5=x Text6=0", nullptr, ""},
        {3, Block, "Text4=0 Text5=10201 Text6=0", "Stop RPM must be <= 10,200", "Text5"},
        {3, Block, "Text4=3000 Text5=2960 Text6=0", "Stop RPM must be greater than Start RPM", "Text4 Text5"},
    };
    open();
    QStringList redWhileOpen;
    dialogs.whileOpen = [&] { redWhileOpen = redEntries(); };
    for (const Case& c : cases) {
        window->optTableSelect(c.option)->click();
        for (const QString& field : QString::fromLatin1(c.fields).split(QLatin1Char(' ')))
            type(qPrintable(field.section(QLatin1Char('='), 0, 0)), qPrintable(field.section(QLatin1Char('='), 1)));
        messages().clear();
        redWhileOpen.clear();
        const int sent = port.payloadLog().size();
        (window->*c.handler)();
        if (!c.message) { // "x" reads as 0: a valid one-cell block
            EXPECT_TRUE(messages().isEmpty());
            continue;
        }
        ASSERT_EQ(messages().size(), 1) << c.message;
        EXPECT_EQ(said(), QStringLiteral("Entry Error | ") + c.message);
        EXPECT_EQ(messages()[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(redWhileOpen.join(QLatin1Char(' ')), QString::fromLatin1(c.red)) << c.message;
        EXPECT_TRUE(redEntries().isEmpty()) << c.message;
        EXPECT_EQ(port.payloadLog().size(), sent) << c.message;
    }
}

TEST_F(ReadWriteByteTest, BlockWriteSendsOneFill)
{
    struct Case {
        int option;
        const char *start, *stop, *percent, *command;
    } const cases[] = {
        {3, "2000", "3000", "4", "SC324B04"},
        {2, "0", "10200", "-100", "SO00FF9C"},
        {0, "3000", "3000", "100", "SH4B4B64"},
        {1, "20", "60", "-5", "SL0002FB"},
    };
    open();
    for (const Case& c : cases) {
        window->optTableSelect(c.option)->click();
        type("Text4", c.start);
        type("Text5", c.stop);
        type("Text6", c.percent);
        control<Lamp>("Shape1")->setColour(Qt::gray);
        window->cmdWriteBlock_Click();
        EXPECT_EQ(port.payloadLog().last(), c.command);
        EXPECT_EQ(lamp("Shape1"), colours::Green) << c.command;
        EXPECT_EQ(label("Label18"), QString::fromLatin1(c.start));
        EXPECT_EQ(control<QLineEdit>("Text3")->text(), QString::fromLatin1(c.start));
        EXPECT_EQ(control<QLineEdit>("Text2")->text(), QString::fromLatin1(c.percent));
    }
    EXPECT_TRUE(messages().isEmpty());

    window->optTableSelect(4)->click();
    EXPECT_FALSE(control("cmdWriteBlock")->isEnabled());
    EXPECT_FALSE(control("Text6")->isEnabled());
}

TEST_F(ReadWriteByteTest, TableReadListsEveryCellInTheViewer)
{
    for (int i = 0; i < 256; ++i) {
        device.memory().setCell('O', i, (i * 37) % 256);
        device.memory().setCell('F', i, 255 - i);
    }
    open();
    const int sent = port.payloadLog().size();
    window->cmdReadTable_Click();
    frmTableRead* viewer = frmTableRead::Instance();
    ASSERT_NE(viewer, nullptr);
    const QStringList payloads = payloadsFrom(sent);
    ASSERT_EQ(payloads.size(), 256);
    EXPECT_EQ(payloads.first(), QStringLiteral("RO00"));
    EXPECT_EQ(payloads.last(), QStringLiteral("ROFF"));

    const QStringList lines = viewer->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 260);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("03-14-2026 - "))) << qPrintable(lines[0]); // the clock's day
    EXPECT_EQ(lines[2], QStringLiteral("OPEN-LOOP TABLE 1"));
    EXPECT_EQ(lines[4], QStringLiteral("MAF_IN[v]: 0.020, Change[%]: 37(RICH)"));
    EXPECT_TRUE(viewer->fileMenuEnabled());
    EXPECT_EQ(viewer->CommonDialog1().defaultName, QStringLiteral("LO_Table.txt"));
    EXPECT_TRUE(LinkBusy);
    EXPECT_NE(main->cursor().shape(), Qt::WaitCursor);

    // A second read replaces the listing, header included.
    window->optTableSelect(4)->click();
    window->cmdReadTable_Click();
    EXPECT_EQ(frmTableRead::Instance(), viewer);
    const QStringList second = viewer->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(second.size(), 260);
    EXPECT_EQ(second[258], QStringLiteral("Output[v]: 4.980, Flow[kg/hr]: 0"));
    EXPECT_EQ(viewer->CommonDialog1().defaultName, QStringLiteral("FL_Table.txt"));
}

// The transfer function is read, written and listed for one calibration, the
// one the listing's heading names: the injector list's size (with "<Select>"
// shown, the program's installed size, or 19 when none is known) over 19.
TEST_F(ReadWriteByteTest, TransferFunctionFlowsFollowTheCalibrationTheHeadingNames)
{
    device.memory().setCell('F', 160, 0x64); // k = 2, byte 100
    struct Step {
        const char* what;
        int listIndex; // -1: the list as the window opened it
        const char* heading;
        const char* flow160;     // 100 x 2 x N / 19, halves to even
        const char* eightAtZero; // the request writing 8 kg/hr at 0 V: 8 x 19 / N
    };
    const auto check = [this](const Step& step) {
        SCOPED_TRACE(step.what);
        auto* list = control<QComboBox>("cmbInjectors");
        if (step.listIndex >= 0) {
            list->setCurrentIndex(step.listIndex);
            window->cmbInjectors_Click();
        }
        type("Text1", "3.125");
        window->cmdReadByte_Click();
        EXPECT_EQ(label("Label10"), QString::fromLatin1(step.flow160));

        type("Text3", "0");
        type("Text2", "8");
        const int sent = port.payloadLog().size();
        window->cmdWriteByte_Click();
        EXPECT_EQ(payloadsFrom(sent), QStringList{QString::fromLatin1(step.eightAtZero)});

        window->cmdReadTable_Click();
        const QStringList lines = frmTableRead::Instance()->text().split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 260);
        EXPECT_EQ(lines[2], QStringLiteral("MAF TRANSFER FUNCTION: %1 Calibration.").arg(step.heading));
        EXPECT_EQ(lines[3 + 160],
                  QStringLiteral("Output[v]: 3.125, Flow[kg/hr]: ") + QString::fromLatin1(step.flow160).trimmed());
        EXPECT_TRUE(messages().isEmpty());
    };

    // A unit with 24 lb/hr injectors whose EEC size is 19: the configuration
    // load left its own open-loop ratio, 19/24, which the window must not use.
    InstalledInjectorSize = 24;
    InjectorRatioOL = 19.0 / 24.0;
    open();
    EXPECT_EQ(control<QComboBox>("cmbInjectors")->currentText(), QStringLiteral("24lb/hr"));
    window->optTableSelect(4)->click();
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 24.0 / 19.0); // applied on choosing the table
    const Step steps[] = {
        {"list untouched", -1, "24lb/hr", " 253", "WF0006"},
        {"16lb/hr chosen", 0, "16lb/hr", " 168", "WF000A"},
        {"30lb/hr chosen", 3, "30lb/hr", " 316", "WF0005"},
        {"<Select> chosen after 30", 14, "30lb/hr", " 316", "WF0005"},
    };
    for (const Step& step : steps)
        check(step);
    EXPECT_EQ(InstalledInjectorSize, 30);
    EXPECT_DOUBLE_EQ(InjectorRatioOL, 30.0 / 19.0); // the list's choice applied too
    delete window;

    // Sizes the list does not hold open it on "<Select>".
    const std::pair<double, Step> unlisted[] = {
        {20, {"installed 20", -1, "20lb/hr", " 211", "WF0008"}},
        {0, {"no size known", -1, "19lb/hr", " 200", "WF0008"}},
    };
    for (const auto& [installed, step] : unlisted) {
        InstalledInjectorSize = installed;
        InjectorRatioOL = 0.5;
        open();
        EXPECT_EQ(control<QComboBox>("cmbInjectors")->currentText(), QStringLiteral("<Select>"));
        window->optTableSelect(4)->click();
        check(step);
        delete window;
    }
}

TEST_F(ReadWriteByteTest, FailureAtCell37KeepsThePartialListing)
{
    open();
    device.faults().vanishAfter = device.requestsHeard() + 37;
    window->cmdReadTable_Click();
    frmTableRead* viewer = frmTableRead::Instance();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->text().count(QStringLiteral("\r\n")), 3 + 37);
    EXPECT_TRUE(viewer->text().endsWith(QStringLiteral("MAF_IN[v]: 0.706, Change[%]: 0\r\n"))); // cell 36
    EXPECT_TRUE(viewer->fileMenuEnabled());
    EXPECT_NE(viewer->cursor().shape(), Qt::WaitCursor);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(said(), "Read Failure! | Table Read Failed. Please try again.");
    EXPECT_EQ(label("Label5").left(8), QStringLiteral("UU04RO25"));
}

TEST_F(ReadWriteByteTest, QuitInTheMiddleOfATableReadEndsItThere)
{
    open();
    int reads = 0;
    device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.mid(4, 1) == "R" && ++reads == 10)
            QMetaObject::invokeMethod(window.data(), &ReadWriteByte::cmdQUIT_Click, Qt::QueuedConnection);
    });
    window->cmdReadTable_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(device.requestCount(QStringLiteral("R")), 10);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(frmTableRead::Instance(), nullptr);
    EXPECT_FALSE(LinkBusy);
    for (const QString& name : ShutOut)
        EXPECT_TRUE(mdlMain::IsControlEnabled(name)) << qPrintable(name);
    EXPECT_NE(main->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(mdi->subWindowList().isEmpty());
}

TEST_F(ReadWriteByteTest, AdvancedShowsTheDataStreamArea)
{
    open();
    const int compact = window->height();
    window->cmdADVANCED_Click();
    EXPECT_GT(window->height(), compact);
    EXPECT_TRUE(control("cmdADVANCED")->isHidden());
    EXPECT_FALSE(control("cmdBASIC")->isHidden());
    const QWidget* stream = control("Label8");
    EXPECT_LE(stream->geometry().bottom(), window->height());
    window->cmdBASIC_Click();
    EXPECT_EQ(window->height(), compact);
    EXPECT_GT(stream->geometry().top(), window->height());
    EXPECT_FALSE(control("cmdADVANCED")->isHidden());
    EXPECT_TRUE(control("cmdBASIC")->isHidden());
}

} // namespace
