#pragma once

#include <QString>

// Writes a text file whole, replacing any file of that name only once every
// byte is safely written: a save that fails (no permission, disk full) leaves
// the old file as it was. Returns false and says why on failure.
bool SaveTextFile(const QString& path, const QString& text, QString* error);
