#pragma once

#include "link/Autodetect.h"

#include <QList>
#include <QStringList>

// Records what the port search showed, in order.
class RecordingView final : public ConnectionView {
public:
    void setBusyPointer(bool busy) override { events << (busy ? "busy" : "arrow"); }
    void showAutodetectWindow() override { events << "autodetect"; }
    void showCandidatePort(int n) override { candidates.append(n); }
    void unloadAutodetectWindow() override { events << "unload"; }
    void showConnectedIndicator(int n) override { events << QStringLiteral("Com %1").arg(n); }
    void showSearchFailed() override { events << "failed"; }
    void showConnectedTitle() override { events << "title connected"; }
    void showDisconnected() override { events << "disconnected"; }

    QStringList events;
    QList<int> candidates;
};
