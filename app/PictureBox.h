#pragma once
#include <QImage>
#include <QWidget>

// A picture drawn at its natural size from the top-left corner; the box takes the picture's
// size, and an empty picture leaves nothing to see.
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};
