#include "PictureBox.h"

#include "Application.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture)
{
    picture_ = picture;
    resize(picture_.isNull() ? QSize(0, 0) : picture_.deviceIndependentSize().toSize());
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        if (picture_.isNull())
            return;
        QPainter painter(this);
        // At 1.5 the 2x picture is reduced: smoothly, not by dropping every fourth pixel.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QPoint(0, 0), picture_);
    });
}
