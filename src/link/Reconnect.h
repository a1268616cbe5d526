#pragma once

#include <functional>

// Finding the unit again after the link was lost, one try at a time, so
// that whoever waits (a window, the command line) keeps running between
// tries and the user can stop them.
//
// A try probes the port the unit was on. When that port's device is gone
// (it cannot be opened: an adapter pulled out), the try goes on to the other
// ports Connect searches, so an adapter back under another name is found.
// A port is taken only when a unit on it answers the probe ready (3); a
// device that answers anything else, or nothing, is left alone.
namespace reconnect {

// Between two tries.
inline constexpr int RetryIntervalMs = 1000;

class Reconnector {
public:
    // The unit was last on `portNumber` of the installed port.
    explicit Reconnector(int portNumber);

    // One try. When the unit answers, the port is left open with RTS on,
    // Connected is true, and the port number is the program's (and stored
    // as the last one used). Otherwise every port it opened is closed.
    bool tryOnce();

    // Where the unit was found (or is looked for first).
    int portNumber() const { return portNumber_; }

private:
    enum class Probe { Ready, Elsewhere, NotHere };
    Probe probe(int number);

    int portNumber_;
};

// Tries every RetryIntervalMs on the installed clock (whose waits keep the
// windows running), the first a second from now, until the unit is back
// (true) or `keepTrying` returns false, asked before each wait.
bool Run(Reconnector& reconnector, const std::function<bool()>& keepTrying);

} // namespace reconnect
