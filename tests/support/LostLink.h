#pragma once

#include "support/ReadFile.h"
#include "support/SimulatedWorld.h"

#include <QStringList>

#include <gtest/gtest.h>

// The ways the live windows' tests lose the link: the adapter pulled out
// (2.5 s, back on its port or under another number) or the unit falling silent.
struct LinkLoss {
    const char* what;
    int replugPort; // -1: the unit falls silent instead; 0: back on its own port
    int backOn;     // the port it is found on again
};

inline void Lose(SimulatedWorld& w, const LinkLoss& loss)
{
    if (loss.replugPort < 0) {
        w.device.faults().silent = true;
        return;
    }
    w.device.faults().unplugAfter = w.device.requestsHeard();
    w.device.faults().unplugMs = 2500;
    w.device.faults().replugPort = loss.replugPort;
}

// The unit can be found again.
inline void Restore(SimulatedWorld& w, const LinkLoss& loss)
{
    if (loss.replugPort < 0)
        w.device.faults().silent = false;
    else
        w.clock.advance(2500);
}

// After the window's QUIT: the unit healthy on port 1 and connected, for the next case.
inline void ConnectAfresh(SimulatedWorld& w)
{
    w.device.setFaults({});
    w.simulated.setUnitPort(1);
    w.simulated.setExistingPorts({1, 2, 3, 4, 5, 6});
    w.main->cmdConnect_Click();
    ASSERT_TRUE(mdlPublicVars::Connected);
}

// A data log through the loss: its two heading lines, a sample, the gap's
// "link lost" and "link back" stamps, and a sample again (its time and `values`).
inline void ExpectGapInLog(const QString& path, int values)
{
    const QStringList lines = QString::fromLatin1(ReadFile(path)).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[3].startsWith("\"USER TIMESTAMP:\",\"") && lines[3].endsWith("\",\"link lost\""))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("\"USER TIMESTAMP:\",\"") && lines[4].endsWith("\",\"link back\""))
        << lines[4].toStdString();
    EXPECT_EQ(lines[5].count("\",\""), values);
}
