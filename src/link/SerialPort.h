#pragma once

#include "link/ReplyLedger.h"

#include <QByteArray>
#include <QString>

// The conditions a port can report, told apart because the port search reacts
// to each differently. The numbers are the classic communications-control
// codes, kept so that a report reads the same as the unit's documentation.
enum class PortError {
    None = 0,
    InvalidPortNumber = 8002, // no such port
    PortAlreadyOpen = 8005,   // claimed by this or another program
    HardwareNotAvailable = 8010,
    DeviceNotOpen = 8012,   // the device could not be opened
    PortNotOpen = 8018,     // operation valid only while the port is open
    ReceiveOverflow = 1008, // received data was lost
    Other = -1,
};

// One numbered serial port at 57600 bit/s, 8 data bits, no parity, one stop
// bit and no handshaking. Reading never blocks: it returns what has arrived.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;

    virtual PortError open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // A line the device cannot drive (a pseudo-terminal has no RTS) is not an error.
    virtual PortError setRts(bool on) = 0;

    // Queues the bytes for sending and returns at once.
    virtual PortError write(const QByteArray& bytes) = 0;

    // Everything received since the last read, possibly nothing.
    virtual PortError readAll(QByteArray& received) = 0;

    // Blocks until more data has arrived or ms milliseconds have passed,
    // whichever comes first, without burning the processor. Returns whether
    // data is waiting.
    virtual bool waitForData(int ms) = 0;

    // When the last open() was refused because the user may not use the
    // device: the device's name, so the user can be told how to get access.
    // Empty otherwise (the refusal still reads as "already open").
    virtual QString permissionRefusedDevice() const { return {}; }

    // When the last open() was refused because another program has the
    // device open: that program, when the system tells ("kestrel (pid 4242)").
    virtual QString busyHolder() const { return {}; }

    // The system's name for the device the current port number stands for
    // (empty when there is none).
    virtual QString deviceName() const { return {}; }

    // The transaction's record of the requests on this port still owed a
    // reply; it lives and dies with the port.
    ReplyLedger& ledger() { return ledger_; }

private:
    ReplyLedger ledger_;
};
