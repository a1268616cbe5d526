#pragma once

#include "link/SerialPort.h"

#include <QString>

class Clock;

// One request/reply exchange with the unit, tried up to `attempts` times,
// each attempt waiting up to timeoutMs for the reply. Returns 1 when a
// positive reply arrived (its data is then in RxBuffer) and 0 otherwise
// (RxBuffer empty, the port's input flushed). Uses the installed port and clock.
int SendFrame(const QString& payload, int attempts, int timeoutMs);

// The same exchange on a given port and clock.
int SendFrameOn(SerialPort& port, Clock& clock, const QString& payload, int attempts,
                int timeoutMs);

// The port error that ended the last SendFrame early, or PortError::None when
// it ran its attempts (successful or not) without one.
PortError LastSendFramePortError();
