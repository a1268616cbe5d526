#include "tunefile/UnitCopyReport.h"

#include <QStringList>

namespace tunefile {

namespace {
// A read-back that finds many entries wrong names the first few.
constexpr int MismatchesNamed = 10;
} // namespace

QString UnitCopyFailureText(char letter, const FileLines& lines, const UnitCopyResult& result)
{
    const QString table{QLatin1Char(letter)};
    switch (result.written.outcome) {
    case ImportOutcome::WriteFailed:
    case ImportOutcome::WrongEcho: {
        const QString line = lines.lines.value(result.written.lineNumber - FileLineOf(0));
        return QStringLiteral("Copying table %1 failed at entry %2: the unit %3.\n%4 entries were written before it; "
                              "the unit still holds its own values from there on.")
            .arg(table, line.left(3),
                 result.written.outcome == ImportOutcome::WriteFailed ? QStringLiteral("did not answer")
                                                                      : QStringLiteral("echoed another value"))
            .arg(result.written.written);
    }
    case ImportOutcome::Completed:
        break;
    }
    if (result.mismatches.isEmpty())
        return {};
    QStringList named;
    for (int i = 0; i < result.mismatches.size() && i < MismatchesNamed; ++i) {
        const Mismatch& m = result.mismatches.at(i);
        named << m.entry + QStringLiteral(": written ") + m.expected
                + (m.found.isEmpty() ? QStringLiteral(", no answer") : QStringLiteral(", read back ") + m.found);
    }
    if (result.mismatches.size() > MismatchesNamed)
        named << QStringLiteral("and %1 more").arg(result.mismatches.size() - MismatchesNamed);
    return QStringLiteral("Table %1 was written, but %2 of its %3 entries read back differ:\n")
               .arg(table)
               .arg(result.mismatches.size())
               .arg(lines.lines.size())
        + named.join(QLatin1Char('\n'));
}

QString UnitCopyDoneText(char letter, const FileLines& lines, const QString& where)
{
    return QStringLiteral("Table %1 written into %2 and read back (%3 entries).")
        .arg(QString(QLatin1Char(letter)), where)
        .arg(lines.lines.size());
}

} // namespace tunefile
