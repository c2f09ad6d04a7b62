#pragma once
#include <QPixmap>
#include <functional>

class QPainter;
class QWidget;

// What lies under a zoom band does not change while it is dragged: the chart is painted into
// this picture once per drag, and each move copies it back where the band was and is. Outside
// a drag a chart paints straight onto the screen, which costs no copy.
class BandPicture {
public:
    const QPixmap& of(const QWidget& widget, const std::function<void(QPainter&)>& paint);
    void forget() { picture_ = QPixmap(); }

private:
    QPixmap picture_;
};
