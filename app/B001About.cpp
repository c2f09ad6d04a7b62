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
constexpr TColor kPanelColor = clOlive;
const QString kCaptionText = QStringLiteral("正在连接数据库……");
} // namespace

TfrmB001About::TfrmB001About(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), Panel1(new QWidget(this)),
      Image1(new PictureBox(Panel1)), Label1(new QLabel(Panel1))
{
    setWindowTitle(QStringLiteral("B001About-初始画面"));
    setFixedSize(SplashLayout::kClientSize);

    Panel1->setAutoFillBackground(true);
    QPalette panelPalette = Panel1->palette();
    panelPalette.setColor(QPalette::Window, toQColor(kPanelColor));
    Panel1->setPalette(panelPalette);

    // Transparent: the label fills no background and the olive panel shows through.
    Label1->setAutoFillBackground(false);
    Label1->setFont(pixelFont(kYaHei, 20, true));
    QPalette captionPalette = Label1->palette();
    captionPalette.setColor(QPalette::WindowText, toQColor(clWhite));
    Label1->setPalette(captionPalette);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setText(kCaptionText);

    LoadPicture(builtInBannerJpeg());
    if (const QScreen* screen = this->screen())
        move(SplashLayout::centredOn(screen->geometry(), size()));
}

void TfrmB001About::LoadPicture(const QByteArray& jpeg)
{
    Image1->SetPicture(decodeJpeg(jpeg));
    ApplyLayout();
}

void TfrmB001About::ApplyLayout()
{
    layout_ = SplashLayout::compute(size(), Image1->size());
    Panel1->setGeometry(layout_.panel);
    Image1->setGeometry(layout_.picture);
    Label1->setGeometry(layout_.caption);
}

void TfrmB001About::ShowAndPaint()
{
    show();
    repaint();
}
