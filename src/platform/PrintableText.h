#pragma once

#include <QString>

// Text from a file as a message shows it: every character that cannot be
// printed (a terminal's escape, a line end, a NUL) stands as "?", so a
// hostile file can neither act on the terminal nor break the message's lines.
inline QString PrintableText(const QString& text)
{
    QString visible;
    visible.reserve(text.size());
    for (const QChar c : text)
        visible += c.isPrint() ? c : QLatin1Char('?');
    return visible;
}
