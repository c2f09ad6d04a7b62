#include "PictureBox.h"

#include "Application.h"

#include <QPainter>

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {}

void TPictureBox::SetPicture(const QImage& picture)
{
    picture_ = picture;
    resize(picture_.isNull() ? QSize(0, 0) : picture_.size());
    update();
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    Guarded([&] {
        if (picture_.isNull())
            return;
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), picture_);
    });
}
