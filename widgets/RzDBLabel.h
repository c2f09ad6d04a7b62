#pragma once
#include "ADODataSet.h"
#include "Colors.h"
#include "DataSource.h"
#include "ShapedText.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

// Where a grooved, recessed label puts its frame and its text; pure geometry.
struct LabelGeometry {
    explicit LabelGeometry(QSize size);

    // Both frames as the pixels they cover (left..right, top..bottom inclusive).
    QRect highlightFrame; // one in from the top and left, touching the right and bottom
    QRect shadowFrame;    // touching the top and left, one in from the right and bottom
    QRect content;        // inside the groove; text and background go here
};

// What one paint of the label draws, worked out before any pixel is touched.
struct LabelPaintSpec {
    QRect frameHighlight, frameShadow;
    QColor highlight, shadow, background, fontColor;
    QRect textRect;
    int textFlags = 0;
    QString text;
};

// A read-only label that shows one field of the current row of a data source.
class TRzDBLabel : public QWidget {
    Q_OBJECT
public:
    explicit TRzDBLabel(QWidget* parent = nullptr);
    ~TRzDBLabel() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    const QString& DataField() const { return dataField_; }
    void SetDataField(const QString& field);

    // The text currently shown, accelerator marks included.
    const QString& Caption() const { return caption_; }

    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    LabelPaintSpec PaintSpec() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class FieldLink : public TDataLink {
    public:
        explicit FieldLink(TRzDBLabel* owner) : owner_(owner) {}
        void ActiveChanged() override { owner_->DataChange(); }
        void DataSetScrolled() override { owner_->DataChange(); }
        void DataSetChanged() override { owner_->DataChange(); }

    private:
        TRzDBLabel* owner_;
    };

    TField* Field() const;
    void DataChange();

    FieldLink link_{this};
    QString dataField_;
    QString caption_;
    TColor fontColor_ = clBlack;
    // The query is closed and opened again every second: the label repaints once the handler
    // that did it is over, and only when the text then differs from the one before.
    bool changeCheckPosted_ = false;
    QString captionBefore_;
    ShapedText shaped_;
};
