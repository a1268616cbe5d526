#include "memory/TableListing.h"

#include "memory/CellConversions.h"
#include "platform/NumberFormat.h"

namespace cells {

using number_format::Format;

QString ListingHeading(char table, const QString& injectorCaption)
{
    switch (table) {
    case 'C':
        return QStringLiteral("CLOSED-LOOP TABLE 1");
    case 'O':
        return QStringLiteral("OPEN-LOOP TABLE 1");
    case 'H':
        return QStringLiteral("OPEN-LOOP TABLE 2");
    case 'L':
        return QStringLiteral("CLOSED-LOOP TABLE 2");
    default:
        break;
    }
    return QStringLiteral("MAF TRANSFER FUNCTION: ") + injectorCaption + QStringLiteral(" Calibration.");
}

QString ListingHeader(char table, const QDateTime& when, const QString& injectorCaption)
{
    return when.toString(QStringLiteral("MM-dd-yyyy")) + QStringLiteral(" - ")
        + when.toString(QStringLiteral("HH:mm:ss")) + LineEnd + LineEnd + ListingHeading(table, injectorCaption)
        + LineEnd;
}

QString ListingVolts(char table, int cell)
{
    // Transfer-function cells sit 20/1024 V apart, so cell 255 is 4.980 V;
    // correction cells are spread over 0 to 5 V.
    const double volts = table == 'F' ? cell * 4 * 5 / 1024.0 : cell * 5 / 255.0;
    return Format(volts, QStringLiteral("0.000"));
}

QString ListingLine(char table, int cell, int byte, double injectorRatio)
{
    if (table == 'F') {
        return QStringLiteral("Output[v]: ") + ListingVolts(table, cell) + QStringLiteral(", Flow[kg/hr]: ")
            + Format(static_cast<double>(DecodeFlow(cell, byte, injectorRatio)), QStringLiteral("###0"));
    }
    const int change = DecodeCorrection(byte);
    const QString tag = change < 0 ? QStringLiteral("(LEAN)") : change > 0 ? QStringLiteral("(RICH)") : QString();
    return QStringLiteral("MAF_IN[v]: ") + ListingVolts(table, cell) + QStringLiteral(", Change[%]: ")
        + Format(change, QStringLiteral("##0")) + tag;
}

QString ListingFileName(char table)
{
    switch (table) {
    case 'C':
        return QStringLiteral("LC_Table.txt");
    case 'O':
        return QStringLiteral("LO_Table.txt");
    case 'H':
        return QStringLiteral("HO_Table.txt");
    case 'L':
        return QStringLiteral("HC_Table.txt");
    default:
        break;
    }
    return QStringLiteral("FL_Table.txt");
}

QString TableListing(char table, const QDateTime& when, const QString& injectorCaption, const QList<int>& bytes,
                     double injectorRatio)
{
    QString text = ListingHeader(table, when, injectorCaption);
    for (int cell = 0; cell < bytes.size(); ++cell)
        text += ListingLine(table, cell, bytes.at(cell), injectorRatio) + LineEnd;
    return text;
}

} // namespace cells
