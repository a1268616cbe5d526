#pragma once

#include <QString>

class ReplyShape;

// The unit's command vocabulary: the payload of every request the program
// sends, and where each reply keeps its fields. Every other file builds its
// requests here; none spells a command by hand.
namespace cmd {

// Configuration registers, by number.
enum Register : int {
    WotBreakpointHigh = 0x00,
    WotBreakpointLow = 0x01,
    InjectorsOL = 0x02,
    EecInjectorsOL = 0x03,
    Injectors = 0x04,
    EecInjectors = 0x05,
    IgnitionType = 0x06,
    RpmSwitchOnPoint = 0x07,
    RpmSwitchOffPoint = 0x08,
    RpmSwitchMode = 0x09,
    InjectorsOLBank2 = 0x0A,
    EecInjectorsOLBank2 = 0x0B,
    InjectorsBank2 = 0x0C,
    EecInjectorsBank2 = 0x0D,
    VoltageOffset = 0x13,
};

// Table letters carried by cell commands.
inline constexpr char OpenLoopTune1 = 'O';
inline constexpr char ClosedLoopTune1 = 'C';
inline constexpr char OpenLoopTune2 = 'H';
inline constexpr char ClosedLoopTune2 = 'L';
inline constexpr char TransferFunction = 'F';

// Requests.
QString Probe();                                               // "Z": answers 3 when ready, 2 to be asked again
QString PowerUpValues();                                       // "Y"
QString ReadRegister(int reg);                                 // "RT" + reg
QString WriteRegister(int reg, int value);                     // "WT" + reg + value
QString LiveSample();                                          // "M"
QString ReadCell(char table, int address);                     // "R" + table + address
QString WriteCell(char table, int address, int value);         // "W" + table + address + value
QString FillCells(char table, int first, int last, int value); // "S" + table + first + last + value
QString FirmwareRevision();                                    // "V"
QString SelfTest();                                            // "T"
QString SoftReset();                                           // "K"

// The raw stop character the monitor writes without a frame.
inline constexpr char RawStop = 'X';

// Reply fields: 1-based first position and width in the reply data.
struct Field {
    int position;
    int width;
};

namespace reply {
inline constexpr Field ProbeStatus{1, 2}; // decimal
inline constexpr Field MafKeyOn{2, 2};    // "Y", hexadecimal
inline constexpr Field TpsKeyOn{4, 2};
inline constexpr Field StageCode{6, 2};
inline constexpr Field RegisterNumber{3, 2}; // "RT": the register echoed
inline constexpr Field RegisterValue{5, 2};  // "RT"
inline constexpr Field RegisterEcho{3, 4};   // "WT": register and value
inline constexpr Field CellTable{2, 1};      // "R", "W", "S": letter in lower case
inline constexpr Field CellAddress{3, 2};    // "R", "W"; "S": first cell
inline constexpr Field CellValue{5, 2};      // "R", "W"; "S": last cell
inline constexpr Field FillValue{7, 2};      // "S"
inline constexpr Field FirmwareMajor{2, 1};  // "V"
inline constexpr Field FirmwareMinor{3, 2};
inline constexpr Field SelfTestResult{1, 2};    // "T": "tp" pass, "tf" fail
inline constexpr Field LiveSampleFields{2, 28}; // "M": every field, hexadecimal
} // namespace reply

// The characters of a field of the reply data (fewer when the reply is short).
QString Text(const QString& replyData, Field field);

// A field read as hexadecimal; 0 when it is missing or not hexadecimal.
int HexValue(const QString& replyData, Field field);

// What the reply to a request must hold before it is taken as its answer:
// "R" its echo (the table letter in lower case, the address) and the cell's
// value, six characters in all; "RT" the register echoed and its value, six
// characters; "Y" the three power-up bytes, seven characters; "V" the
// revision's digits, four characters; "M" every field of the live sample in
// hexadecimal (what follows is not read). Other requests' replies are judged
// by their callers.
ReplyShape ExpectedReply(const QString& payload);

// Whether the request reads a value whose reply names neither the request
// nor is told from another request's reply by its shape alone ("Y", "V",
// "T"): such a read is sent only on a line known to be in step (ReplyLedger).
bool NeedsLineInStep(const QString& payload);

} // namespace cmd
