#include "tunefile/TuneTransferFixture.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

// A tune file's data lines, without the two lines that carry the time.
QByteArray dataPart(const QByteArray& file)
{
    return file.mid(file.indexOf("\r\n", file.indexOf("\r\n") + 2));
}

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
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Export"));
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("Exporting to Memory....."));
        EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(w.main->cursor().shape(), Qt::WaitCursor);
        EXPECT_EQ(bar->value(), 50); // 522 of 1044
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblPercent"))->text(), QStringLiteral("50%"));
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
    // The backup's 1044 reads, then only the 1040 entries the unit held
    // otherwise written, then those read back.
    ASSERT_EQ(DifferingPlaces(first.memory(), secondBefore).size(), 1040);
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

// Cancel, pressed while a reply is awaited (the export's 600th read, the
// backup's 300th before an import), ends it quietly: nothing sent after the
// read in flight, no file, no backup, nothing written.
TEST_F(TuneTransferTest, CancelEndsTheExportOrTheImportsBackupLeavingNoTrace)
{
    for (const bool exporting : {true, false}) {
        const int at = exporting ? 600 : 300;
        bool cancelOffered = false;
        first.clearLog();
        dialogs.script.messages.clear();
        first.setFrameListener([&](const QByteArray&, const QByteArray&) {
            if (first.requestsHeard() != at || !splash())
                return;
            auto* cancel = splash()->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
            ASSERT_NE(cancel, nullptr);
            cancelOffered = cancel->isVisible() && cancel->isEnabled();
            QTimer::singleShot(0, cancel, &QPushButton::click);
        });
        const VentrixMemory before = first.memory();
        dialogs.script.chooseNextFile(path);
        exporting ? ExportTune() : importFile(tune_test::ExpectedFile(second.memory(), Stamp));
        first.setFrameListener({});

        EXPECT_TRUE(cancelOffered);
        EXPECT_EQ(first.requestsHeard(), at);
        EXPECT_EQ(titles(), QStringList{exporting ? "TUNE EXPORT" : "WARNING"}); // no failure, no completion
        EXPECT_EQ(dialogs.script.fileRequests.isEmpty(), exporting);
        EXPECT_EQ(QFile::exists(path), !exporting); // the export's file; the file imported
        EXPECT_EQ(first.memory(), before);
        EXPECT_TRUE(ListBackups(BackupFolder()).isEmpty());
        expectRestored();
    }
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
        // While the failure's box is open (the question alone recorded) the cursor is the arrow again.
        dialogs.whileOpen = [&] { EXPECT_TRUE(titles().size() != 1 || w.main->cursor().shape() == Qt::ArrowCursor); };
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
        c.exporting ? ExportTune() : importFile(tune_test::ExpectedFile(second.memory(), Stamp));
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
    // A file far larger than any tune is not even read through.
    const QByteArray huge = QByteArray("&M110901\r\nstamp\r\n") + QByteArray(2 * 1024 * 1024, '\n');
    const std::pair<QByteArray, const char*> cases[] = {{midBad, "Line 387: \"O8G"},
                                                        {lastBad, "Line 1047: \"Z\""},
                                                        {huge, " is far larger than any tune file."}};
    for (const auto& [file, why] : cases) {
        first.clearLog();
        dialogs.script.messages.clear();
        const VentrixMemory before = first.memory();
        importFile(file);
        EXPECT_TRUE(first.payloadLog().isEmpty()) << why;
        EXPECT_EQ(first.memory(), before);
        ASSERT_EQ(titles(), (QStringList{"WARNING", "ABORT"})) << why;
        const QString text = dialogs.script.messages[1].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Illegal File Format. Tune Import aborted.\n")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromLatin1(why))) << text.toStdString();
        expectRestored();
    }
}

TEST(IllegalFormatTest, RefusalsNameTheLine)
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
}

TEST_F(TuneTransferTest, HandEditedFilesAreSentAsTheyStand)
{
    struct Case {
        QByteArray file;
        QStringList sent;
    } const cases[] = {
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
        SimulatedPort port(unit, w.clock);
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

} // namespace
