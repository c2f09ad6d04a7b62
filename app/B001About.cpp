#include "B001About.h"

#include "AppResources.h"
#include "Colors.h"
#include "Fonts.h"
#include "JpegImage.h"
#include "PictureBox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {
constexpr BgrColor kPanelColor = clOlive;
const QString kCaptionText = QStringLiteral("正在连接数据库……");
} // namespace

TfrmB001About::TfrmB001About(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), panel1(new QWidget(this)),
      image1(new PictureBox(panel1)), Label1(new QLabel(panel1))
{
    setWindowTitle(QStringLiteral("B001About-初始画面"));
    setFixedSize(SplashLayout::kClientSize);

    panel1->setAutoFillBackground(true);
    QPalette panelPalette = panel1->palette();
    panelPalette.setColor(QPalette::Window, toQColor(kPanelColor));
    panel1->setPalette(panelPalette);

    // Transparent: the label fills no background and the olive panel shows through.
    Label1->setAutoFillBackground(false);
    Label1->setFont(pixelFont(kYaHei, 20, true));
    QPalette captionPalette = Label1->palette();
    captionPalette.setColor(QPalette::WindowText, toQColor(clWhite));
    Label1->setPalette(captionPalette);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setText(kCaptionText);

    // On a screen of more pixels the banner drawn for it, not the small one enlarged.
    const qreal ratio = devicePixelRatioF() > 1 ? kBannerHighScale : 1;
    loadPicture(builtInBannerJpeg(ratio), ratio);
    if (const QScreen* screen = this->screen())
        move(SplashLayout::centredOn(screen->geometry(), size()));
}

void TfrmB001About::loadPicture(const QByteArray& jpeg, qreal pictureRatio)
{
    QImage picture = decodeJpeg(jpeg);
    picture.setDevicePixelRatio(pictureRatio);
    image1->setPicture(picture);
    applyLayout();
}

void TfrmB001About::applyLayout()
{
    layout_ = SplashLayout::compute(size(), image1->size());
    panel1->setGeometry(layout_.panel);
    image1->setGeometry(layout_.picture);
    Label1->setGeometry(layout_.caption);
}

void TfrmB001About::showAndPaint()
{
    show();
    repaint();
}
