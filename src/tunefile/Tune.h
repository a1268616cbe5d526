#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// What a tune is, wherever it lives: the four correction tables (C, O, L, H,
// 256 cells each) and the twenty configuration registers (T00 to T13), one
// byte an entry. A tune read from a unit or exported holds every entry; a
// file may name only some (an import writes what it names), so an entry can
// be absent. Files, the unit, backups, the compare and the off-line unit all
// hold their tune in this one form.
namespace tunefile {

inline constexpr int TableSize = 256;
inline constexpr int TableCount = 4;
// Entries of a tune: 4 x 256 cells and 20 registers.
inline constexpr int DataLineCount = TableCount * TableSize + 20;
inline constexpr int RegisterCount = 0x14;
// The letter of configuration registers in a data line.
inline constexpr char RegisterLetter = 'T';
// The tables in file order.
inline constexpr char TableLetters[TableCount] = {'C', 'O', 'L', 'H'};

struct Entry {
    char table;  // 'C', 'O', 'L', 'H', or RegisterLetter
    int address; // cell 0 to 255, register 0 to 0x13
    bool operator==(const Entry&) const = default;
};

// The 1044 entries in file order: C, O, L, H from 00 to FF, then T00 to T13.
const QList<Entry>& TuneOrder();

// An entry's place in TuneOrder, or -1 when it names no entry.
int IndexOf(const Entry& entry);

// "C1F", "T13": how a data line and the messages name an entry.
QString EntryName(const Entry& entry);

// Where a tune came from, for titles, reports and backups.
struct TuneOrigin {
    enum class Kind { None, File, Unit, Backup };
    Kind kind = Kind::None;
    QString path;   // the file, for File and Backup; for Unit, the tune file open off line
    QString port;   // the unit's port, for Unit (the unit has no other identity)
    QDateTime when; // when it was read or exported, when known
    bool operator==(const TuneOrigin&) const = default;
};

class Tune {
public:
    // A tune with no entry.
    Tune() { values_.fill(Absent); }

    // A complete tune from 1044 values in file order (bytes; a value outside
    // 0..255 is kept to its low byte).
    static Tune FromValues(const QList<int>& values);

    bool has(const Entry& entry) const;
    std::optional<int> value(const Entry& entry) const;
    void setValue(const Entry& entry, int value);
    void clear(const Entry& entry);

    // Entry by its index in TuneOrder.
    std::optional<int> valueAt(int index) const;

    // Whether every one of the 1044 entries is present.
    bool isComplete() const;
    int entryCount() const;

    // A table's 256 cells (absent cells as nullopt), and a whole table set
    // from another tune: the entries the source lacks are cleared.
    std::array<std::optional<int>, TableSize> table(char letter) const;
    void copyTableFrom(const Tune& source, char letter);

    TuneOrigin origin;
    // The file's second line, or the export's time stamp.
    QString stamp;

    // Two tunes are equal when they hold the same entries with the same
    // values; where they came from does not count.
    bool sameEntries(const Tune& other) const { return values_ == other.values_; }

private:
    static constexpr qint16 Absent = -1;
    std::array<qint16, DataLineCount> values_{};
};

// The data lines of the tune's present entries in file order, upper-case
// digits: "C0080".
QList<QString> DataLines(const Tune& tune);

// One entry whose value differs between two tunes; a side that lacks the
// entry is nullopt.
struct Difference {
    Entry entry;
    std::optional<int> left;
    std::optional<int> right;
    bool operator==(const Difference&) const = default;
};

// Every entry, in file order, whose value differs or which only one of the
// two tunes holds.
QList<Difference> Differences(const Tune& left, const Tune& right);

} // namespace tunefile
