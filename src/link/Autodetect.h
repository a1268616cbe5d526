#pragma once

#include <QString>

// The search for the serial port on which a unit answers, and the
// connected / not-connected state that follows from it.

// What the search shows the user; the main window implements it.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;

    virtual void setBusyPointer(bool busy) = 0;

    // The "Comm Port Autodetect in Progress" window of the scan.
    virtual void showAutodetectWindow() = 0;
    virtual void showCandidatePort(int portNumber) = 0;
    virtual void unloadAutodetectWindow() = 0;

    // Indicator green with "Com N", Connect off, Disconnect on.
    virtual void showConnectedIndicator(int portNumber) = 0;
    // Connect on, Disconnect off (the indicator is left as it is).
    virtual void showSearchFailed() = 0;
    // Title "Connected - ...", Connect off, Disconnect on.
    virtual void showConnectedTitle() = 0;
    // Title "Not Connected", indicator cleared, Connect on, Disconnect off.
    virtual void showDisconnected() = 0;
};

// Searches the last used port, then ports 1 to 6. On success the port is
// left open with RTS on and Connected is true; otherwise the user is told
// and ProbeStatus is 255. Does nothing when already connected.
void AutodetectPort(ConnectionView& view);

// Shows the connected title and buttons when the last probe found a ready unit.
void ShowConnectedState(ConnectionView& view);

// The main window's Connect, Disconnect and Exit.
void ConnectToUnit(ConnectionView& view);
void DisconnectFromUnit(ConnectionView& view);
void CloseLinkForExit();

// The probe status a "Z" reply carries: the decimal number its first two
// characters start with, 0 when they do not start with a digit.
int ProbeStatusOf(const QString& replyData);
