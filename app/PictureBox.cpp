#include "PictureBox.h"

#include "Application.h"

#include <QPainter>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture)
{
    picture_ = picture;
    resize(picture_.isNull() ? QSize(0, 0) : picture_.size());
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        if (picture_.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), picture_);
    });
}
