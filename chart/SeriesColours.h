#pragma once
#include <QColor>
#include <QStringList>
#include <QVector>

// The colours of a chart's series, derived from their names alone, so that a robot keeps its
// colour between reloads and runs.
namespace seriescolours {

constexpr int kPaletteSize = 12;

// The palette, chosen to stay apart from each other and readable on white.
QColor paletteColour(int slot);
// A stable hash of the name (not qHash, which is seeded per run) into the palette.
int preferredSlot(const QString& name);
// One colour per name, in the names' order. Names take their preferred slots in name order; a
// name whose slot is taken gets the next free one, so that colours are distinct for up to
// kPaletteSize names and the same for the same set of names.
QVector<QColor> coloursFor(const QStringList& names);

} // namespace seriescolours
