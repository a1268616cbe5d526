#pragma once

#include "link/Commands.h"

#include <QList>
#include <QString>

#include <optional>

// What the data of a positive reply must hold before the transaction takes it
// as the answer to its request: every field the program reads is there in
// full, with hexadecimal (or decimal) digits where it is read as a number,
// and the reply's echo of the request matches what was sent. A reply that
// does not fit is a failed attempt, like a garbled frame, so no caller ever
// reads a value out of a reply too short to hold it or meant for another
// request.
class ReplyShape {
public:
    // Any positive reply fits: the replies whose callers judge them by rules
    // of their own (probe status, live sample, write echoes, self-test).
    ReplyShape() = default;

    // The field holds exactly this text ("r" echoes: the table letter in
    // lower case).
    ReplyShape& echoes(cmd::Field field, const QString& text);
    // The field is hexadecimal digits of either case; when a value is given,
    // they read as that value (an echoed address).
    ReplyShape& hexadecimal(cmd::Field field, std::optional<int> value = std::nullopt);
    // The field is decimal digits.
    ReplyShape& decimal(cmd::Field field);

    bool Fits(const QString& replyData) const;
    bool checksNothing() const { return rules_.isEmpty(); }

private:
    enum class Kind { Echo, Hexadecimal, Decimal };
    struct Rule {
        cmd::Field field;
        Kind kind;
        QString text;
        std::optional<int> value;
    };
    QList<Rule> rules_;
};
