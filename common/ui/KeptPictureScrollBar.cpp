#include "KeptPictureScrollBar.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <cmath>
#include <optional>
#include <sys/mman.h>

namespace {

// Only where the style filled every pixel is a picture made on nothing certain to show what
// painting over the parent would: blending it there could round differently.
bool everyPixelOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// A transparent device of the window's extent in memory of its own: only the pages the bar
// covers are touched, and all of it goes back to the system with the image.
QImage windowSizedDevice(const QSize& size)
{
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return QImage();
    struct Mapping {
        void* at;
        size_t bytes;
    };
    return QImage(
        static_cast<uchar*>(memory), size.width(), size.height(), bytesPerLine,
        QImage::Format_ARGB32_Premultiplied,
        [](void* info) {
            const auto* mapping = static_cast<Mapping*>(info);
            ::munmap(mapping->at, mapping->bytes);
            delete mapping;
        },
        new Mapping{memory, bytes});
}

} // namespace

KeptPictureScrollBar::KeptPictureScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
}

KeptPictureScrollBar::Look KeptPictureScrollBar::look(const QTransform& place) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {size(),
            place,
            style(),
            option.palette.cacheKey(),
            int(option.state),
            int(option.direction),
            option.minimum,
            option.maximum,
            option.sliderPosition,
            option.pageStep,
            option.singleStep,
            option.upsideDown};
}

bool KeptPictureScrollBar::mayKeepPicture() const
{
    // Qt's own styles draw a bar from its options; others may fade it in time.
    const QString styleName = style()->name();
    const qreal ratio = devicePixelRatioF();
    return (styleName == QLatin1String("fusion") || styleName == QLatin1String("windows")) &&
           !style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) &&
           ratio == std::floor(ratio) && !underMouse() &&
           QGuiApplication::mouseButtons() == Qt::NoButton && !isSliderDown() && !size().isEmpty();
}

// A picture is drawn at the device's scale, moved by whole device pixels.
bool KeptPictureScrollBar::fitsPicture(const QTransform& place) const
{
    const qreal ratio = devicePixelRatioF();
    return place.type() <= QTransform::TxScale && place.m11() == ratio && place.m22() == ratio &&
           place.dx() >= 0 && place.dy() >= 0 && place.dx() == std::floor(place.dx()) &&
           place.dy() == std::floor(place.dy());
}

QRect KeptPictureScrollBar::deviceArea(const Look& look) const
{
    return QRect(QPoint(int(look.place.dx()), int(look.place.dy())), look.size * look.place.m11());
}

void KeptPictureScrollBar::keepPicture(const QImage& picture, const Look& look)
{
    picture_ = picture;
    picture_.setDevicePixelRatio(look.place.m11());
    pictureLook_ = look;
    ++picturesMade_;
}

void KeptPictureScrollBar::preparePicture()
{
    if (!mayKeepPicture())
        return;
    const qreal ratio = devicePixelRatioF();
    const QPoint origin = mapTo(window(), QPoint(0, 0)) * ratio;
    const Look now = look(QTransform(ratio, 0, 0, ratio, origin.x(), origin.y()));
    if (!fitsPicture(now.place) || (hasPicture() && pictureLook_ == now))
        return;
    const QRect area = deviceArea(now);
    QImage device = windowSizedDevice(QSize(area.right() + 1, area.bottom() + 1));
    if (device.isNull())
        return;
    device.setDevicePixelRatio(ratio);
    {
        QPainter painter(&device);
        painter.translate(QPointF(origin) / ratio);
        // As QScrollBar paints itself with nothing hovered or pressed.
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_All;
        option.activeSubControls = QStyle::SC_None;
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
    }
    QImage picture = device.copy(area);
    if (!everyPixelOpaque(picture))
        return;
    // Opaque, it is copied line by line instead of blended.
    picture.reinterpretAsFormat(QImage::Format_RGB32);
    keepPicture(picture, now);
}

bool KeptPictureScrollBar::event(QEvent* event)
{
    // A picture made before a change of style must not outlive it, even were the new style
    // object to take the old one's address.
    if (event->type() == QEvent::StyleChange)
        picture_ = QImage();
    return QScrollBar::event(event);
}

const QImage* KeptPictureScrollBar::screenImage() const
{
    if (!mayKeepPicture())
        return nullptr;
    QBackingStore* store = backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    return device && device->devType() == QInternal::Image ? static_cast<const QImage*>(device)
                                                           : nullptr;
}

void KeptPictureScrollBar::paintEvent(QPaintEvent* event)
{
    const QImage* screen = screenImage();
    std::optional<Look> now;
    if (screen) {
        QPainter painter(this);
        const Look here = look(painter.deviceTransform());
        // Into grab() and render() the bar paints as QScrollBar does.
        if (painter.isActive() && painter.paintEngine()->paintDevice() == screen &&
            fitsPicture(here.place)) {
            if (hasPicture() && pictureLook_ == here) {
                painter.drawImage(QPoint(0, 0), picture_);
                return;
            }
            now = here;
        }
    }
    QScrollBar::paintEvent(event);
    // What was just painted, if all of the bar was.
    const QRect whole = rect();
    if (now && (QRegion(whole) - event->region()).isEmpty() &&
        (QRegion(whole) - visibleRegion()).isEmpty() && screen->rect().contains(deviceArea(*now)))
        keepPicture(screen->copy(deviceArea(*now)), *now);
}
