#pragma once

#include "app/frmMain.h"
#include "app/mdlMain.h"
#include "link/Frame.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"
#include "tunefile/Backups.h"
#include "tuner/GlobalEdits.h"
#include "tuner/frmGraphicalTune.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

// The main window connected to the simulated unit, with the tuner opened
// from its menu.
class TunerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        mdlPublicVars::Reset();
        tuner::LastAppliedRatioOL = {};
        tuner::LastAppliedRatioCL = {};
        ASSERT_TRUE(dir.isValid());
        previousBackupFolder = tunefile::BackupFolder();
        tunefile::SetBackupFolder(dir.filePath(QStringLiteral("backups")));
        services::install(nullptr, &clock, &dialogs, &settings);
        auto owned = std::make_unique<ScriptedRepliesPort>(simulated);
        port = owned.get();
        main = std::make_unique<frmMain>(std::move(owned));
        // Known injector sizes, breakpoint and switch points.
        VentrixMemory& memory = device.memory();
        for (int reg = 0x02; reg <= 0x0D; ++reg)
            if (reg < 0x06 || reg > 0x09)
                memory.setRegister(reg, 19);
        memory.setRegister(0x00, 0x02);
        memory.setRegister(0x01, 0x00);
        memory.setRegister(0x07, 3000 / 40);
        memory.setRegister(0x08, 6000 / 40);
        main->cmdConnect_Click();
        ASSERT_TRUE(mdlPublicVars::Connected);
        main->LoadConfigurationAtStartup();
        dialogs.messages.clear();
        device.clearLog();
    }

    void TearDown() override
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(QLocale::c());
        tunefile::SetBackupFolder(previousBackupFolder);
    }

    // Tune > Graphical Tuner, as the user chooses it.
    frmGraphicalTune* open()
    {
        main->mnuGraphicalTunerItem_Click();
        window = main->findChild<frmGraphicalTune*>();
        return window;
    }
    void goOnline()
    {
        dialogs.answerNext(MsgAnswer::Yes);
        window->cmdONLINE_Click();
    }
    // One timer tick a second after the last.
    void tick()
    {
        clock.advance(1000);
        window->Timer1_Timer();
    }

    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QScrollBar* slider(int cell) const { return window->VScroll1(cell); }
    QString text(const QString& name) const
    {
        if (auto* label = control<QLabel>(name))
            return label->text();
        if (auto* box = control<QLineEdit>(name))
            return box->text();
        if (auto* list = control<QComboBox>(name))
            return list->currentText();
        return control<QPushButton>(name)->text();
    }
    QColor background(const QString& name) const { return colours::Background(control(name)); }
    QColor buttonFace() const { return colours::ButtonFace(); }

    // Payloads the unit heard since the last call; live samples left out
    // unless asked for.
    QStringList heard(bool withSamples = false)
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            if (withSamples || payload != "M")
                payloads << QString::fromLatin1(payload);
        device.clearLog();
        return payloads;
    }
    static QStringList readsOf(char table)
    {
        QStringList reads;
        for (int j = 0; j < 256; ++j)
            reads << QStringLiteral("R") + QLatin1Char(table) + frame::HexByte(j);
        return reads;
    }
    QList<ScriptedDialogs::Message>& messages() { return dialogs.messages; }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : dialogs.messages)
            texts << m.text;
        return texts;
    }

    QTemporaryDir dir;
    QString previousBackupFolder;
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort simulated{device, clock};
    ScriptedRepliesPort* port = nullptr;
    std::unique_ptr<frmMain> main;
    QPointer<frmGraphicalTune> window;
};
