#pragma once

#include <QString>

#include <array>

// A correction table as the tuner holds it, and how its 256 entries meet the
// 25 slider cells. Plain values and conversions; no window.
namespace tuner {

inline constexpr int TableSize = 256;
inline constexpr int CellCount = 25;
inline constexpr int LastCell = CellCount - 1;
// The sliders' reach; the unit itself holds -128 to +127.
inline constexpr int SliderMinimum = -100;
inline constexpr int SliderMaximum = 100;
inline constexpr int EntryMinimum = -128;
inline constexpr int EntryMaximum = 127;
// The slider offset moves the cells by whole entries of 40 offset units.
inline constexpr int OffsetPerEntry = 40;
inline constexpr int OffsetLimit = 200;

// Signed percent changes by entry address.
using Table = std::array<qint16, TableSize>;

// An entry's byte (0..255) as its signed value: 80..FF are -128..-1.
int DecodeEntry(int byte);
// A value's low byte in two's complement as two upper-case hexadecimal
// digits (-1 "FF", -100 "9C", 5 "05").
QString EncodeEntry(int value);

// The entry cell i shows and edits: 8 + 10 i, moved by the offset.
int EntryOf(int cell, int sliderOffset);

// Where a value sits on a slider: values beyond its ends at the nearer end.
int SliderPosition(int value);
bool BeyondSlider(int value);

// The offset a position of the fine-tune scroll bar stands for: -20 to 20
// give 0, beyond that the next multiple of 40 away from 0 (21 gives 40,
// -21 -40), at most 200 either way.
int SnapOffset(int scrollValue);

// Cell i's MAF voltage caption, 0.1 + 0.2 i + 0.1 x offset / 200 in "0.00".
QString CellCaption(int cell, int sliderOffset);

// The cell the MAF input voltage falls in: code = volts / 5 x 255, cell =
// (code - 5) x 25 / 255 rounded halves to even, kept within 0..24 so every
// voltage from 0 to 5 V marks exactly one cell (0.196 V cell 0, 2.5 V 12).
int ActiveCell(double mafInputVolts);

} // namespace tuner
