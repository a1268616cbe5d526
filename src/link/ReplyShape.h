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
    // of their own (probe status, write echoes, self-test).
    ReplyShape() = default;

    // The field holds exactly this text ("r" echoes: the table letter in
    // lower case).
    ReplyShape& echoes(cmd::Field field, const QString& text);
    // The field is hexadecimal digits of either case; when a value is given,
    // they read as that value (an echoed address or register).
    ReplyShape& hexadecimal(cmd::Field field, std::optional<int> value = std::nullopt);
    // The field is decimal digits.
    ReplyShape& decimal(cmd::Field field);
    // The data is exactly this many characters: nothing missing, nothing put in.
    ReplyShape& length(int characters);

    enum class Match {
        Fits,
        // An echo, well formed and whole, names another request: the reply
        // answers some other request (a late one, or the unit's mistake).
        AnswersAnother,
        // Anything else that does not fit: short, not digits, junk in it.
        Garbled,
    };
    Match judge(const QString& replyData) const;
    bool Fits(const QString& replyData) const { return judge(replyData) == Match::Fits; }
    bool checksNothing() const { return rules_.isEmpty() && !length_; }
    // Whether the reply names the request it answers (it has an echo).
    bool echoed() const;

private:
    enum class Kind { Echo, Hexadecimal, Decimal };
    struct Rule {
        cmd::Field field;
        Kind kind;
        QString text;
        std::optional<int> value;
    };
    QList<Rule> rules_;
    std::optional<int> length_;
};
