#include "RzDBLabel.h"

#include "PaintHelpers.h"

#include "Application.h"

#include <QPainter>

LabelGeometry::LabelGeometry(QSize size, bool grooved)
{
    const int w = size.width();
    const int h = size.height();
    if (grooved) {
        highlightFrame = QRect(QPoint(1, 1), QPoint(w - 1, h - 1));
        shadowFrame = QRect(QPoint(0, 0), QPoint(w - 2, h - 2));
        content = QRect(0, 0, w, h).adjusted(2, 2, -2, -2);
    } else {
        content = QRect(0, 0, w, h);
    }
}

TRzDBLabel::TRzDBLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

// The link must let go of the source while this widget is still whole.
TRzDBLabel::~TRzDBLabel() { link_.SetDataSource(nullptr); }

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

void TRzDBLabel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    update();
}

void TRzDBLabel::SetBorderOuter(TFrameStyle style)
{
    borderOuter_ = style;
    update();
}

void TRzDBLabel::SetTextStyle(TTextStyle style)
{
    textStyle_ = style;
    update();
}

void TRzDBLabel::SetLayout(TTextLayout layout)
{
    layout_ = layout;
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
    caption_ = text;
    update();
}

TAlignment TRzDBLabel::EffectiveAlignment() const
{
    const TField* field = Field();
    return field ? field->Alignment() : alignment_;
}

LabelPaintSpec TRzDBLabel::PaintSpec() const
{
    LabelPaintSpec look;
    const LabelGeometry geometry(size(), borderOuter_ == fsGroove);
    if (borderOuter_ == fsGroove) {
        look.frameHighlight = geometry.highlightFrame;
        look.frameShadow = geometry.shadowFrame;
    }
    look.highlight = systemColor(SystemColor::BtnHighlight);
    look.shadow = systemColor(SystemColor::BtnShadow);
    // The label has no colour of its own: it shows whatever its parent is painted with.
    look.background = palette().color(backgroundRole());
    look.fontColor = toQColor(fontColor_);
    look.textRect = geometry.content;
    look.text = caption_;
    look.recessed = textStyle_ == tsRecessed;

    int flags = Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    switch (EffectiveAlignment()) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    switch (layout_) {
    case tlTop: flags |= Qt::AlignTop; break;
    case tlCenter: flags |= Qt::AlignVCenter; break;
    case tlBottom: flags |= Qt::AlignBottom; break;
    }
    look.textFlags = flags;
    return look;
}


void TRzDBLabel::paintEvent(QPaintEvent*)
{
    Guarded([&] {
        const LabelPaintSpec look = PaintSpec();
        QPainter painter(this);
        if (!look.frameHighlight.isEmpty()) {
            frameRect(painter, look.frameHighlight, look.highlight);
            frameRect(painter, look.frameShadow, look.shadow);
        }
        painter.fillRect(look.textRect, look.background);
        if (look.text.isEmpty())
            return;
        painter.setFont(font());
        if (look.recessed) {
            painter.setPen(look.highlight);
            painter.drawText(look.textRect.translated(1, 1), look.textFlags, look.text);
            painter.setPen(look.shadow);
            painter.drawText(look.textRect.translated(-1, -1), look.textFlags, look.text);
        }
        painter.setPen(look.fontColor);
        painter.drawText(look.textRect, look.textFlags, look.text);
    });
}
