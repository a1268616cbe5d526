#include "link/ReplyShape.h"

#include <algorithm>

namespace {

bool allOf(const QString& text, int base)
{
    return std::all_of(text.begin(), text.end(), [base](QChar c) {
        const char latin = c.toLatin1();
        if (latin >= '0' && latin <= '9')
            return true;
        return base == 16 && ((latin >= 'A' && latin <= 'F') || (latin >= 'a' && latin <= 'f'));
    });
}

bool allLetters(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char latin = c.toLatin1();
        return (latin >= 'a' && latin <= 'z') || (latin >= 'A' && latin <= 'Z');
    });
}

} // namespace

ReplyShape& ReplyShape::echoes(cmd::Field field, const QString& text)
{
    rules_.append({field, Kind::Echo, text, std::nullopt});
    return *this;
}

ReplyShape& ReplyShape::hexadecimal(cmd::Field field, std::optional<int> value)
{
    rules_.append({field, Kind::Hexadecimal, {}, value});
    return *this;
}

ReplyShape& ReplyShape::decimal(cmd::Field field)
{
    rules_.append({field, Kind::Decimal, {}, std::nullopt});
    return *this;
}

ReplyShape& ReplyShape::length(int characters)
{
    length_ = characters;
    return *this;
}

bool ReplyShape::echoed() const
{
    return std::any_of(rules_.begin(), rules_.end(),
                       [](const Rule& rule) { return rule.kind == Kind::Echo || rule.value.has_value(); });
}

ReplyShape::Match ReplyShape::judge(const QString& replyData) const
{
    // An echo that is all there and well formed but names something else
    // answers another request, whatever the rest holds.
    for (const Rule& rule : rules_) {
        const QString text = cmd::Text(replyData, rule.field);
        if (text.size() != rule.field.width)
            continue;
        if (rule.kind == Kind::Echo && allLetters(text) && text != rule.text)
            return Match::AnswersAnother;
        if (rule.kind == Kind::Hexadecimal && rule.value && allOf(text, 16) && text.toInt(nullptr, 16) != *rule.value)
            return Match::AnswersAnother;
    }
    if (length_ && replyData.size() != *length_)
        return Match::Garbled;
    const bool fits = std::all_of(rules_.begin(), rules_.end(), [&replyData](const Rule& rule) {
        const QString text = cmd::Text(replyData, rule.field);
        if (text.size() != rule.field.width)
            return false;
        switch (rule.kind) {
        case Kind::Echo:
            return text == rule.text;
        case Kind::Decimal:
            return allOf(text, 10);
        case Kind::Hexadecimal:
            return allOf(text, 16) && (!rule.value || text.toInt(nullptr, 16) == *rule.value);
        }
        return false;
    });
    return fits ? Match::Fits : Match::Garbled;
}
