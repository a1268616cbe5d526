#pragma once

#include <QtGlobal>

// USB-serial adapters hold received bytes for their latency timer (16 ms by
// default on the common ones) before passing them on, which costs every
// request/reply exchange that long. The driver can be asked to pass bytes on
// at once.
namespace low_latency {

// Asks the serial driver behind an open port's handle for low-latency mode.
// Returns whether it was granted; a driver or pseudo-terminal that refuses
// leaves the port as it was, and that is no error.
bool Request(qintptr handle);

} // namespace low_latency
