#pragma once

#include "link/SerialPort.h"

#include <QString>

#include <functional>

class Clock;

// Run between two attempts of one exchange (never before the first), for
// callers that keep the window system alive while a unit's attempts run out.
// Returns whether to go on: false ends the exchange as failed, with nothing
// more sent (the user cancelled).
using BetweenAttempts = std::function<bool()>;

// One request/reply exchange with the unit, tried up to `attempts` times,
// each attempt waiting up to timeoutMs for the reply. Returns 1 when a
// positive reply arrived that holds what the request's reply must hold
// (cmd::ExpectedReply; its data is then LastReplyData()) and 0 otherwise
// (LastReplyData() empty, the port's input flushed). Replies still owed to earlier
// exchanges are waited for and discarded first (ReplyLedger), a reply whose
// echo names another request is thrown away when it comes, and a read whose
// reply has no echo goes out only on a line proven in step, so a late reply
// is never taken for this request's. Uses the installed port and clock.
int SendFrame(const QString& payload, int attempts, int timeoutMs, const BetweenAttempts& between = {});

// The same exchange on a given port and clock.
int SendFrameOn(SerialPort& port, Clock& clock, const QString& payload, int attempts, int timeoutMs,
                const BetweenAttempts& between = {});

// The port error that ended the last SendFrame early, or PortError::None when
// it ran its attempts (successful or not) without one.
PortError LastSendFramePortError();

// The data of the reply the last exchange took; empty when it failed.
const QString& LastReplyData();
