#include "sim/FrameReader.h"

#include "sim/Hex.h"

namespace {

const QByteArray Sync = QByteArrayLiteral("UU");

void noteSkipped(const QByteArray& skipped, QList<FrameReader::Item>& items)
{
    for (const char c : skipped)
        if (c == 'X')
            items.append({FrameReader::Item::Kind::RawStop, {}, QByteArray(1, c)});
}

} // namespace

FrameReader::Item FrameReader::judge(const QByteArray& text)
{
    // Sync, length field, checksum field and terminator take seven characters.
    const Item malformed{Item::Kind::Malformed, {}, text};
    if (text.size() < 7)
        return malformed;
    int declared = 0;
    int checksum = 0;
    if (!sim_hex::ParseByte(text.mid(2, 2), declared) || !sim_hex::ParseByte(text.mid(text.size() - 3, 2), checksum))
        return malformed;
    const QByteArray payload = text.mid(4, text.size() - 7);
    if (payload.size() != declared)
        return malformed;
    unsigned sum = 0;
    for (const char c : text.mid(2, 2) + payload)
        sum += static_cast<unsigned char>(c);
    if (static_cast<int>(sum % 256) != checksum)
        return malformed;
    return {Item::Kind::Request, payload, text};
}

QList<FrameReader::Item> FrameReader::feed(const QByteArray& bytes)
{
    QList<Item> items;
    pending_ += bytes;
    for (;;) {
        if (!pending_.startsWith(Sync)) {
            const qsizetype sync = pending_.indexOf(Sync);
            if (sync < 0) {
                // A lone trailing "U" may be the first half of the next sync.
                const qsizetype keep = pending_.endsWith('U') ? 1 : 0;
                noteSkipped(pending_.left(pending_.size() - keep), items);
                pending_ = pending_.right(keep);
                return items;
            }
            noteSkipped(pending_.left(sync), items);
            pending_.remove(0, sync);
        }
        // "UUU...": the sync is the last pair before the length digits.
        while (pending_.startsWith("UUU"))
            pending_.remove(0, 1);

        const qsizetype end = pending_.indexOf('$', Sync.size());
        const qsizetype nextSync = pending_.indexOf(Sync, Sync.size());
        if (nextSync >= 0 && (end < 0 || nextSync < end)) {
            pending_.remove(0, nextSync); // abandoned: a new frame began
            continue;
        }
        if (end < 0) {
            if (pending_.size() > MaxFrameLength) {
                items.append({Item::Kind::Malformed, {}, pending_});
                pending_.clear();
            }
            return items;
        }
        items.append(judge(pending_.left(end + 1)));
        pending_.remove(0, end + 1);
    }
}
