#include "tunefile/TuneCopy.h"

#include "link/Frame.h"
#include "platform/TextFileSave.h"

namespace tunefile {

namespace {

Entry entryOf(const QString& line)
{
    return {line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)};
}

} // namespace

FileLines TableLines(const Tune& source, char table)
{
    FileLines file;
    for (int address = 0; address < TableSize; ++address)
        if (const std::optional<int> value = source.value({table, address}))
            file.lines.append(EntryName({table, address}) + frame::HexByte(*value));
    return file;
}

bool CopyTableIntoFile(const Tune& source, char table, Tune& target, QString* error)
{
    Tune copied = target;
    copied.copyTableFrom(source, table);
    if (!SaveTextFile(target.origin.path, TuneText(copied), error))
        return false;
    target = copied;
    return true;
}

UnitCopyResult CopyTableToUnit(const Transact& transact, const FileLines& lines, const Progress& progress)
{
    UnitCopyResult result;
    const int count = static_cast<int>(lines.lines.size());
    result.written = WriteTune(transact, lines, progress);
    if (result.written.outcome != ImportOutcome::Completed)
        return result;
    result.mismatches = VerifyTune(transact, lines, [&progress, count](int handled) {
        if (progress)
            progress(count + handled);
    });
    return result;
}

void ApplyUnitCopy(Tune& unit, const FileLines& lines, const UnitCopyResult& result)
{
    const bool allWritten = result.written.outcome == ImportOutcome::Completed;
    // Lines are counted from the file's line 3, as an import counts them.
    const int stoppedAt = allWritten ? static_cast<int>(lines.lines.size()) : result.written.lineNumber - FileLineOf(0);
    for (int i = 0; i < stoppedAt && i < lines.lines.size(); ++i) {
        const QString& line = lines.lines.at(i);
        unit.setValue(entryOf(line), line.mid(3, 2).toInt(nullptr, 16));
    }
    if (!allWritten && stoppedAt < lines.lines.size())
        unit.clear(entryOf(lines.lines.at(stoppedAt)));
    for (const Mismatch& m : result.mismatches) {
        const Entry entry{m.entry.at(0).toLatin1(), m.entry.mid(1, 2).toInt(nullptr, 16)};
        if (m.found.isEmpty())
            unit.clear(entry);
        else
            unit.setValue(entry, m.found.toInt(nullptr, 16));
    }
}

} // namespace tunefile
