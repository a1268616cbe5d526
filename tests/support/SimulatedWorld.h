#pragma once

#include "app/frmMain.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"
#include "sim/SimulatedPort.h"
#include "sim/VentrixDevice.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "support/ScriptedDialogs.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The world a window test runs in: the simulated unit on a manual clock,
// scripted boxes and file choices, settings in memory, a scratch folder, and
// the main window on a port that can script or silence single requests.
// Made fresh for each test; the program-wide state starts from its defaults.
struct SimulatedWorld {
    // A port a test puts between the main window and the scripted port (to
    // record what goes out, say); it forwards to the port it is given.
    using PortBetween = std::function<std::unique_ptr<SerialPort>(SerialPort& scripted)>;

    explicit SimulatedWorld(const PortBetween& between = {})
    {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        mdlPublicVars::Reset();
        services::install(nullptr, &clock, &dialogs, &settings);
        auto owned = std::make_unique<ScriptedRepliesPort>(simulated);
        port = owned.get();
        if (between) {
            scriptedBehind_ = std::move(owned);
            main = std::make_unique<frmMain>(between(*port));
        } else {
            main = std::make_unique<frmMain>(std::move(owned));
        }
    }
    ~SimulatedWorld()
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QLocale::setDefault(QLocale::c());
    }
    SimulatedWorld(const SimulatedWorld&) = delete;
    SimulatedWorld& operator=(const SimulatedWorld&) = delete;

    // Connect as the user does and load the configuration; the boxes and the
    // unit's log start empty afterwards.
    void connectAndLoad()
    {
        main->cmdConnect_Click();
        ASSERT_TRUE(mdlPublicVars::Connected);
        main->LoadConfigurationAtStartup();
        dialogs.messages.clear();
        device.clearLog();
    }

    // Payloads the unit heard since the last call; live samples left out
    // unless asked for.
    QStringList heard(bool withSamples = true)
    {
        QStringList payloads;
        for (const QByteArray& payload : device.payloadLog())
            if (withSamples || payload != "M")
                payloads << QString::fromLatin1(payload);
        device.clearLog();
        return payloads;
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto& m : dialogs.messages)
            texts << m.text;
        return texts;
    }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    VentrixDevice device;
    SimulatedPort simulated{device, clock};
    ScriptedRepliesPort* port = nullptr;

private:
    std::unique_ptr<ScriptedRepliesPort> scriptedBehind_; // outlives the main window

public:
    std::unique_ptr<frmMain> main;
};
