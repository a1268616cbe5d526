#include "tunefile/Backups.h"

#include "platform/TextFileSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

QStringList& inUse()
{
    static QStringList paths;
    return paths;
}

QString absolute(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

bool newerFirst(const BackupFile& a, const BackupFile& b)
{
    if (a.written != b.written)
        return a.written > b.written;
    if (a.when != b.when)
        return a.when > b.when;
    if (a.sequence != b.sequence)
        return a.sequence > b.sequence;
    return a.path > b.path;
}

struct WriteOrder {
    QHash<QString, int> place; // a name written twice counts where it was written last
    int lines = 0;
};

WriteOrder readWriteOrder(const QDir& dir)
{
    WriteOrder order;
    QFile file(dir.filePath(BackupOrderFileName));
    if (!file.open(QIODevice::ReadOnly))
        return order;
    while (!file.atEnd()) {
        const QString name = QString::fromUtf8(file.readLine()).trimmed();
        if (!name.isEmpty())
            order.place.insert(name, ++order.lines);
    }
    return order;
}

bool noteWritten(const QDir& dir, const QString& name, QString* reason)
{
    QFile file(dir.filePath(BackupOrderFileName));
    const QByteArray line = name.toUtf8() + '\n';
    if (file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size() && file.flush())
        return true;
    *reason = file.errorString();
    return false;
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
    const WriteOrder order = readWriteOrder(dir);
    for (const QString& name : dir.entryList({QStringLiteral("*.tun")}, QDir::Files)) {
        std::optional<BackupFile> backup = ParseBackupFileName(name);
        if (!backup)
            continue;
        backup->path = dir.filePath(name);
        backup->written = order.place.value(name, 0);
        backups.append(*backup);
    }
    std::sort(backups.begin(), backups.end(), newerFirst);
    return backups;
}

void RotateBackups(const QString& folder, int keep, const QString& spared)
{
    const QList<BackupFile> backups = ListBackups(folder);
    const auto mustStay = [&](const BackupFile& b) {
        const QString path = absolute(b.path);
        return (!spared.isEmpty() && path == absolute(spared)) || inUse().contains(path);
    };
    // The backups that must stay take their places first; the newest of the
    // others fill the rest.
    int room = keep;
    for (const BackupFile& b : backups)
        room -= mustStay(b) ? 1 : 0;
    QStringList remaining;
    for (const BackupFile& b : backups) {
        if (!mustStay(b)) {
            if (room > 0)
                --room;
            else if (QFile::remove(b.path))
                continue;
        }
        remaining.prepend(QFileInfo(b.path).fileName());
    }
    // The order list names every backup ever written; once it is much longer
    // than the folder it is written afresh with the ones still there.
    const QDir dir(folder);
    const WriteOrder order = readWriteOrder(dir);
    if (order.lines > 2 * std::max(keep, BackupsKept)) {
        QStringList noted;
        for (const QString& name : std::as_const(remaining))
            if (order.place.contains(name))
                noted << name;
        SaveTextFile(dir.filePath(BackupOrderFileName), noted.join(QLatin1Char('\n')) + QLatin1Char('\n'), nullptr);
    }
}

BackupInUse::BackupInUse(const QString& path) : path_(absolute(path))
{
    inUse().append(path_);
}

BackupInUse::~BackupInUse()
{
    inUse().removeOne(path_);
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
    // A backup the folder's order does not name would count as old and go
    // in a later rotation: it is not kept.
    if (!noteWritten(dir, QFileInfo(path).fileName(), &reason)) {
        QFile::remove(path);
        if (error)
            *error = QDir::toNativeSeparators(dir.filePath(BackupOrderFileName)) + QStringLiteral(": ") + reason;
        return {};
    }
    RotateBackups(folder, BackupsKept, path);
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
    if (result.written)
        result.remembered =
            tune_history::Remember(tune_history::Source::Backup, QString::number(port), result.tune, when);
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
