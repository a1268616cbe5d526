#pragma once

#include "tunefile/TuneFile.h"

#include <QList>
#include <QString>

// One correction table copied from one tune to another: into a tune file,
// which is written whole or not at all, or into the unit, each write
// confirmed by its echo and every entry read back afterwards. No window.
namespace tunefile {

// The data lines that give the table the source's values: its cells the
// source holds, in address order ("C0005", ...).
FileLines TableLines(const Tune& source, char table);

// Gives `target` the source's table and saves it to the target's file
// (target.origin.path), keeping its time stamp and its other entries. The
// old file is replaced only once the new one is safely written. On failure
// `target` is left as it was and error says why.
bool CopyTableIntoFile(const Tune& source, char table, Tune& target, QString* error);

// A table written into the unit and read back.
struct UnitCopyResult {
    ImportResult written;
    // Entries read back with another value than the one written (or none);
    // only when every write was confirmed.
    QList<Mismatch> mismatches;
    bool complete() const { return written.outcome == ImportOutcome::Completed && mismatches.isEmpty(); }
};

// Writes the lines in order, stopping at the first write that fails or is
// echoed wrong, then, when every write was confirmed, reads each entry back.
// Progress counts the writes and then the reads (1 to twice the lines).
UnitCopyResult CopyTableToUnit(const Transact& transact, const FileLines& lines, const Progress& progress = {});

// What the unit holds after the copy, as far as the echoes and the read-back
// tell: confirmed writes take their values, entries read back take what was
// read, and an entry whose write failed, or that did not answer the read,
// is no longer known.
void ApplyUnitCopy(Tune& unit, const FileLines& lines, const UnitCopyResult& result);

} // namespace tunefile
