#include "MonitorFixture.h"

#include <QTimer>

namespace {

// However the link goes (the adapter pulled, back on the same port or under
// another name; the unit falling silent), the monitor says so once without a
// box, greys its readouts, looks for the unit, and carries on in the same log.
TEST_F(MonitorWindowTest, LostLinkIsFoundAgainAndTheLogNotesTheGap)
{
    for (const LinkLoss& c : {LinkLoss{"pulled, back on its port", 0, 1}, LinkLoss{"pulled, back as port 3", 3, 3},
                              LinkLoss{"unit silent", -1, 1}}) {
        SCOPED_TRACE(c.what);
        open();
        const QString path = w.dir.filePath(QString::fromLatin1(c.what) + ".txt");
        start(MsgAnswer::Yes, path);
        w.port->replies.remove("M");
        tick();
        const QString shown = text("lblMAFInputVoltage");

        Lose(w, c);
        messages().clear();
        tick();
        EXPECT_TRUE(messages().empty());
        EXPECT_TRUE(window->Reconnecting());
        EXPECT_FALSE(Connected);
        EXPECT_EQ(text("lblLinkStatus"), "Link lost, reconnecting...");
        EXPECT_TRUE(shownAndEnabled("cmdCancelReconnect"));
        EXPECT_EQ(w.main->windowTitle(), "Link lost, reconnecting...");
        EXPECT_EQ(w.main->findChild<QLineEdit*>("txtConnected")->text(), "Link lost");
        EXPECT_EQ(w.main->findChild<QLineEdit*>("txtConnected")->toolTip(), "Link lost, reconnecting...");
        // Nothing live is left looking live.
        EXPECT_EQ(text("lblMAFInputVoltage"), shown);
        EXPECT_FALSE(control("lblMAFInputVoltage")->isEnabled());
        EXPECT_EQ(background("lblAirFuelRatio"), buttonFace());
        EXPECT_EQ(background("txtHeartbeat"), buttonFace());
        EXPECT_EQ(runState(), "running logging STOP");

        // Still gone a second later: no box, no change.
        window->Healing()->tryNow();
        EXPECT_TRUE(window->Reconnecting());
        Restore(w, c);
        window->Healing()->tryNow();
        EXPECT_FALSE(window->Reconnecting());
        EXPECT_TRUE(Connected);
        EXPECT_EQ(CommPortNumber, c.backOn);
        EXPECT_EQ(w.main->findChild<QLineEdit*>("txtConnected")->text(), QStringLiteral("Com %1").arg(c.backOn));
        EXPECT_TRUE(control("lblLinkStatus")->isHidden());
        EXPECT_TRUE(control("cmdCancelReconnect")->isHidden());
        EXPECT_EQ(runState(), "running logging ticking STOP");
        tick();
        EXPECT_TRUE(control("lblMAFInputVoltage")->isEnabled());
        EXPECT_TRUE(messages().empty());

        ExpectGapInLog(path, 10);
        quit();
        ConnectAfresh(w);
    }
}

// Cancel stops the looking: the program is not connected, STOP still closes
// the log (nothing else is left on, bar QUIT), and the readouts stay grey.
TEST_F(MonitorWindowTest, CancelledReconnectLeavesStopToCloseTheLog)
{
    open();
    const QString path = w.dir.filePath("cancelled.txt");
    start(MsgAnswer::Yes, path);
    tick();
    w.device.faults().unplugAfter = w.device.requestsHeard();
    w.device.faults().unplugMs = 60000;
    tick();
    messages().clear();
    control<QPushButton>("cmdCancelReconnect")->click();
    EXPECT_FALSE(window->Reconnecting());
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(Connected);
    EXPECT_FALSE(w.port->isOpen());
    EXPECT_EQ(w.main->windowTitle(), "Not Connected");
    EXPECT_TRUE(mdlMain::IsControlEnabled("cmdConnect"));
    EXPECT_EQ(runState(), "running logging STOP");

    // The offset slider cannot reach the closed port.
    drag(20);
    EXPECT_EQ(w.port->writesWhileClosed, 0);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_EQ(messages()[0].title, "Write Failure!");

    messages().clear();
    window->cmdSTOP_Click();
    expectMessage(1, 0, MsgIcon::Information, "KESTREL - VentrixTM Communications Software",
                  "File: " + path + " successfully written.");
    EXPECT_EQ(runState(), "neither");
    quit();
    EXPECT_TRUE(window.isNull());
}

// --- a unit that stops answering ------------------------------------------------

TEST_F(MonitorWindowTest, RetriesShowThatTheUnitIsAwaitedWithTheReadoutsGreyed)
{
    open();
    w.port->replies["M"] = KnownSample;
    start(MsgAnswer::No);
    tick();
    ASSERT_EQ(text("lblMAFInputVoltage"), "2.346");

    // The unit is silent for six attempts (a second each) and answers the
    // seventh: after three seconds of silence the link is reported lost, once,
    // while the attempts go on.
    // Each attempt as the window shows it while the request is out: the status
    // line, the main window's indicator, the timer and the MAF readout.
    QStringList seen;
    w.device.faults().silent = true;
    w.device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
        if (frame != frame::Build("M"))
            return;
        seen << QStringLiteral("%1 / %2 / %3 %4 %5")
                    .arg(control("lblLinkStatus")->isHidden() ? QStringLiteral("hidden") : text("lblLinkStatus"),
                         w.main->findChild<QLineEdit*>("txtConnected")->text(),
                         window->Timer1()->isActive() ? "ticking" : "still",
                         control("lblMAFInputVoltage")->isEnabled() ? "live" : "grey", text("lblMAFInputVoltage"));
        if (seen.size() == 6)
            w.device.faults().silent = false;
    });
    w.port->replies.clear();
    tick();
    w.device.setFrameListener({});

    // The first attempt is an ordinary sample; then no second request inside one.
    EXPECT_EQ(seen,
              QStringList({"hidden / Com 1 / ticking live 2.346",
                           "No reply from the unit - retrying, 2 of 50 / Com 1 / still grey 2.346",
                           "No reply from the unit - retrying, 3 of 50 / Com 1 / still grey 2.346",
                           "Link lost, reconnecting... / Link lost / still grey 2.346",
                           "Link lost, reconnecting... / Link lost / still grey 2.346",
                           "Link lost, reconnecting... / Link lost / still grey 2.346",
                           "Link lost, reconnecting... / Link lost / still grey 2.346"}));
    // Answered again: live readouts, no status, the timer back, the indicator green.
    EXPECT_TRUE(control("lblLinkStatus")->isHidden());
    EXPECT_TRUE(control("lblMAFInputVoltage")->isEnabled());
    EXPECT_TRUE(window->Timer1()->isActive());
    EXPECT_TRUE(Connected);
    EXPECT_EQ(w.main->findChild<QLineEdit*>("txtConnected")->text(), "Com 1");
    EXPECT_EQ(w.main->windowTitle(), "Connected");
    EXPECT_EQ(messages().size(), 1); // only the logging question
}

TEST_F(MonitorWindowTest, StopOrQuitEndsTheRetriesAtOnce)
{
    for (const bool quitting : {false, true}) {
        SCOPED_TRACE(quitting ? "QUIT" : "STOP");
        open();
        start(MsgAnswer::No);
        tick();
        w.device.faults().silent = true;
        w.device.clearLog();
        messages().clear();
        int samples = 0;
        w.device.setFrameListener([&](const QByteArray& frame, const QByteArray&) {
            if (frame == frame::Build("M") && ++samples == 4)
                QTimer::singleShot(0, window.data(),
                                   [&] { control<QPushButton>(quitting ? "cmdQUIT" : "cmdSTOP")->click(); });
        });
        tick();
        w.device.setFrameListener({});

        EXPECT_EQ(samples, 4); // nothing more after the attempt in flight
        // STOP's bare stop character goes out after the fourth attempt ended.
        EXPECT_EQ(w.device.rawStopCount(), quitting ? 0 : 1);
        EXPECT_EQ(w.heard(), QStringList(4, "M"));
        EXPECT_TRUE(Connected);
        EXPECT_TRUE(messages().isEmpty());
        if (quitting) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(window.isNull());
            EXPECT_TRUE(mdlMain::IsControlEnabled("cmdVentrixRun"));
        } else {
            EXPECT_EQ(runState(), "START");
            EXPECT_TRUE(control("lblLinkStatus")->isHidden());
            quit();
        }
        w.device.setFaults({});
    }
}

// The wideband model and calibration stored by an earlier run, through the
// real start-up (the FJO slider test shows the calibration in the decode).
} // namespace
