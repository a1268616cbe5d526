#include "tunefile/TuneHistory.h"

#include "tunefile/Backups.h"
#include "tunefile/TuneFile.h"

#include <QAtomicInteger>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace tune_history {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");

QString& pathOverride()
{
    static QString path;
    return path;
}

struct Reporting {
    Reporter reporter;
    bool told = false;
};

Reporting& reporting()
{
    static Reporting state;
    return state;
}

const QList<std::pair<Source, QString>>& sourceNames()
{
    static const QList<std::pair<Source, QString>> names = {
        {Source::Export, QStringLiteral("export")},        {Source::Backup, QStringLiteral("backup")},
        {Source::Import, QStringLiteral("import")},        {Source::Restore, QStringLiteral("restore")},
        {Source::SaveTable, QStringLiteral("save-table")}, {Source::OffLineSave, QStringLiteral("off-line save")},
    };
    return names;
}

std::optional<Source> sourceNamed(const QString& name)
{
    for (const auto& [source, word] : sourceNames())
        if (word == name)
            return source;
    return std::nullopt;
}

QString newConnectionName()
{
    static QAtomicInteger<int> counter;
    return QStringLiteral("tune-history-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

QString SourceName(Source source)
{
    for (const auto& [each, word] : sourceNames())
        if (each == source)
            return word;
    return {};
}

QString Fingerprint(const tunefile::Tune& tune)
{
    QByteArray text;
    text.reserve(tunefile::DataLineCount * 2);
    for (int i = 0; i < tunefile::DataLineCount; ++i) {
        const std::optional<int> value = tune.valueAt(i);
        text += value ? QByteArray::number(*value, 16).toUpper().rightJustified(2, '0') : QByteArray("--");
    }
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(12));
}

tunefile::FileLines PartLines(const tunefile::Tune& tune, char part)
{
    tunefile::FileLines lines;
    for (const QString& line : tunefile::DataLines(tune))
        if (part == '\0' || line.at(0) == QLatin1Char(part))
            lines.lines.append(line);
    return lines;
}

QString PartName(char part)
{
    if (part == '\0')
        return QStringLiteral("the whole tune");
    if (part == tunefile::RegisterLetter)
        return QStringLiteral("the registers");
    return QStringLiteral("table %1").arg(QLatin1Char(part));
}

QString HistoryPath()
{
    if (!pathOverride().isEmpty())
        return pathOverride();
    const QString defaultBackups =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
    const QString backups = tunefile::BackupFolder();
    const QString folder = backups == defaultBackups ? QFileInfo(backups).absolutePath() : backups;
    return QDir(folder).filePath(QStringLiteral("history.sqlite"));
}

void SetHistoryPath(const QString& path)
{
    pathOverride() = path;
}

History::History(const QString& path, int busyTimeoutMs) : connection_(newConnectionName())
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid()) {
        fail(path, QStringLiteral("the SQLite driver of Qt is not installed"));
        return;
    }
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open()) {
        fail(path, db.lastError().text());
        return;
    }
    path_ = path;
    ready();
}

bool History::ready()
{
    if (open_ || path_.isEmpty())
        return open_;
    // A file that is no database opens without complaint: the first
    // statement is where it shows. A read-only file passes (the table
    // exists): its first write tells. A locked one is tried again later.
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    open_ = query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tunes ("
                                      "id INTEGER PRIMARY KEY AUTOINCREMENT, recorded TEXT NOT NULL, "
                                      "port TEXT NOT NULL, source TEXT NOT NULL, fingerprint TEXT NOT NULL, "
                                      "contents TEXT NOT NULL, note TEXT NOT NULL DEFAULT '', "
                                      "label TEXT NOT NULL DEFAULT '')"));
    if (!open_)
        fail(path_, query.lastError().text());
    return open_;
}

History::~History()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

bool History::fail(const QString& what, const QString& why)
{
    error_ = what.isEmpty() ? why : what + QStringLiteral(": ") + why;
    return false;
}

namespace {

// Runs one change as a transaction. The statement is gone before a rollback,
// or SQLite refuses to roll back while it is still in progress and the
// connection stays locked.
bool inTransaction(QSqlDatabase db, const std::function<bool(QSqlQuery&)>& change, QString& error)
{
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    bool done = false;
    {
        QSqlQuery query(db);
        done = change(query);
        if (!done)
            error = query.lastError().text();
    }
    if (done && db.commit())
        return true;
    if (done)
        error = db.lastError().text();
    db.rollback();
    return false;
}

} // namespace

std::optional<qint64> History::add(Source source, const QString& port, const tunefile::Tune& tune,
                                   const QDateTime& when)
{
    if (!ready())
        return std::nullopt;
    qint64 id = 0;
    const bool added = inTransaction(
        QSqlDatabase::database(connection_, false),
        [&](QSqlQuery& query) {
            query.prepare(QStringLiteral("INSERT INTO tunes (recorded, port, source, fingerprint, contents) "
                                         "VALUES (?, ?, ?, ?, ?)"));
            query.addBindValue(when.toString(TimeFormat));
            query.addBindValue(port);
            query.addBindValue(SourceName(source));
            query.addBindValue(Fingerprint(tune));
            query.addBindValue(tunefile::TuneText(tune));
            if (!query.exec())
                return false;
            id = query.lastInsertId().toLongLong();
            return true;
        },
        error_);
    return added ? std::optional<qint64>(id) : std::nullopt;
}

QList<Record> History::select(const QString& condition, const QVariantList& values, int limit, int offset)
{
    QList<Record> found;
    if (!ready())
        return found;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT id, recorded, port, source, fingerprint, contents, note, label FROM tunes ")
                  + condition + QStringLiteral(" ORDER BY id DESC LIMIT %1 OFFSET %2").arg(limit).arg(offset));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        fail({}, query.lastError().text());
        return found;
    }
    while (query.next()) {
        Record r;
        r.id = query.value(0).toLongLong();
        r.when = QDateTime::fromString(query.value(1).toString(), TimeFormat);
        r.port = query.value(2).toString();
        r.source = sourceNamed(query.value(3).toString()).value_or(Source::Export);
        r.fingerprint = query.value(4).toString();
        r.tune = tunefile::TuneFromText(query.value(5).toString()).value_or(tunefile::Tune{});
        r.tune.origin = {tunefile::TuneOrigin::Kind::None, {}, r.port, r.when};
        r.note = query.value(6).toString();
        r.label = query.value(7).toString();
        found.append(r);
    }
    return found;
}

QList<Record> History::records(const QString& search)
{
    if (search.isEmpty())
        return select({}, {});
    return select(QStringLiteral("WHERE instr(lower(note), lower(?)) > 0 OR instr(lower(label), lower(?)) > 0"),
                  {search, search});
}

std::optional<Record> History::numbered(int number)
{
    const QList<Record> one = number >= 1 ? select({}, {}, 1, number - 1) : QList<Record>();
    return one.isEmpty() ? std::nullopt : std::optional<Record>(one.first());
}

std::optional<Record> History::matching(const QString& fingerprint)
{
    const QList<Record> one = select(QStringLiteral("WHERE fingerprint = ?"), {fingerprint}, 1);
    return one.isEmpty() ? std::nullopt : std::optional<Record>(one.first());
}

namespace {

bool setText(const QString& connection, const char* column, qint64 id, const QString& text, QString& error)
{
    int changed = 0;
    const bool done = inTransaction(
        QSqlDatabase::database(connection, false),
        [&](QSqlQuery& query) {
            query.prepare(QStringLiteral("UPDATE tunes SET %1 = ? WHERE id = ?").arg(QLatin1String(column)));
            query.addBindValue(text);
            query.addBindValue(id);
            if (!query.exec())
                return false;
            changed = query.numRowsAffected();
            return true;
        },
        error);
    if (done && changed != 1)
        error = QStringLiteral("there is no record %1").arg(id);
    return done && changed == 1;
}

} // namespace

bool History::setNote(qint64 id, const QString& note)
{
    return ready() && setText(connection_, "note", id, note, error_);
}

bool History::setLabel(qint64 id, const QString& label)
{
    return ready() && setText(connection_, "label", id, label, error_);
}

void SetFailureReporter(Reporter reporter)
{
    reporting() = {std::move(reporter), false};
}

QString FailureText(const QString& path, const QString& why)
{
    return QStringLiteral("The tune history could not be used; tunes are not being recorded in it "
                          "(the backup files are kept as before).\n")
        + QDir::toNativeSeparators(path) + QStringLiteral("\n") + why;
}

Remembered Remember(Source source, const QString& port, const tunefile::Tune& tune, const QDateTime& when)
{
    Remembered remembered;
    remembered.fingerprint = Fingerprint(tune);
    const QString path = HistoryPath();
    History history(path);
    remembered.earlier = history.matching(remembered.fingerprint);
    remembered.recorded = history.add(source, port, tune, when).has_value();
    Reporting& state = reporting();
    if (!remembered.recorded && !state.told && state.reporter) {
        state.told = true;
        state.reporter(FailureText(path, history.error()));
    }
    return remembered;
}

QString MatchText(const QString& fingerprint, const std::optional<Record>& match)
{
    const QString print = QStringLiteral("Tune fingerprint %1").arg(fingerprint);
    if (!match)
        return print + QStringLiteral(", no record matches");
    QString text =
        print + QStringLiteral(", matches ") + QLocale::c().toString(match->when, QStringLiteral("dddd HH:mm"));
    if (!match->note.isEmpty())
        text += QStringLiteral(", \"%1\"").arg(match->note);
    return text;
}

} // namespace tune_history
