#include "monitor/Datalog.h"

#include "platform/WriteWhole.h"

#include <QFileInfo>

namespace datalog {

QString Record(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (QString field : fields)
        quoted << QLatin1Char('"') + field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return quoted.join(QLatin1Char(',')) + LineEnd;
}

QString DateText(const QDate& date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString TimeText(const QTime& time)
{
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

QStringList ColumnNames()
{
    return {QStringLiteral("Time"),         QStringLiteral("Vin(v)"),     QStringLiteral("Vout(v)"),
            QStringLiteral("Vdelta(%)"),    QStringLiteral("Fin(kg/hr)"), QStringLiteral("Fout(kg/hr)"),
            QStringLiteral("Fdelta(%)"),    QStringLiteral("A/F"),        QStringLiteral("Vtps(v)"),
            QStringLiteral("TPAngle(deg)"), QStringLiteral("RPM")};
}

QString Header(const QDateTime& opened, const QStringList& columns)
{
    return Record({DateText(opened.date()), TimeText(opened.time())}) + Record(columns);
}

QStringList ShownValues(const LiveSample& s)
{
    using namespace live_display;
    return {Volts(s.MAFInputVoltage), Volts(s.OutputVoltage), Percent(s.VoltageChange),         Flow(s.InputFlow),
            Flow(s.OutputFlow),       Percent(s.FlowChange),  AirFuelText(s.AirFuelRatio).text, Volts(s.TPSVoltage),
            Angle(s.ThrottleAngle),   Rpm(s.EngineSpeed)};
}

QString NoteLine(const QTime& written, const QString& note)
{
    return Record({QStringLiteral("USER TIMESTAMP:"), TimeText(written), note});
}

QString DataLine(const QTime& written, const QStringList& shownValues, bool fine)
{
    QStringList fields = QStringList{TimeText(written)} + shownValues;
    if (fine)
        fields << QStringLiteral("%1").arg(written.msec(), 3, 10, QLatin1Char('0'));
    return Record(fields);
}

QStringList FineColumns(const QStringList& columns)
{
    return columns + QStringList{FineTimeColumn};
}

bool DatalogFile::create(const QString& path, const QDateTime& opened, const QStringList& columns)
{
    close();
    file_.setFileName(path);
    // Unbuffered: each line reaches the file as it is written.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    path_ = path;
    if (!append(Header(opened, columns))) {
        close();
        // The file holds no whole header: it is not left behind. Only a plain
        // file, though: a device such as /dev/full stays where it is.
        if (QFileInfo(path).isFile())
            QFile::remove(path);
        return false;
    }
    return true;
}

bool DatalogFile::append(const QString& line)
{
    if (!file_.isOpen())
        return false;
    const QByteArray bytes = line.toUtf8();
    if (WriteWhole(file_, bytes))
        return true;
    error_ = file_.errorString();
    return false;
}

void DatalogFile::close()
{
    if (file_.isOpen())
        file_.close();
}

} // namespace datalog
