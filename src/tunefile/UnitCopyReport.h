#pragma once

#include "tunefile/TuneCopy.h"

#include <QString>

// What the user is told once a table has been copied into the unit. No window.
namespace tunefile {

// The box's text when the copy did not end with every entry written and read
// back alike: where the writes stopped and why, or which entries read back
// differ (the first ten named). Empty when the copy is whole.
QString UnitCopyFailureText(char table, const FileLines& lines, const UnitCopyResult& result);

// The status line of a whole copy.
QString UnitCopyDoneText(char table, const FileLines& lines, const QString& where);

} // namespace tunefile
