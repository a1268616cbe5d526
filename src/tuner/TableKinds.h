#pragma once

#include <QString>
#include <QStringList>

// The four correction tables the tuner edits, by the index of their option
// in "TUNE SELECT", with the registers that hold their injector sizes, and
// the injector lists' sizes.
namespace tuner {

inline constexpr int TableKindCount = 4;

struct TableKind {
    char letter;         // "O", "C", "H", "L"
    const char* caption; // the option's caption
    bool openLoop;
    int injectorRegister;    // installed size, lb/hr
    int eecInjectorRegister; // the size the engine computer is programmed for
};

// Index 0 "TUNE 1" (O), 1 "CLOSED-LOOP 1" (C), 2 "TUNE 2" (H), 3 "CLOSED-LOOP 2" (L).
const TableKind& TableKindAt(int index);
// The index of a table letter, or -1 for any other letter.
int TableIndexOf(char letter);

// The injector lists: indices 0 to 13 are sizes, 14 is "<Select>".
inline constexpr int InjectorSizeCount = 14;
inline constexpr int SelectItem = InjectorSizeCount;
QStringList InjectorListItems(); // "16lb/hr" .. "93lb/hr", "<Select>"
int InjectorSizeAt(int index);   // lb/hr; 0 for "<Select>" and beyond

// A size as the lists write it: "24lb/hr".
QString InjectorSizeText(int size);

// A size register's byte as the list shows it: a listed size selects its
// item (index 0 to 13); 0 (never set) counts as 19 lb/hr; any other byte is
// kept as the size and shown as its own number, with index -1.
inline constexpr int NotListed = -1;
struct InjectorChoice {
    int index;
    int size;
};
InjectorChoice InjectorChoiceFor(int byte);

} // namespace tuner
