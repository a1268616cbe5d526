#include "tunefile/TuneFile.h"

#include "link/Commands.h"
#include "link/Frame.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace tunefile {

namespace {

static_assert(TableLetters[0] == cmd::ClosedLoopTune1 && TableLetters[1] == cmd::OpenLoopTune1
              && TableLetters[2] == cmd::ClosedLoopTune2 && TableLetters[3] == cmd::OpenLoopTune2);

bool isUpperHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isHexDigit(QChar c)
{
    return isUpperHexDigit(c.toUpper());
}

bool isHexPair(const QString& text)
{
    return text.size() == 2 && isHexDigit(text.at(0)) && isHexDigit(text.at(1));
}

bool isTableLetter(QChar c)
{
    return std::any_of(std::begin(TableLetters), std::end(TableLetters),
                       [c](char letter) { return c == QLatin1Char(letter); });
}

// Lines as a text editor shows them: CR LF, LF or CR ends a line.
QList<QString> splitLines(const QString& text)
{
    QList<QString> lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

ParseResult refuse(int lineNumber, const QString& text)
{
    ParseResult result;
    result.badLine = lineNumber;
    result.badText = text;
    return result;
}

} // namespace

QString ReadRequest(const Entry& entry)
{
    return entry.table == RegisterLetter ? cmd::ReadRegister(entry.address) : cmd::ReadCell(entry.table, entry.address);
}

QString TimeStamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("MM-dd-yyyy-HH:mm:ss"));
}

int ProgressPercent(int handled)
{
    return std::clamp(handled * 100 / DataLineCount, 0, 100);
}

// --- export ----------------------------------------------------------------

QString TuneText(const QDateTime& when, const QList<QString>& values)
{
    const QList<Entry>& order = TuneOrder();
    QString text;
    text.reserve(20 + values.size() * 7 + 2);
    text += FormatIdentifier + LineEnd + TimeStamp(when) + LineEnd;
    for (qsizetype i = 0; i < values.size() && i < order.size(); ++i)
        text += QLatin1Char(order.at(i).table) + frame::HexByte(order.at(i).address) + values.at(i) + LineEnd;
    return text + LineEnd;
}

ExportResult ReadTune(const Transact& transact, const QDateTime& when, const Progress& progress)
{
    ExportResult result;
    const QList<Entry>& order = TuneOrder();
    QList<QString> values;
    values.reserve(order.size());
    Tune tune;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QString reply;
        if (!transact(ReadRequest(order.at(i)), ReadAttempts, ReadTimeoutMs, reply)) {
            result.failedEntry = static_cast<int>(i);
            return result;
        }
        values.append(cmd::Text(reply, cmd::reply::CellValue));
        tune.setValue(order.at(i), values.constLast().toInt(nullptr, 16));
        if (progress)
            progress(static_cast<int>(i) + 1);
    }
    result.complete = true;
    result.text = TuneText(when, values);
    tune.stamp = TimeStamp(when);
    result.tune = tune;
    return result;
}

QString TuneText(const Tune& tune)
{
    QString text = FormatIdentifier + LineEnd + tune.stamp + LineEnd;
    for (const QString& line : DataLines(tune))
        text += line + LineEnd;
    return text + LineEnd;
}

// --- import ----------------------------------------------------------------

int FileLines::writeCount() const
{
    return static_cast<int>(
        std::count_if(lines.begin(), lines.end(), [](const QString& line) { return !line.isEmpty(); }));
}

bool IsDataLine(const QString& line)
{
    if (line.size() != 5 || !isUpperHexDigit(line.at(1)) || !isUpperHexDigit(line.at(2)) || !isHexPair(line.mid(3, 2)))
        return false;
    const QChar letter = line.at(0);
    if (isTableLetter(letter))
        return true;
    return letter == QLatin1Char(RegisterLetter) && line.mid(1, 2).toInt(nullptr, 16) < RegisterCount;
}

ParseResult ParseTuneText(const QString& text)
{
    const QList<QString> lines = splitLines(text);
    if (lines.isEmpty() || lines.at(0) != FormatIdentifier)
        return refuse(1, lines.value(0));
    // A data line in the time stamp's place means the stamp is missing and
    // the file's first entry would never be written.
    if (lines.size() < 2 || IsDataLine(lines.at(1)))
        return refuse(2, lines.value(1));
    ParseResult result;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (!line.isEmpty() && !IsDataLine(line))
            return refuse(static_cast<int>(i) + 1, line);
    }
    result.valid = true;
    result.file.lines = lines.mid(2);
    result.tune.stamp = lines.at(1);
    for (const QString& line : result.file.lines)
        if (!line.isEmpty())
            result.tune.setValue({line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)},
                                 line.mid(3, 2).toInt(nullptr, 16));
    return result;
}

std::optional<Tune> TuneFromText(const QString& text, const QString& path)
{
    ParseResult parsed = ParseTuneText(text);
    if (!parsed.valid)
        return std::nullopt;
    parsed.tune.origin = {TuneOrigin::Kind::File, path, {}, {}};
    return parsed.tune;
}

QString WriteRequest(const QString& dataLine)
{
    // Built by the command's own builder, then given the line's value as it
    // is spelled, so the request is the line after "W" character for character.
    const int address = dataLine.mid(1, 2).toInt(nullptr, 16);
    const int value = dataLine.mid(3, 2).toInt(nullptr, 16);
    const char letter = dataLine.at(0).toLatin1();
    QString request =
        letter == RegisterLetter ? cmd::WriteRegister(address, value) : cmd::WriteCell(letter, address, value);
    request.replace(request.size() - 2, 2, dataLine.mid(3, 2));
    return request;
}

bool EchoConfirms(const QString& replyData, const QString& dataLine)
{
    const QString echoed = cmd::Text(replyData, cmd::reply::CellTable) + cmd::Text(replyData, cmd::reply::CellAddress)
        + cmd::Text(replyData, cmd::reply::CellValue);
    return echoed.size() == 5 && echoed.toUpper() == dataLine.toUpper();
}

ImportResult WriteTune(const Transact& transact, const FileLines& file, const Progress& progress)
{
    ImportResult result;
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const QString& line = file.lines.at(i);
        if (!line.isEmpty()) {
            QString reply;
            if (!transact(WriteRequest(line), WriteAttempts, WriteTimeoutMs, reply)) {
                result.outcome = ImportOutcome::WriteFailed;
                result.lineNumber = FileLineOf(static_cast<int>(i));
                return result;
            }
            if (!EchoConfirms(reply, line)) {
                result.outcome = ImportOutcome::WrongEcho;
                result.lineNumber = FileLineOf(static_cast<int>(i));
                return result;
            }
            ++result.written;
        }
        if (progress)
            progress(static_cast<int>(i) + 1);
    }
    return result;
}

QList<Mismatch> VerifyTune(const Transact& transact, const FileLines& file, const Progress& progress)
{
    // An entry named twice holds its later line's value: only that line is
    // checked, or the earlier one would be reported as a difference.
    const auto indexOf = [](const QString& line) {
        return IndexOf({line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)});
    };
    std::array<qsizetype, DataLineCount> lastLine;
    lastLine.fill(-1);
    for (qsizetype i = 0; i < file.lines.size(); ++i)
        if (!file.lines.at(i).isEmpty() && indexOf(file.lines.at(i)) >= 0)
            lastLine[indexOf(file.lines.at(i))] = i;
    QList<Mismatch> mismatches;
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        const QString& line = file.lines.at(i);
        const int index = line.isEmpty() ? -1 : indexOf(line);
        if (index >= 0 && lastLine[index] == i) {
            const Entry entry{line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)};
            QString reply;
            const bool answered = transact(ReadRequest(entry), ReadAttempts, ReadTimeoutMs, reply);
            const QString found = answered ? cmd::Text(reply, cmd::reply::CellValue) : QString();
            if (found.compare(line.mid(3, 2), Qt::CaseInsensitive) != 0)
                mismatches.append({line.left(3), line.mid(3, 2), found});
        }
        if (progress)
            progress(static_cast<int>(i) + 1);
    }
    return mismatches;
}

Progress CountingSentLines(const FileLines& file, const Progress& progress)
{
    if (!progress)
        return {};
    QList<int> sentBy;
    sentBy.reserve(file.lines.size());
    int sent = 0;
    for (const QString& line : file.lines)
        sentBy.append(sent += line.isEmpty() ? 0 : 1);
    const int total = std::max(1, sent);
    return [progress, sentBy, total](int handled) {
        const int sentSoFar = handled > 0 ? sentBy.value(handled - 1, total) : 0;
        progress(static_cast<int>(static_cast<qint64>(sentSoFar) * DataLineCount / total));
    };
}

Tune AfterWriting(const Tune& held, const FileLines& file)
{
    Tune after = held;
    for (const QString& line : file.lines)
        if (IsDataLine(line))
            after.setValue({line.at(0).toLatin1(), line.mid(1, 2).toInt(nullptr, 16)},
                           line.mid(3, 2).toInt(nullptr, 16));
    return after;
}

FileRead ReadTuneFile(const QString& path, QString& text, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return FileRead::Unreadable;
    }
    const QByteArray bytes = file.read(MaximumFileSize + 1);
    if (bytes.size() > MaximumFileSize)
        return FileRead::TooLarge;
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return FileRead::Unreadable;
    }
    text = QString::fromLatin1(bytes);
    return FileRead::Ok;
}

} // namespace tunefile
