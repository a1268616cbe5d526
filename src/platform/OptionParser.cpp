#include "platform/OptionParser.h"

#include <QRegularExpression>

#include <algorithm>

#include <cmath>

namespace {

// Marks an operand that would look like an option to QCommandLineParser; no
// argument of a command line can hold this character.
const QChar OperandMark(0);

bool isNegativeNumber(const QString& arg)
{
    static const QRegularExpression number(QStringLiteral("^-(\\d+\\.?\\d*|\\.\\d+)$"));
    return number.match(arg).hasMatch();
}

bool looksLikeOption(const QString& arg)
{
    return arg.startsWith(QLatin1Char('-')) && arg.size() > 1 && !isNegativeNumber(arg);
}

QString nameOf(const QString& arg)
{
    return arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
}

} // namespace

OptionParser::OptionParser(const QList<OptionDefinition>& options) : definitions_(options)
{
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionDefinition& definition : definitions_) {
        QCommandLineOption option(definition.names);
        if (!definition.needs.isEmpty())
            option.setValueName(definition.needs);
        [[maybe_unused]] const bool added = parser_.addOption(option);
        Q_ASSERT(added);
    }
}

const OptionDefinition* OptionParser::find(const QString& name) const
{
    for (const OptionDefinition& definition : definitions_)
        if (definition.names.contains(name))
            return &definition;
    return nullptr;
}

// What QCommandLineParser would take otherwise: an unknown option, a flag
// given a value, a value missing; and the negative numbers kept as operands.
QString OptionParser::checkShape(QStringList& args) const
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString& arg = args[i];
        if (arg == QLatin1String("--"))
            break;
        if (isNegativeNumber(arg)) {
            arg.prepend(OperandMark);
            continue;
        }
        if (!looksLikeOption(arg))
            continue;
        const OptionDefinition* definition = find(nameOf(arg));
        const QString typed = arg.section(QLatin1Char('='), 0, 0);
        if (!definition)
            return QStringLiteral("unknown option '%1' (try --help)").arg(typed);
        const bool valueAttached = arg.contains(QLatin1Char('='));
        if (definition->needs.isEmpty()) {
            if (valueAttached)
                return QStringLiteral("%1 takes no value").arg(typed);
            continue;
        }
        if (valueAttached)
            continue;
        if (i + 1 >= args.size() || (looksLikeOption(args[i + 1]) && find(nameOf(args[i + 1]))))
            return QStringLiteral("%1 needs %2").arg(typed, definition->needs);
        ++i;
    }
    return {};
}

bool OptionParser::parse(const QStringList& given)
{
    QStringList args = given;
    operands_.clear();
    error_ = checkShape(args);
    if (!error_.isEmpty())
        return false;
    if (!parser_.parse(QStringList{QString()} + args)) {
        error_ = parser_.errorText();
        return false;
    }
    for (QString operand : parser_.positionalArguments()) {
        if (operand.startsWith(OperandMark))
            operand.remove(0, 1);
        operands_ << operand;
    }
    return true;
}

QStringList OptionParser::given() const
{
    return givenExcept({});
}

QStringList OptionParser::givenExcept(const QStringList& allowed) const
{
    QStringList typed;
    for (const QString& name : parser_.optionNames()) {
        const OptionDefinition* definition = find(name);
        const bool isAllowed = definition
            && std::any_of(definition->names.begin(), definition->names.end(),
                           [&](const QString& n) { return allowed.contains(n); });
        if (!isAllowed && !typed.contains(Typed(name)))
            typed << Typed(name);
    }
    return typed;
}

QString OptionParser::typedAs(const QString& name) const
{
    const OptionDefinition* definition = find(name);
    const QStringList found = parser_.optionNames();
    for (auto it = found.crbegin(); it != found.crend(); ++it)
        if (definition && definition->names.contains(*it))
            return Typed(*it);
    return Typed(name);
}

qsizetype OptionParser::lastIndexOf(const QString& name) const
{
    const OptionDefinition* definition = find(name);
    const QStringList found = parser_.optionNames();
    for (qsizetype i = found.size() - 1; i >= 0; --i)
        if (definition && definition->names.contains(found.at(i)))
            return i;
    return -1;
}

QString Typed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString Listed(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + items.last();
}

std::optional<double> FiniteNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}
