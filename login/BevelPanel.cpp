#include "BevelPanel.h"

#include "Colors.h"

#include <QPainter>
#include <QRect>
#include <QVector>

namespace {

// One ring of a panel's 3D frame: its rectangle and the colours of its two halves.
struct BevelRing {
    QRect rect;
    QColor topLeft;
    QColor bottomRight;
};

// The rings of a frame, outer first; each bevel takes one pixel.
QVector<BevelRing> bevelRings(const QRect& rect, PanelBevel outer, PanelBevel inner)
{
    QVector<BevelRing> rings;
    QRect r = rect;
    for (PanelBevel bevel : {outer, inner}) {
        if (bevel == PanelBevel::None)
            continue;
        const QColor light = systemColor(SystemColor::BtnHighlight);
        const QColor dark = systemColor(SystemColor::BtnShadow);
        const bool raised = bevel == PanelBevel::Raised;
        rings.push_back({r, raised ? light : dark, raised ? dark : light});
        r.adjust(1, 1, -1, -1);
    }
    return rings;
}

} // namespace

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent) {}

QColor BevelPanel::fillColor() const
{
    return Color.isValid() ? Color : systemColor(SystemColor::BtnFace);
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), fillColor());
    for (const BevelRing& ring : bevelRings(rect(), bevelOuter, bevelInner)) {
        const QRect& r = ring.rect;
        p.setPen(ring.topLeft);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(ring.bottomRight);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
    if (topLine) {
        p.setPen(systemColor(SystemColor::BtnShadow));
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(systemColor(SystemColor::BtnHighlight));
        p.drawLine(0, 1, width() - 1, 1);
    }
}
