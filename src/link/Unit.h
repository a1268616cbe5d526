#pragma once

#include "link/RequestTable.h"
#include "link/Transaction.h"

#include <QString>

#include <functional>
#include <optional>

class Clock;
class SerialPort;

// Every request the program makes of the unit, on the installed port. Each
// names its use, whose row in RequestTable.h gives its attempts, time-out
// and reply rule. A read gives its value only from a reply that answers it;
// a write succeeds only when the unit echoes what was written.
namespace unit {

// "Z": the reply data (its first two digits the status: 3 ready, 2 ask again).
std::optional<QString> Probe(Use use);

// "Y": the key-on bytes of the MAF and TPS inputs and the stage code.
struct PowerUp {
    int mafByte = 0;
    int tpsByte = 0;
    int stageCode = 0;
};
std::optional<PowerUp> PowerUpValues(Use use);

// "RT": the register's byte.
std::optional<int> ReadRegister(Use use, int reg);
// "WT": true when the unit echoes the register and the byte.
bool WriteRegister(Use use, int reg, int byte);

// "R": the cell's byte (the reply echoes the table letter and the address).
std::optional<int> ReadCell(Use use, char table, int address);

enum class Written { Confirmed, NotAnswered, WrongEcho };
// "W": the unit echoes letter, address and byte.
Written WriteCell(Use use, char table, int address, int byte);
// "S": the unit echoes letter, first and last address, and the byte.
Written FillCells(Use use, char table, int first, int last, int byte);

// "M": the sample's text (every field in hexadecimal). `between` runs
// between two attempts and gives up the request when it returns false.
std::optional<QString> LiveSample(Use use, const BetweenAttempts& between = {});

// "V": "1.23" (the major digit, a point, the two minor digits).
std::optional<QString> FirmwareRevision(Use use);

// "T": the reply data ("tp" pass, "tf" fail in its first two characters).
std::optional<QString> SelfTest(Use use);

// "K": true when the unit acknowledged.
bool SoftReset(Use use);

// The bare stop character, without a frame, for a unit streaming samples.
void WriteRawStop();

// The reply data of the last request (empty when it went unanswered), for
// the windows that show the traffic.
QString LastReply();

// One request as given, for the tune transfer that sends a file's lines as
// they stand and judges the echoes itself: true with the reply data in
// `reply` when a positive reply came.
using Transact = std::function<bool(const QString& payload, int attempts, int timeoutMs, QString& reply)>;
// On the installed port; `between` as for LiveSample.
Transact TransactOnLink(BetweenAttempts between = {});
// On a given port and clock.
Transact TransactOn(SerialPort& port, Clock& clock);

} // namespace unit

namespace unit::echo {
// Whether a reply's data confirms a write. The table letter comes back in
// lower case (its character code less 32 is the letter sent), the numbers as
// two upper-case hexadecimal digits each.
bool CellWrite(const QString& replyData, char table, int address, int byte);        // "W"
bool CellFill(const QString& replyData, char table, int first, int last, int byte); // "S"
bool RegisterWrite(const QString& replyData, int reg, int byte);                    // "WT"
} // namespace unit::echo
