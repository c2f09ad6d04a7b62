#include "RzDBLabel.h"

#include "PaintHelpers.h"

#include "Application.h"

#include <QPainter>

LabelGeometry::LabelGeometry(QSize size)
{
    const int w = size.width();
    const int h = size.height();
    highlightFrame = QRect(QPoint(1, 1), QPoint(w - 1, h - 1));
    shadowFrame = QRect(QPoint(0, 0), QPoint(w - 2, h - 2));
    content = QRect(0, 0, w, h).adjusted(2, 2, -2, -2);
}

TRzDBLabel::TRzDBLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

// The link must let go of the source while this widget is still whole.
TRzDBLabel::~TRzDBLabel()
{
    link_.SetDataSource(nullptr);
}

void TRzDBLabel::SetDataField(const QString& field)
{
    dataField_ = field;
    DataChange();
}

void TRzDBLabel::SetFontColor(TColor color)
{
    fontColor_ = color;
    update();
}

TField* TRzDBLabel::Field() const
{
    if (!link_.Active() || dataField_.isEmpty())
        return nullptr;
    return link_.DataSet()->FindField(dataField_);
}

void TRzDBLabel::DataChange()
{
    // A field the query does not deliver shows nothing rather than failing every second.
    const TField* field = Field();
    const QString text = field ? field->DisplayText() : QString();
    if (text == caption_)
        return;
    if (!changeCheckPosted_) {
        changeCheckPosted_ = true;
        captionBefore_ = caption_;
        QMetaObject::invokeMethod(
            this,
            [this] {
                changeCheckPosted_ = false;
                if (caption_ != captionBefore_)
                    update();
            },
            Qt::QueuedConnection);
    }
    caption_ = text;
}

LabelPaintSpec TRzDBLabel::PaintSpec() const
{
    LabelPaintSpec look;
    const LabelGeometry geometry(size());
    look.frameHighlight = geometry.highlightFrame;
    look.frameShadow = geometry.shadowFrame;
    look.highlight = systemColor(SystemColor::BtnHighlight);
    look.shadow = systemColor(SystemColor::BtnShadow);
    // The label has no colour of its own: it shows whatever its parent is painted with.
    look.background = palette().color(backgroundRole());
    look.fontColor = toQColor(fontColor_);
    look.textRect = geometry.content;
    look.text = caption_;

    int flags = Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic | Qt::AlignTop;
    // Without a field there is no text, so the alignment only matters with one.
    const TField* field = Field();
    switch (field ? field->Alignment() : taCenter) {
    case taLeftJustify:
        flags |= Qt::AlignLeft;
        break;
    case taRightJustify:
        flags |= Qt::AlignRight;
        break;
    case taCenter:
        flags |= Qt::AlignHCenter;
        break;
    }
    look.textFlags = flags;
    return look;
}

void TRzDBLabel::paintEvent(QPaintEvent*)
{
    GuardedLater([&] {
        const LabelPaintSpec look = PaintSpec();
        QPainter painter(this);
        frameRect(painter, look.frameHighlight, look.highlight);
        frameRect(painter, look.frameShadow, look.shadow);
        painter.fillRect(look.textRect, look.background);
        if (look.text.isEmpty())
            return;
        painter.setFont(font());
        painter.setPen(look.highlight);
        shaped_.Draw(painter, look.textRect.translated(1, 1), look.textFlags, look.text);
        painter.setPen(look.shadow);
        shaped_.Draw(painter, look.textRect.translated(-1, -1), look.textFlags, look.text);
        painter.setPen(look.fontColor);
        shaped_.Draw(painter, look.textRect, look.textFlags, look.text);
    });
}
