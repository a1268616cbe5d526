#include "tunefile/Backups.h"

#include "platform/TextFileSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace tunefile {

namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

const QString NameTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

bool newerFirst(const BackupFile& a, const BackupFile& b)
{
    if (a.when != b.when)
        return a.when > b.when;
    if (a.sequence != b.sequence)
        return a.sequence > b.sequence;
    return a.path > b.path;
}

} // namespace

QString BackupFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
}

void SetBackupFolder(const QString& folder)
{
    folderOverride() = folder;
}

QString BackupFileName(const QDateTime& when, int port, int sequence)
{
    QString name = when.toString(NameTimeFormat) + QStringLiteral("_port%1").arg(port);
    if (sequence > 1)
        name += QStringLiteral("_%1").arg(sequence);
    return name + QStringLiteral(".tun");
}

std::optional<BackupFile> ParseBackupFileName(const QString& fileName)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})_port(\\d{1,3})(?:_(\\d{1,6}))?\\.tun$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    BackupFile backup;
    backup.when = QDateTime::fromString(match.captured(1), NameTimeFormat);
    if (!backup.when.isValid())
        return std::nullopt;
    backup.port = match.captured(2).toInt();
    backup.sequence = match.captured(3).isEmpty() ? 1 : match.captured(3).toInt();
    if (backup.sequence < 2 && !match.captured(3).isEmpty())
        return std::nullopt;
    return backup;
}

QList<BackupFile> ListBackups(const QString& folder)
{
    QList<BackupFile> backups;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.tun")}, QDir::Files)) {
        std::optional<BackupFile> backup = ParseBackupFileName(name);
        if (!backup)
            continue;
        backup->path = dir.filePath(name);
        backups.append(*backup);
    }
    std::sort(backups.begin(), backups.end(), newerFirst);
    return backups;
}

void RotateBackups(const QString& folder, int keep)
{
    const QList<BackupFile> backups = ListBackups(folder);
    for (qsizetype i = std::max(keep, 0); i < backups.size(); ++i)
        QFile::remove(backups.at(i).path);
}

QString WriteBackup(const QString& folder, const Tune& tune, const QDateTime& when, int port, QString* error)
{
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    const QDir dir(folder);
    int sequence = 1;
    while (QFile::exists(dir.filePath(BackupFileName(when, port, sequence))))
        ++sequence;
    const QString path = dir.filePath(BackupFileName(when, port, sequence));
    Tune stamped = tune;
    if (stamped.stamp.isEmpty())
        stamped.stamp = TimeStamp(when);
    QString reason;
    if (!SaveTextFile(path, TuneText(stamped), &reason)) {
        if (error)
            *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
        return {};
    }
    RotateBackups(folder);
    return path;
}

std::optional<Tune> ReadBackup(const QString& path, QString* error)
{
    QString text;
    QString reason;
    const FileRead read = ReadTuneFile(path, text, reason);
    if (read != FileRead::Ok) {
        if (error)
            *error = read == FileRead::TooLarge ? QStringLiteral("far larger than any tune file") : reason;
        return std::nullopt;
    }
    std::optional<Tune> tune = TuneFromText(text, path);
    if (!tune) {
        if (error)
            *error = QStringLiteral("no tune file");
        return std::nullopt;
    }
    tune->origin.kind = TuneOrigin::Kind::Backup;
    if (const std::optional<BackupFile> name = ParseBackupFileName(QFileInfo(path).fileName()))
        tune->origin.when = name->when;
    return tune;
}

BackupResult BackUpUnit(const Transact& transact, const QString& folder, const QDateTime& when, int port,
                        const Progress& progress)
{
    BackupResult result;
    const ExportResult read = ReadTune(transact, when, progress);
    if (!read.complete) {
        result.failedEntry = read.failedEntry;
        return result;
    }
    result.tune = read.tune;
    result.tune.origin.kind = TuneOrigin::Kind::Unit;
    result.tune.origin.port = QString::number(port);
    result.tune.origin.when = when;
    result.path = WriteBackup(folder, read.tune, when, port, &result.error);
    result.written = !result.path.isEmpty();
    return result;
}

int DifferingEntries(const Tune& backup, const Tune& unit)
{
    int differing = 0;
    for (int i = 0; i < DataLineCount; ++i) {
        const std::optional<int> kept = backup.valueAt(i);
        if (kept && unit.valueAt(i) != kept)
            ++differing;
    }
    return differing;
}

FileLines BackupLines(const Tune& backup)
{
    return {DataLines(backup)};
}

FileLines LinesThatChange(const FileLines& file, const Tune& unit)
{
    // The unit as the lines before each one leave it: a file may name an
    // entry twice, and its later line must not be skipped because of what
    // the unit held before the earlier one.
    Tune state = unit;
    FileLines changing;
    changing.lines.reserve(file.lines.size());
    for (const QString& line : file.lines) {
        if (line.isEmpty()) {
            changing.lines.append(QString());
            continue;
        }
        const Entry entry{line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)};
        const int value = line.mid(3, 2).toInt(nullptr, 16);
        changing.lines.append(state.value(entry) == value ? QString() : line);
        state.setValue(entry, value);
    }
    return changing;
}

} // namespace tunefile
