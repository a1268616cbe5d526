#pragma once

// What a benchmark that drives the program's windows stands on: ventrix-sim
// paced on a pseudo-terminal as port 1, the services the windows use (the
// system clock, dialogs that answer Yes, settings kept in memory) and, for
// the windows that drive the main window's progress bar, a stand-in main
// window holding one.
#include "BenchSupport.h"
#include "PacedSimulator.h"
#include "app/mdlMain.h"
#include "link/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Services.h"

#include <QMainWindow>
#include <QProgressBar>

class PacedWindowWorld {
public:
    ~PacedWindowWorld()
    {
        if (mainWindowShown_)
            mdlMain::RegisterMainWindow(nullptr);
        services::installPort(nullptr);
    }

    // False, after saying why, when the simulator or its port did not start.
    bool start()
    {
        if (!simulator.start())
            return false;
        services::install(&simulator.port(), &clock, &dialogs, &settings);
        return true;
    }

    void showMainWindow()
    {
        auto* bar = new QProgressBar(&mainWindow_);
        bar->setObjectName(QStringLiteral("ProgressBar1"));
        mainWindow_.setCentralWidget(bar);
        mainWindow_.show();
        mdlMain::RegisterMainWindow(&mainWindow_);
        mainWindowShown_ = true;
    }

    PacedSimulator simulator;
    SystemClock clock;
    bench::YesDialogs dialogs;
    MemorySettingsStore settings;

private:
    QMainWindow mainWindow_;
    bool mainWindowShown_ = false;
};
