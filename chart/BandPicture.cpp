#include "BandPicture.h"

#include <QPainter>
#include <QWidget>

const QPixmap& BandPicture::of(const QWidget& widget, const std::function<void(QPainter&)>& paint)
{
    const qreal ratio = widget.devicePixelRatioF();
    if (!picture_.isNull() &&
        (picture_.size() != widget.size() * ratio || picture_.devicePixelRatio() != ratio))
        forget();
    if (picture_.isNull()) {
        picture_ = QPixmap(widget.size() * ratio);
        picture_.setDevicePixelRatio(ratio);
        picture_.fill(widget.palette().color(widget.backgroundRole()));
        QPainter painter(&picture_);
        painter.setLayoutDirection(widget.layoutDirection());
        painter.setFont(widget.font());
        paint(painter);
    }
    return picture_;
}
