#include "tunefile/TuneTransfer.h"

#include "app/mdlMain.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tunefile/frmRestoreBackup.h"
#include "tunefile/frmTuneHistory.h"
#include "tunefile/TuneTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QStatusBar>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

using namespace tunefile;

const QDateTime ExportTime(QDate(2026, 12, 5), QTime(7, 41, 9));
constexpr const char* Stamp = "12-05-2026-07:41:09";

// An entry of a unit's tune by its place in file order (C, O, L, H, then T).
int EntryAt(const VentrixMemory& memory, int index)
{
    return index < 1024 ? memory.cell(tune_test::TuneTables[index / 256], index % 256)
                        : memory.registerValue(index - 1024);
}

// The places of the entries two units hold with different values: what an
// import of one into the other writes after its backup.
QList<int> DifferingPlaces(const VentrixMemory& a, const VentrixMemory& b)
{
    QList<int> places;
    for (int i = 0; i < 1044; ++i)
        if (EntryAt(a, i) != EntryAt(b, i))
            places << i;
    return places;
}

// A tune file's data lines, without the two lines that carry the time.
QByteArray dataPart(const QByteArray& file)
{
    return file.mid(file.indexOf("\r\n", file.indexOf("\r\n") + 2));
}

// The simulated world with two units of different tunes: the first
// connected to the main window, the second on a port of its own; boxes that
// let a test look at the windows while one is open.
class TuneTransferTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.connectAndLoad();
        w.clock.setDateTime(ExportTime);
        tune_test::FillTune(first.memory(), 1);
        tune_test::FillTune(second.memory(), 2);
        ASSERT_FALSE(tune_test::SameTune(first.memory(), second.memory()));
        ASSERT_EQ(secondPort.open(), PortError::None);
        services::install(w.port, &w.clock, &dialogs, &w.settings);
        bar = w.main->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        path = dir.filePath(QStringLiteral("MAF_Data.tun"));
        previousBackupFolder = BackupFolder();
        SetBackupFolder(dir.filePath(QStringLiteral("backups")));
    }
    void TearDown() override { SetBackupFolder(previousBackupFolder); }

    QStringList enabledLocked() const
    {
        QStringList enabled;
        for (const QString& name : TransferLockedControls())
            if (mdlMain::IsControlEnabled(name))
                enabled << name;
        return enabled;
    }
    // The main window as it was before the transfer: nothing locked, nothing
    // left over.
    void expectRestored() const
    {
        EXPECT_EQ(enabledLocked(), TransferLockedControls());
        EXPECT_FALSE(mdlMain::IsControlEnabled(QStringLiteral("cmdConnect")));
        EXPECT_EQ(bar->value(), 0);
        EXPECT_EQ(w.main->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(splash(), nullptr);
        EXPECT_FALSE(mdlPublicVars::LinkBusy);
    }
    QWidget* splash() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* widget : QApplication::topLevelWidgets())
            if ((widget->objectName() == "frmExportSplash" || widget->objectName() == "frmImportSplash"
                 || widget->objectName() == "frmBackupSplash" || widget->objectName() == "frmReadSplash")
                && widget->isVisible())
                return widget;
        return nullptr;
    }
    QStringList titles() const
    {
        QStringList list;
        for (const ScriptedDialogs::Message& m : dialogs.script.messages)
            list << m.title;
        return list;
    }
    QStringList heard(VentrixDevice& device) const
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads << QString::fromLatin1(payload);
        return payloads;
    }
    void importFile(const QByteArray& bytes)
    {
        tune_test::WriteFile(path, bytes);
        dialogs.script.chooseNextFile(path);
        ImportTune();
    }
    // The first unit's exported file, made without the windows.
    QByteArray firstUnitFile() const { return tune_test::ExpectedFile(first.memory(), Stamp); }

    ObservingDialogs dialogs; // outlives the main window
    SimulatedWorld w;
    VentrixDevice& first = w.device;
    VentrixDevice second;
    SimulatedPort secondPort{second, w.clock};
    QProgressBar* bar = nullptr;
    QTemporaryDir& dir = w.dir;
    ManualClock& clock = w.clock;
    QString path;
    QString previousBackupFolder;
};

TEST_F(TuneTransferTest, ExportSavesTheWholeTuneWithProgressAndRestores)
{
    // Half-way through, the progress window is up and everything is locked.
    bool looked = false;
    first.setFrameListener([&](const QByteArray&, const QByteArray&) {
        if (first.requestsHeard() != 523)
            return;
        looked = true;
        QWidget* window = splash();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->objectName(), QStringLiteral("frmExportSplash"));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Export"));
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("Exporting to Memory....."));
        EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(w.main->cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(bar->value(), 522 * 100 / 1044);
        EXPECT_TRUE(enabledLocked().isEmpty());
    });
    tune_test::WriteFile(path, "an older tune");
    dialogs.script.chooseNextFile(path);
    ExportTune();

    EXPECT_TRUE(looked);
    EXPECT_EQ(ReadFile(path), firstUnitFile());
    EXPECT_EQ(titles(), (QStringList{"TUNE EXPORT", "COMPLETE"}));
    EXPECT_EQ(dialogs.script.messages[0].text, QStringLiteral("Continue to export to file?"));
    EXPECT_EQ(dialogs.script.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(dialogs.script.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(dialogs.script.messages[1].text, QStringLiteral("Tune Export Completed."));
    EXPECT_EQ(dialogs.script.messages[1].icon, MsgIcon::Information);
    ASSERT_EQ(dialogs.script.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.script.fileRequests[0].filter, QStringLiteral("Ventrix Tune Files (*.tun)"));
    EXPECT_EQ(dialogs.script.fileRequests[0].defaultName, QStringLiteral("MAF_Data.tun"));
    expectRestored();
}

TEST_F(TuneTransferTest, RoundTripMakesTheSecondUnitTheFirstsTwin)
{
    const VentrixMemory secondBefore = second.memory();
    dialogs.script.chooseNextFile(path);
    ExportTune();
    ASSERT_EQ(titles().last(), QStringLiteral("COMPLETE"));

    services::installPort(&secondPort);
    bool looked = false;
    QString splashTitle;
    second.setFrameListener([&](const QByteArray&, const QByteArray&) {
        if (second.requestsHeard() == 500)
            splashTitle = splash() ? splash()->windowTitle() : QString();
        if (second.requestsHeard() != 1044 + 100 || looked)
            return;
        looked = true;
        QWidget* window = splash();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Import"));
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("Importing from File...."));
        // 99 of the 1040 entries that differ are written.
        EXPECT_EQ(bar->value(), 9);
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblPercent"))->text(), QStringLiteral("9%"));
        EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("cmdCancel")), nullptr);
        EXPECT_TRUE(enabledLocked().isEmpty());
    });
    dialogs.script.messages.clear();
    dialogs.script.chooseNextFile(path);
    ImportTune();

    EXPECT_TRUE(looked);
    EXPECT_EQ(titles(), (QStringList{"WARNING", "COMPLETE"}));
    EXPECT_EQ(dialogs.script.messages[0].text,
              QStringLiteral("Importing a tune will OVERWRITE all memory locations.\nWould you like to continue?"));
    EXPECT_EQ(dialogs.script.messages[0].icon, MsgIcon::Exclamation);
    // Its Yes overwrites the unit: Enter and Escape answer No.
    EXPECT_EQ(dialogs.script.messages[0].defaultAnswer, MsgAnswer::No);
    EXPECT_EQ(dialogs.script.messages[1].text, QStringLiteral("Tune Import Completed."));
    EXPECT_TRUE(tune_test::SameTune(second.memory(), first.memory()));
    EXPECT_EQ(tune_test::ExpectedFile(second.memory(), Stamp), ReadFile(path));
    // Only the tune moves: the transfer function and the stage stay the unit's own.
    for (int address = 0; address < VentrixMemory::TableSize; ++address)
        ASSERT_EQ(second.memory().cell('F', address), secondBefore.cell('F', address));
    EXPECT_EQ(second.memory().stageCode(), secondBefore.stageCode());
    // Only the entries the unit held otherwise are written and read back:
    // 1040 of the 1044, 19 of them registers.
    ASSERT_EQ(DifferingPlaces(first.memory(), secondBefore).size(), 1040);
    EXPECT_EQ(second.requestCount(QStringLiteral("W")), 1040 - 19);
    EXPECT_EQ(second.requestCount(QStringLiteral("WT")), 19);
    // The backup's 1044 reads before the writes, the read-back's after them.
    EXPECT_EQ(second.requestCount(QStringLiteral("R")), 1024 + 1040 - 19);
    EXPECT_EQ(second.requestCount(QStringLiteral("RT")), 20 + 19);
    const QStringList sent = heard(second);
    ASSERT_EQ(sent.size(), 1044 + 2 * 1040);
    EXPECT_EQ(sent.mid(0, 1044).filter(QRegularExpression(QStringLiteral("^R"))).size(), 1044);
    EXPECT_EQ(sent.mid(1044, 1040).filter(QRegularExpression(QStringLiteral("^W"))).size(), 1040);
    // One backup, of what the unit held before the first write.
    EXPECT_EQ(splashTitle, QStringLiteral("Backup"));
    const QList<BackupFile> made = ListBackups(BackupFolder());
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0].port, secondPort.portNumber());
    EXPECT_EQ(dataPart(ReadFile(made[0].path)), dataPart(tune_test::ExpectedFile(secondBefore, Stamp)));
    expectRestored();
}

TEST_F(TuneTransferTest, TheExportShowsItsPercentageAndCancelEndsItWithoutAFile)
{
    QString shownAtHalf;
    bool cancelOffered = false;
    first.setFrameListener([&](const QByteArray&, const QByteArray&) {
        const int requests = first.requestsHeard();
        QWidget* window = splash();
        if (!window)
            return;
        if (requests == 523) // 522 lines done: 50 %
            shownAtHalf = window->findChild<QLabel*>(QStringLiteral("lblPercent"))->text();
        if (requests == 600) {
            auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
            ASSERT_NE(cancel, nullptr);
            cancelOffered = cancel->isVisible() && cancel->isEnabled();
            QTimer::singleShot(0, cancel, &QPushButton::click); // pressed while the reply is awaited
        }
    });
    dialogs.script.chooseNextFile(path);
    ExportTune();
    first.setFrameListener({});

    EXPECT_EQ(shownAtHalf, QStringLiteral("50%"));
    EXPECT_TRUE(cancelOffered);
    EXPECT_EQ(first.requestsHeard(), 600);           // nothing after the read in flight
    EXPECT_EQ(titles(), QStringList{"TUNE EXPORT"}); // no failure reported, no completion
    EXPECT_TRUE(dialogs.script.fileRequests.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    expectRestored();
}

TEST_F(TuneTransferTest, NoAndCancelRestoreTheMainWindow)
{
    struct Case {
        bool exporting;
        bool sayNo; // otherwise Yes, then Cancel in the file dialog
        int requests;
    } const cases[] = {{true, true, 0}, {true, false, 1044}, {false, true, 0}, {false, false, 0}};
    for (const Case& c : cases) {
        first.clearLog();
        dialogs.script.messages.clear();
        if (c.sayNo)
            dialogs.script.answerNext(MsgAnswer::No);
        c.exporting ? ExportTune() : ImportTune();
        EXPECT_EQ(first.payloadLog().size(), c.requests) << c.exporting << c.sayNo;
        EXPECT_EQ(dialogs.script.messages.size(), 1) << "no message after the question";
        EXPECT_FALSE(QFile::exists(path));
        expectRestored();
    }
}

TEST_F(TuneTransferTest, NotConnectedDoesNothingButSaySo)
{
    mdlPublicVars::Connected = false;
    for (const auto operation : {&ExportTune, &ImportTune}) {
        dialogs.script.messages.clear();
        operation();
        EXPECT_EQ(titles(), QStringList{"Connection Error"});
        EXPECT_EQ(w.main->windowTitle(), QStringLiteral("Not Connected"));
        EXPECT_TRUE(mdlMain::IsControlEnabled(QStringLiteral("cmdConnect")));
    }
    EXPECT_TRUE(first.payloadLog().isEmpty());
    EXPECT_TRUE(dialogs.script.fileRequests.isEmpty());
}

TEST_F(TuneTransferTest, ReadFailureWritesNoFile)
{
    for (const int answered : {0, 600, 1043}) {
        first.faults().silent = false;
        auto count = std::make_shared<int>(0);
        first.setFrameListener([this, count, answered](const QByteArray&, const QByteArray&) {
            if (++*count >= answered)
                first.faults().silent = true;
        });
        first.faults().silent = answered == 0;
        tune_test::WriteFile(path, "an older tune");
        dialogs.script.messages.clear();
        dialogs.script.fileRequests.clear();
        dialogs.whileOpen = [&] {
            if (dialogs.script.messages.size() == 1) { // the failure's box
                EXPECT_EQ(w.main->cursor().shape(), Qt::ArrowCursor);
            }
        };
        ExportTune();
        dialogs.whileOpen = {};
        EXPECT_EQ(titles(), (QStringList{"TUNE EXPORT", "Read Failure!"})) << answered;
        EXPECT_EQ(dialogs.script.messages[1].text, QStringLiteral("Table Read Failed. Please try again."));
        EXPECT_EQ(dialogs.script.messages[1].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(dialogs.script.fileRequests.isEmpty());
        EXPECT_EQ(ReadFile(path), "an older tune");
        expectRestored();
    }
}

TEST_F(TuneTransferTest, AUnitThatStopsAnsweringLeavesTheWindowsAliveWhileItsAttemptsRunOut)
{
    struct Case {
        bool exporting;
        int attempts;
        const char* title;
    } const cases[] = {{true, 50, "Read Failure!"}, {false, 10, "Import Failure"}};
    for (const Case& c : cases) {
        first.clearLog();
        first.faults() = {};
        dialogs.script.messages.clear();
        // After 300 answers the unit goes quiet; an event posted at the first
        // unanswered attempt must run before the attempts are used up.
        int heardWhenEventRan = -1;
        const int answered = c.exporting ? 300 : 1044 + 300; // an import's backup reads first
        first.setFrameListener([&](const QByteArray&, const QByteArray&) {
            if (first.payloadLog().size() == answered)
                first.faults().silent = true;
            if (first.payloadLog().size() == answered + 1)
                QTimer::singleShot(0, w.main.get(), [&] { heardWhenEventRan = first.payloadLog().size(); });
        });
        if (c.exporting) {
            ExportTune();
        } else {
            importFile(tune_test::ExpectedFile(second.memory(), Stamp));
        }
        const QStringList sent = heard(first);
        EXPECT_EQ(sent.size(), answered + c.attempts);
        EXPECT_EQ(sent.count(sent.last()), c.attempts) << "every attempt of the one request";
        EXPECT_EQ(heardWhenEventRan, answered + 1);
        EXPECT_EQ(titles().last(), QString::fromLatin1(c.title));
        expectRestored();
    }
}

// A file that cannot be written or read: the box names it, the unit is not written.
TEST_F(TuneTransferTest, FilesThatCannotBeWrittenOrReadAreReported)
{
    const QString nowhere = dir.filePath(QStringLiteral("no such folder/MAF_Data.tun"));
    const QString missing = dir.filePath(QStringLiteral("missing.tun"));
    for (const bool exporting : {true, false}) {
        dialogs.script.messages.clear();
        first.clearLog();
        dialogs.script.chooseNextFile(exporting ? nowhere : missing);
        exporting ? ExportTune() : ImportTune();
        ASSERT_EQ(
            titles(),
            (QStringList{exporting ? "TUNE EXPORT" : "WARNING", exporting ? "Export Failure" : "Import Failure"}));
        EXPECT_EQ(dialogs.script.messages[1].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(dialogs.script.messages[1].text.contains(exporting ? "no such folder" : "missing.tun"));
        EXPECT_FALSE(QFile::exists(nowhere));
        EXPECT_EQ(first.payloadLog().size(), exporting ? 1044 : 0);
        expectRestored();
    }
}

TEST_F(TuneTransferTest, FilesThatAreNoTuneWriteNothing)
{
    QByteArray midBad = firstUnitFile();
    midBad.replace("\r\nO80", "\r\nO8G"); // line 387 (O80) mangled
    QByteArray lastBad = firstUnitFile();
    lastBad.replace(lastBad.size() - 4, 2, "\r\nZ"); // an extra line after T13
    struct Case {
        QByteArray file;
        int line;
    } const cases[] = {
        // Which lines the parser refuses is its own test's; here, that nothing is sent.
        {"&M110901\r\nC0000\r\nC0101\r\n\r\n", 2}, // no time stamp: C00 would never be written
        {midBad, 3 + 256 + 0x80},
        {lastBad, 1047},
    };
    for (const Case& c : cases) {
        first.clearLog();
        dialogs.script.messages.clear();
        const VentrixMemory before = first.memory();
        importFile(c.file);
        EXPECT_TRUE(first.payloadLog().isEmpty()) << c.line;
        EXPECT_EQ(first.memory(), before);
        ASSERT_EQ(titles(), (QStringList{"WARNING", "ABORT"})) << c.line;
        const QString text = dialogs.script.messages[1].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Illegal File Format. Tune Import aborted.\n")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Line %1").arg(c.line))) << text.toStdString();
        expectRestored();
    }
}

TEST_F(TuneTransferTest, RefusalsNameTheLine)
{
    const std::tuple<int, const char*, const char*> cases[] = {
        {1, "&M110901 ", "Line 1: \"&M110901 \""},
        {2, "", "Line 2 (the time stamp) is missing."},
        {2, "C0000", "Line 2: \"C0000\" is a data line where the time stamp was expected."},
        {9, "C1\tF80", "Line 9: \"C1?F80\""},
        {12, "0123456789012345678901234567890123456789XYZ", "Line 12: \"0123456789012345678901234567890123456789...\""},
    };
    for (const auto& [line, text, where] : cases)
        EXPECT_EQ(IllegalFormatText(line, QString::fromLatin1(text)),
                  QStringLiteral("Illegal File Format. Tune Import aborted.\n") + QString::fromLatin1(where));

    // A file far larger than any tune is not even read through.
    importFile(QByteArray("&M110901\r\nstamp\r\n") + QByteArray(2 * 1024 * 1024, '\n'));
    ASSERT_EQ(titles(), (QStringList{"WARNING", "ABORT"}));
    EXPECT_TRUE(
        dialogs.script.messages[1].text.startsWith(QStringLiteral("Illegal File Format. Tune Import aborted.")));
    EXPECT_TRUE(first.payloadLog().isEmpty());
    expectRestored();
}

TEST_F(TuneTransferTest, HandEditedFilesAreSentAsTheyStand)
{
    struct Case {
        QByteArray file;
        QStringList sent;
    } const cases[] = {
        {"&M110901\r\n12-05-2026-07:41:09\r\n", {}},
        {"&M110901\r\n12-05-2026-07:41:09\r\n\r\n", {}},
        {"&M110901\r\nanything\r\n\r\nT13F6\r\n\r\n\r\nC1F8a\r\n\r\n", {"WT13F6", "WC1F8a"}},
    };
    for (const Case& c : cases) {
        first.clearLog();
        dialogs.script.messages.clear();
        importFile(c.file);
        const QStringList writes = heard(first).filter(QRegularExpression(QStringLiteral("^W")));
        EXPECT_EQ(writes, c.sent);
        EXPECT_EQ(titles(), (QStringList{"WARNING", "COMPLETE"}));
        expectRestored();
    }
    EXPECT_EQ(first.memory().registerValue(0x13), 0xF6);
    EXPECT_EQ(first.memory().cell('C', 0x1F), 0x8A);
}

TEST_F(TuneTransferTest, WriteFailureAndWrongEchoStopTheImportAtThatLine)
{
    const QByteArray file = tune_test::ExpectedFile(second.memory(), Stamp);
    struct Case {
        const char* fault;
        const char* text;
    } const cases[] = {{"silent", "Import operation failed. Please try again."},
                       {"wrong-echo", "Import operation failed!"}};
    for (const Case& c : cases) {
        VentrixDevice unit;
        tune_test::FillTune(unit.memory(), 1);
        const VentrixMemory before = unit.memory();
        SimulatedPort port(unit, clock);
        ASSERT_EQ(port.open(), PortError::None);
        services::installPort(&port);
        // After the backup's reads, the first 500 writes go through; the
        // 501st does not. Only entries the unit holds otherwise are written.
        unit.setFrameListener([&](const QByteArray&, const QByteArray&) {
            if (unit.requestsHeard() == 1044 + 500) {
                QString error;
                ASSERT_TRUE(unit.faults().apply(QString::fromLatin1(c.fault), &error)) << error.toStdString();
            }
        });
        dialogs.script.messages.clear();
        importFile(file);
        ASSERT_EQ(titles(), (QStringList{"WARNING", "Import Failure"})) << c.fault;
        EXPECT_EQ(dialogs.script.messages[1].text, QString::fromLatin1(c.text));
        EXPECT_EQ(dialogs.script.messages[1].icon, MsgIcon::Exclamation);
        const QStringList sent = heard(unit);
        const int failing = DifferingPlaces(before, second.memory()).at(500);
        const QString failingLine = QString::fromLatin1(file).split(QStringLiteral("\r\n")).at(failing + 2);
        EXPECT_EQ(sent.last(), QStringLiteral("W") + failingLine) << "the last request is the failing line's";
        EXPECT_EQ(sent.count(QStringLiteral("W") + failingLine), c.fault == QByteArray("silent") ? 10 : 1);
        // What was confirmed stays; nothing after the failing line is sent
        // (the failing entry itself may hold either).
        for (int i = 0; i < 1044; ++i) {
            if (i != failing) {
                ASSERT_EQ(EntryAt(unit.memory(), i), EntryAt(i < failing ? second.memory() : before, i)) << i;
            }
        }
        expectRestored();
        services::installPort(w.port);
    }
}

// --- backups and the read-back -------------------------------------------------

class SafeImportTest : public TuneTransferTest {
protected:
    QList<BackupFile> backups() const { return ListBackups(BackupFolder()); }
    QStringList writesHeard(VentrixDevice& unit) const
    {
        return heard(unit).filter(QRegularExpression(QStringLiteral("^W")));
    }
};

TEST_F(SafeImportTest, AFailedBackupStopsTheImportUnlessTheUserChoosesToGoOn)
{
    const QByteArray file = tune_test::ExpectedFile(second.memory(), Stamp);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        tune_test::FillTune(first.memory(), 1);
        first.clearLog();
        dialogs.script.messages.clear();
        // Read 701 (entry 700, L BC) goes unanswered through its 50 attempts.
        auto count = std::make_shared<int>(0);
        first.setFrameListener([this, count](const QByteArray&, const QByteArray&) {
            ++*count;
            first.faults().silent = *count >= 700 && *count < 750;
        });
        dialogs.script.answerNext(MsgAnswer::Yes); // WARNING
        dialogs.script.answerNext(answer);         // Backup Failure
        importFile(file);
        first.setFrameListener({});
        first.faults() = {};

        ASSERT_GE(titles().size(), 2);
        EXPECT_EQ(titles()[1], QStringLiteral("Backup Failure"));
        const ScriptedDialogs::Message& asked = dialogs.script.messages[1];
        EXPECT_EQ(asked.defaultAnswer, MsgAnswer::No);
        EXPECT_EQ(asked.icon, MsgIcon::Exclamation);
        EXPECT_EQ(asked.text,
                  QStringLiteral("The tune in the unit could not be backed up.\nThe unit did not answer "
                                 "\"RLBC\".\n\nOverwrite the unit without a backup? Its tune is then "
                                 "lost if the new one is wrong."));
        EXPECT_TRUE(backups().isEmpty());
        if (answer == MsgAnswer::No) {
            EXPECT_EQ(titles().size(), 2);
            EXPECT_TRUE(writesHeard(first).isEmpty());
            EXPECT_FALSE(tune_test::SameTune(first.memory(), second.memory()));
        } else {
            EXPECT_EQ(titles().last(), QStringLiteral("COMPLETE"));
            EXPECT_TRUE(tune_test::SameTune(first.memory(), second.memory()));
        }
        expectRestored();
    }
}

TEST_F(SafeImportTest, CancelDuringTheBackupWritesNothing)
{
    first.setFrameListener([&](const QByteArray&, const QByteArray&) {
        if (first.requestsHeard() == 300)
            if (auto* cancel = splash() ? splash()->findChild<QPushButton*>(QStringLiteral("cmdCancel")) : nullptr)
                QTimer::singleShot(0, cancel, &QPushButton::click);
    });
    const VentrixMemory before = first.memory();
    importFile(tune_test::ExpectedFile(second.memory(), Stamp));
    EXPECT_EQ(titles(), QStringList{"WARNING"});
    EXPECT_EQ(first.payloadLog().size(), 300);
    EXPECT_EQ(first.memory(), before);
    EXPECT_TRUE(backups().isEmpty());
    expectRestored();
}

TEST_F(SafeImportTest, TheReadBackNamesEntriesTheUnitDidNotKeep)
{
    // The unit confirms C1F and O80 but keeps 00 in them.
    first.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("WC1F"))
            first.memory().setCell('C', 0x1F, 0x00);
        if (frame.contains("WO80"))
            first.memory().setCell('O', 0x80, 0x00);
    });
    importFile(tune_test::ExpectedFile(second.memory(), Stamp));
    ASSERT_EQ(titles(), (QStringList{"WARNING", "Import Failure"}));
    EXPECT_EQ(dialogs.script.messages[1].text,
              QStringLiteral("The unit was read back after the import: 2 of 1040 entries differ from the file.\n\n"
                             "C1F: the file has %1, the unit has 00\nO80: the file has %2, the unit has 00")
                  .arg(QString::fromLatin1(tune_test::Hex2(second.memory().cell('C', 0x1F))),
                       QString::fromLatin1(tune_test::Hex2(second.memory().cell('O', 0x80)))));
    expectRestored();
}

TEST_F(SafeImportTest, TheTuneOpenedOffLineIsNotBackedUp)
{
    mdlPublicVars::OffLineTunePath = dir.filePath(QStringLiteral("offline.tun"));
    EXPECT_TRUE(BackUpUnitBeforeOverwrite());
    EXPECT_TRUE(first.payloadLog().isEmpty());
    EXPECT_TRUE(backups().isEmpty());
}

// --- Tune > Restore Backup... ---------------------------------------------------

class RestoreBackupTest : public SafeImportTest {
protected:
    QStringList row(frmRestoreBackup* window, int r) const
    {
        QStringList cells;
        for (int c = 0; c < window->lstBackups()->columnCount(); ++c)
            cells << window->lstBackups()->item(r, c)->text();
        return cells;
    }
    // Entries of tables C, O, L, H and registers in which two units differ, counted here.
    static int differing(const VentrixMemory& a, const VentrixMemory& b)
    {
        int count = 0;
        for (const char table : tune_test::TuneTables)
            for (int address = 0; address < 256; ++address)
                count += a.cell(table, address) != b.cell(table, address);
        for (int reg = 0; reg < 20; ++reg)
            count += a.registerValue(reg) != b.registerValue(reg);
        return count;
    }
};

TEST_F(RestoreBackupTest, TheListShowsEachBackupsDifferencesAndRestoreImportsTheChosenOne)
{
    const VentrixMemory before = first.memory();
    QString error;
    const std::optional<Tune> secondTune =
        TuneFromText(QString::fromLatin1(tune_test::ExpectedFile(second.memory(), Stamp)));
    ASSERT_TRUE(secondTune);
    ASSERT_FALSE(
        WriteBackup(BackupFolder(), *secondTune, QDateTime(QDate(2026, 11, 30), QTime(18, 5, 0)), 2, &error).isEmpty());
    // A table's two entries, one as the unit holds it, one not, and a register not.
    Tune partial;
    partial.setValue({'O', 0x10}, first.memory().cell('O', 0x10));
    partial.setValue({'O', 0x11}, first.memory().cell('O', 0x11) ^ 0x01);
    partial.setValue({'T', 0x07}, first.memory().registerValue(0x07) ^ 0x01);
    const QDateTime partialTime(QDate(2026, 12, 1), QTime(7, 0, 1));
    ASSERT_FALSE(WriteBackup(BackupFolder(), partial, partialTime, 1, &error).isEmpty());

    frmRestoreBackup* window = ShowRestoreBackup();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(first.payloadLog().size(), 1044); // the unit read once
    ASSERT_EQ(window->lstBackups()->rowCount(), 2);
    EXPECT_EQ(row(window, 0),
              (QStringList{"2026-12-01", "07:00:01", "1", "3 entries", "2", "2026-12-01_07-00-01_port1.tun"}));
    const QString wholeDiffers = QString::number(differing(before, second.memory()));
    EXPECT_EQ(
        row(window, 1),
        (QStringList{"2026-11-30", "18:05:00", "2", "whole tune", wholeDiffers, "2026-11-30_18-05-00_port2.tun"}));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblFolder"))->text(),
              QStringLiteral("2 backups in %1, newest first.").arg(QDir::toNativeSeparators(BackupFolder())));
    EXPECT_FALSE(window->cmdRestore()->isEnabled());

    // No to the question writes nothing.
    window->lstBackups()->selectRow(1);
    EXPECT_TRUE(window->cmdRestore()->isEnabled());
    dialogs.script.answerNext(MsgAnswer::No);
    window->cmdRestore_Click();
    ASSERT_EQ(titles(), QStringList{"WARNING"});
    EXPECT_EQ(dialogs.script.messages[0].text,
              QStringLiteral("Restoring the backup of 2026-11-30 18:05:00 (2026-11-30_18-05-00_port2.tun) will "
                             "OVERWRITE 1044 memory locations.\nWould you like to continue?"));
    EXPECT_EQ(dialogs.script.messages[0].defaultAnswer, MsgAnswer::No);
    EXPECT_EQ(first.payloadLog().size(), 1044);

    dialogs.script.messages.clear();
    bool lockedWhileWriting = false;
    first.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame.contains("WC00"))
            lockedWhileWriting = !window->cmdRestore()->isEnabled()
                && !window->findChild<QPushButton*>(QStringLiteral("cmdClose"))->isEnabled()
                && !window->lstBackups()->isEnabled();
    });
    window->cmdRestore_Click();
    first.setFrameListener({});
    EXPECT_TRUE(lockedWhileWriting);
    EXPECT_EQ(titles(), (QStringList{"WARNING", "COMPLETE"}));
    EXPECT_TRUE(tune_test::SameTune(first.memory(), second.memory()));
    // The unit as it was is the newest backup now; the restored one matches the unit.
    ASSERT_EQ(window->lstBackups()->rowCount(), 3);
    EXPECT_EQ(row(window, 0).mid(2, 3), (QStringList{"1", "whole tune", wholeDiffers}));
    EXPECT_EQ(row(window, 2).at(4), QStringLiteral("0"));
    // The chosen backup stays selected where the list moved it.
    EXPECT_EQ(window->lstBackups()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(window->lstBackups()->currentRow(), 2);
    const VentrixMemory& now = second.memory();
    const int partialDiffers = (before.cell('O', 0x10) != now.cell('O', 0x10))
        + ((before.cell('O', 0x11) ^ 0x01) != now.cell('O', 0x11))
        + ((before.registerValue(0x07) ^ 0x01) != now.registerValue(0x07));
    EXPECT_EQ(row(window, 1).at(4), QString::number(partialDiffers));
    window->cmdClose_Click();
    expectRestored();
}

TEST_F(RestoreBackupTest, AUnitThatCannotBeReadLeavesTheDifferencesUnknown)
{
    QString error;
    ASSERT_FALSE(WriteBackup(BackupFolder(), Tune::FromValues(QList<int>(DataLineCount, 0x80)), ExportTime, 1, &error)
                     .isEmpty());
    first.faults().silent = true;
    frmRestoreBackup* window = ShowRestoreBackup();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->lstBackups()->rowCount(), 1);
    EXPECT_EQ(window->lstBackups()->item(0, 4)->text(), QStringLiteral("?"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblFolder"))->text(),
              QStringLiteral("1 backup in %1. The unit could not be read: the differences are not known.")
                  .arg(QDir::toNativeSeparators(BackupFolder())));
    window->cmdClose_Click();
    expectRestored();
}

} // namespace

TEST_F(SafeImportTest, TheHistoryRecordsWhatWasReadAndRestoresOneTableAfterTheQuestion)
{
    const VentrixMemory before = first.memory();
    importFile(tune_test::ExpectedFile(second.memory(), Stamp));
    ASSERT_EQ(titles().last(), QStringLiteral("COMPLETE"));
    const QString imported = tune_history::Fingerprint(*TuneFromText(tune_test::ExpectedFile(second.memory(), Stamp)));
    EXPECT_EQ(w.main->statusBar()->currentMessage(), "Tune fingerprint " + imported + ", no record matches");
    // The unit read whole again holds the tune the import recorded (5 December 2026 was a Saturday).
    dialogs.script.chooseNextFile(path);
    ExportTune();
    EXPECT_EQ(w.main->statusBar()->currentMessage(), "Tune fingerprint " + imported + ", matches Saturday 07:41");

    frmTuneHistory* window = ShowTuneHistory();
    const QList<tune_history::Record>& shown = window->shown();
    ASSERT_EQ(shown.size(), 3);
    QTableWidget* grid = window->findChild<QTableWidget*>("grdHistory");
    EXPECT_EQ(grid->item(0, 2)->text() + grid->item(1, 2)->text() + grid->item(2, 2)->text(), "exportimportbackup");
    grid->item(2, 6)->setText("before the import"); // the backup's note, typed in
    EXPECT_EQ(tune_history::History().numbered(3)->note, "before the import");

    // Table C of the backup back into the unit: No writes nothing, Yes writes only table C.
    grid->selectRow(2);
    window->findChild<QComboBox*>("cboRestorePart")->setCurrentText("Table C");
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        first.clearLog();
        dialogs.script.messages.clear();
        dialogs.script.answerNext(answer);
        window->findChild<QPushButton*>("cmdRestoreToUnit")->click();
        ASSERT_FALSE(dialogs.script.messages.isEmpty());
        EXPECT_EQ(dialogs.script.messages[0].defaultAnswer, MsgAnswer::No);
        EXPECT_TRUE(dialogs.script.messages[0].text.contains("table C"))
            << dialogs.script.messages[0].text.toStdString();
        if (answer == MsgAnswer::No) {
            EXPECT_TRUE(first.payloadLog().isEmpty());
        }
    }
    EXPECT_EQ(titles().last(), QStringLiteral("COMPLETE"));
    for (int address = 0; address < 256; ++address) {
        ASSERT_EQ(first.memory().cell('C', address), before.cell('C', address)) << address;
        ASSERT_EQ(first.memory().cell('O', address), second.memory().cell('O', address)) << address;
    }
    EXPECT_EQ(first.memory().registerValue(0x05), second.memory().registerValue(0x05));
    window->close();
}
