#pragma once

#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

// The simulated unit on an open port 1, connected, with scripted dialogs and
// a settings store of its own.
class ConnectedUnit : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mdlPublicVars::Reset();
        services::install(&port, &clock, &dialogs, &settings);
        port.setPortNumber(1);
        ASSERT_EQ(port.open(), PortError::None);
        port.setRts(true);
        mdlPublicVars::Connected = true;
    }

    void TearDown() override { mdlMain::RegisterMainWindow(nullptr); }

    // Payloads the unit heard since the last call, oldest first.
    QStringList heard()
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            payloads.append(QString::fromLatin1(payload));
        device.clearLog();
        return payloads;
    }

    // Makes the unit answer only the next n requests; it hears (and logs)
    // the rest without answering.
    void answerOnly(int n)
    {
        device.faults().silent = n <= 0;
        auto answered = std::make_shared<int>(0);
        device.setFrameListener([this, answered, n](const QByteArray&, const QByteArray&) {
            if (++*answered >= n)
                device.faults().silent = true;
        });
    }
    void answerAll()
    {
        device.setFrameListener({});
        device.faults().silent = false;
    }

    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort port{device, clock};
};

// A stand-in main window holding the controls other windows switch, by name.
class StandInMainWindow {
public:
    StandInMainWindow()
    {
        for (const char* name : {"cmdConnect", "cmdDisconnect", "cmdGraphicalTune", "cmdVentrixRun",
                                 "cmdMemoryModify", "cmdAccuracyTest", "cmdAbout"}) {
            auto* button = new QPushButton(&window);
            button->setObjectName(QString::fromLatin1(name));
        }
        for (const char* name : {"mnuMemory", "mnuDiagnostics", "mnuVentrix", "mnuHelp"}) {
            auto* action = new QAction(&window);
            action->setObjectName(QString::fromLatin1(name));
        }
        indicator = new QLineEdit(&window);
        indicator->setObjectName(QStringLiteral("txtConnected"));
        mdlMain::RegisterMainWindow(&window);
    }
    ~StandInMainWindow() { mdlMain::RegisterMainWindow(nullptr); }

    // As the port search leaves it after finding the unit on port 1.
    void showConnected()
    {
        window.setWindowTitle(QStringLiteral("Connected - VentrixTM Communcations Software"));
        mdlMain::SetControlsEnabled({QStringLiteral("cmdConnect")}, false);
        mdlMain::SetControlsEnabled({QStringLiteral("cmdDisconnect")}, true);
        indicator->setText(QStringLiteral("Com 1"));
        colours::SetBackground(indicator, colours::Green);
    }

    QMainWindow window;
    QLineEdit* indicator;
};
