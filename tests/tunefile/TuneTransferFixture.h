#pragma once

// The simulated world with two units of different tunes, for the tests of
// Export Tune, Import Tune and what guards an import.
#include "tunefile/TuneTransfer.h"

#include "app/mdlMain.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneTestSupport.h"

#include <QApplication>
#include <QProgressBar>
#include <QRegularExpression>

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
            if (widget->isVisible()
                && widget->objectName().contains(QRegularExpression("^frm(Export|Import|Backup|Read)Splash$")))
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
    QString path;
    QString previousBackupFolder;
};

} // namespace
