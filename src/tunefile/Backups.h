#pragma once

// Backups of the connected unit's whole tune, taken before anything
// overwrites it (an import, a restore, a table copied to the unit, a table
// saved into it), so a wrong file never costs the tune it replaced.
namespace tunefile {

// Reads the whole connected unit into a new backup file, with the transfer's
// progress window. True when the overwrite may go on: the backup was made,
// the unit is the tune opened off line (its file is the copy), or the backup
// failed and the user answered Yes to going on without one (No is the
// default). False stops the overwrite before anything is written.
bool BackUpUnitBeforeOverwrite();

} // namespace tunefile
