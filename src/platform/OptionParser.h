#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One option of a program: its names ("o" and "output" are typed -o and
// --output) and, for an option that takes a value, what the value is, for
// the message when it is missing ("a FILE": "--log needs a FILE"). A flag
// has no `needs`.
struct OptionDefinition {
    QStringList names;
    QString needs;
};

// The programs' command lines, read by QCommandLineParser with the house
// rules: an option is typed --name or -name, its value as the next argument
// or after "=", anywhere on the line; an operand that is a negative number
// ("write O 3000 -5") is an operand, not an option; a value option followed
// by one of the program's options has no value. What an option means, and
// which subcommand takes it, is the program's to check.
class OptionParser {
public:
    explicit OptionParser(const QList<OptionDefinition>& options);
    OptionParser(const OptionParser&) = delete;
    OptionParser& operator=(const OptionParser&) = delete;

    // args: without the program's name. False, with error() set, when an
    // option is unknown, lacks its value or has one it does not take.
    bool parse(const QStringList& args);
    QString error() const { return error_; }

    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); } // the last one given
    QStringList values(const QString& name) const { return parser_.values(name); }
    QStringList operands() const { return operands_; }

    // The options given, as typed ("-o", "--seconds"), each once, in the
    // order they first appear.
    QStringList given() const;
    // Those of them that none of `allowed` (any of an option's names) is.
    QStringList givenExcept(const QStringList& allowed) const;
    // How the option was typed last, e.g. "-o" or "--output".
    QString typedAs(const QString& name) const;
    // Where it was last given among the options, -1 when not given.
    qsizetype lastIndexOf(const QString& name) const;

private:
    const OptionDefinition* find(const QString& name) const;
    QString checkShape(QStringList& args) const;

    QList<OptionDefinition> definitions_;
    QCommandLineParser parser_;
    QStringList operands_;
    QString error_;
};

// "-o" for a one-letter name, "--seconds" for a longer one.
QString Typed(const QString& name);

// "a, b or c".
QString Listed(const QStringList& items);

// A number as typed, or nothing when it is no number or not finite ("nan",
// "inf", "1e999").
std::optional<double> FiniteNumber(const QString& text);
