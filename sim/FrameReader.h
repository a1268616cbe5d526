#pragma once

#include <QByteArray>
#include <QList>

// Finds request frames in the characters the program writes: "UU", two hex
// digits of payload length, the payload, two hex digits of checksum, "$".
// Characters outside a frame (the monitor's bare stop character, line noise)
// are skipped. A frame interrupted by the start of another is dropped, as the
// unit resynchronises on every "UU".
class FrameReader {
public:
    struct Item {
        enum class Kind {
            Request,   // length and checksum right; payload holds the command
            Malformed, // terminated, but its length or checksum is wrong
            RawStop,   // a bare "X" outside any frame
        };
        Kind kind;
        QByteArray payload; // Request only
        QByteArray text;    // the characters as received
    };

    // The longest frame: "UU", length, 255 payload characters, checksum, "$".
    static constexpr int MaxFrameLength = 2 + 2 + 255 + 2 + 1;

    QList<Item> feed(const QByteArray& bytes);
    void reset() { pending_.clear(); }

private:
    static Item judge(const QByteArray& text);

    QByteArray pending_;
};
