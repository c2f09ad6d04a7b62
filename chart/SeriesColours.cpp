#include "SeriesColours.h"

#include <QHash>
#include <algorithm>
#include <array>

namespace seriescolours {

QColor paletteColour(int slot)
{
    // Twelve that stay apart on white: more would bring near twins (two greens, two reds).
    static constexpr std::array<QRgb, kPaletteSize> palette{0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e,
                                                            0x9467bd, 0x8c564b, 0xe377c2, 0x17becf,
                                                            0xbcbd22, 0x000000, 0x7f0000, 0x000080};
    return QColor::fromRgb(palette[std::size_t(slot % kPaletteSize)]);
}

int preferredSlot(const QString& name)
{
    // FNV-1a over the UTF-8 bytes.
    quint32 hash = 2166136261u;
    for (const char byte : name.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return int(hash % kPaletteSize);
}

QVector<QColor> coloursFor(const QStringList& names)
{
    QStringList byName = names;
    byName.sort();
    byName.removeDuplicates();
    std::array<bool, kPaletteSize> taken{};
    int free = kPaletteSize;
    QHash<QString, int> slotOf;
    for (const QString& name : byName) {
        if (free == 0) { // more names than colours: a second round
            taken.fill(false);
            free = kPaletteSize;
        }
        int slot = preferredSlot(name);
        while (taken[std::size_t(slot)])
            slot = (slot + 1) % kPaletteSize;
        taken[std::size_t(slot)] = true;
        --free;
        slotOf.insert(name, slot);
    }
    QVector<QColor> out;
    out.reserve(names.size());
    for (const QString& name : names)
        out << paletteColour(slotOf.value(name));
    return out;
}

} // namespace seriescolours
