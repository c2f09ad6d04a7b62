#pragma once
#include <QColor>
#include <QRect>
#include <QVector>
#include <QWidget>

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// One ring of a panel's 3D frame: its rectangle and the colours of its two halves.
struct TBevelRing {
    QRect rect;
    QColor topLeft;
    QColor bottomRight;
};

// The rings of a frame, outer first; each bevel takes one pixel.
QVector<TBevelRing> bevelRings(const QRect& rect, TPanelBevel outer, TPanelBevel inner);

// A plain filled panel with an optional 3D frame and an optional etched line along its top.
class TPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    TPanelBevel BevelOuter = TPanelBevel::bvNone;
    TPanelBevel BevelInner = TPanelBevel::bvNone;
    bool TopLine = false;
    QColor Color;  // invalid: the button face

    QColor FillColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
