#pragma once
#include <QImage>
#include <QScrollBar>
#include <QTransform>

// A scroll bar that keeps the picture of its last paint on screen and copies it while nothing
// it shows has changed. Qt's own styles draw the bar's groove and slider with gradients, which
// the raster engine hands to its thread pool in pieces of 64 lines: on a tall bar, waking
// those threads costs more than the whole grid beside it.
// The picture is what the style painted at that very place of the window, since a gradient
// rounds differently at different heights; the parent must paint the same beneath the bar at
// every paint, as the grid does. Only under a style that draws the bar from its options alone
// (Qt's own, without fading bars), at a whole number of pixels per point, and never while the
// pointer is on the bar or a button is held: otherwise, and into grab() and render(), it
// paints as QScrollBar does.
class KeptPictureScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit KeptPictureScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Makes the picture the next paint in the window will copy, for a bar not shown yet.
    void preparePicture();
    bool hasPicture() const { return !picture_.isNull(); }
    int picturesMade() const { return picturesMade_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What the style draws the bar from, and where on the device.
    struct Look {
        QSize size;
        QTransform place;
        const QStyle* style = nullptr;
        qint64 palette = 0;
        int state = 0;
        int direction = 0;
        int minimum = 0;
        int maximum = 0;
        int sliderPosition = 0;
        int pageStep = 0;
        int singleStep = 0;
        bool upsideDown = false;
        bool operator==(const Look&) const = default;
    };
    bool mayKeepPicture() const;
    // The window's backing store, when the bar may keep a picture and paints into one.
    const QImage* screenImage() const;
    bool fitsPicture(const QTransform& place) const;
    Look look(const QTransform& place) const;
    QRect deviceArea(const Look& look) const;
    void keepPicture(const QImage& picture, const Look& look);

    QImage picture_;
    Look pictureLook_;
    int picturesMade_ = 0;
};
