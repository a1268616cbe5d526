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

    // Around a search: the view shuts out what would start a second one (or
    // talk to a port being probed) and gives it back afterwards.
    virtual void searchStarted() { }
    virtual void searchEnded() { }
    // True once the user has left the program: the search stops at its next
    // step, sending nothing more and telling nothing.
    virtual bool searchAbandoned() const { return false; }
};

// Searches the last used port, then ports 1 to 6. On success the port is
// left open with RTS on and Connected is true; otherwise the user is told
// and ProbeStatus is 255. Does nothing when already connected, or while
// another search runs (one started from within this one's waits).
void AutodetectPort(ConnectionView& view);

// Shows the connected title and buttons when the last probe found a ready unit.
void ShowConnectedState(ConnectionView& view);

// Whether a search is under way.
bool SearchRunning();

// The main window's Connect, Disconnect and Exit.
void ConnectToUnit(ConnectionView& view);
void DisconnectFromUnit(ConnectionView& view);
void CloseLinkForExit();

// The wideband model stored under "WBO2": the number it holds, also one
// outside 0..8 (the displays then show the sensor voltage itself, and the
// window offers the first model until UPDATE); NoWidebandModel for a number
// that is no whole number; the default, 1, only for text that is no number.
inline constexpr int DefaultWidebandModel = 1;
inline constexpr int NoWidebandModel = -1;
int WidebandModelFromSetting(const QString& stored);

// The probe status a "Z" reply carries: the decimal number its first two
// characters start with, 0 when they do not start with a digit.
int ProbeStatusOf(const QString& replyData);
