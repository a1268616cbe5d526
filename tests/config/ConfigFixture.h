#pragma once

#include "app/mdlMain.h"
#include "platform/Colours.h"
#include "support/SimulatedWorld.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

// The simulated unit connected to the main window, its configuration loaded.
class ConnectedUnit : public ::testing::Test {
protected:
    void SetUp() override { w.connectAndLoad(); }

    QStringList heard() { return w.heard(); }
    // A message box (the last for -1): its icon, title and text.
    std::tuple<MsgIcon, QString, QString> said(int i = -1) const
    {
        const auto& m = dialogs.messages.at(i < 0 ? dialogs.messages.size() + i : i);
        return {m.icon, m.title, m.text};
    }
    QLineEdit* indicator() const { return w.main->findChild<QLineEdit*>(QStringLiteral("txtConnected")); }

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

    SimulatedWorld w;
    ManualClock& clock = w.clock;
    ScriptedDialogs& dialogs = w.dialogs;
    MemorySettingsStore& settings = w.settings;
    VentrixDevice& device = w.device;
};
