#pragma once
#include "ADODataSet.h"
#include "Colors.h"
#include "DataSource.h"
#include "ShapedText.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
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
    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    const QString& dataField() const { return dataField_; }
    void setDataField(const QString& field);

    // The text currently shown, accelerator marks included.
    const QString& Caption() const { return caption_; }

    BgrColor fontColor() const { return fontColor_; }
    void setFontColor(BgrColor color);

    LabelPaintSpec paintSpec() const;

    // Keeps the finished picture of up to `count` different texts, for a label whose texts
    // come round again (a countdown's seconds): showing one again is then a single copy.
    void setKeptPictures(int count);
    int keptPictureCount() const { return int(pictures_.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class FieldLink : public DataLink {
    public:
        explicit FieldLink(TRzDBLabel* owner) : owner_(owner) {}
        void activeChanged() override { owner_->dataChange(); }
        void dataSetScrolled() override { owner_->dataChange(); }
        void dataSetChanged() override { owner_->dataChange(); }

    private:
        TRzDBLabel* owner_;
    };

    Field* field() const;
    void dataChange();
    void paintLabel(QPainter& painter, const LabelPaintSpec& look);
    const QPixmap& picture(const LabelPaintSpec& look);

    FieldLink link_{this};
    QString dataField_;
    QString caption_;
    BgrColor fontColor_ = clBlack;
    // The query is closed and opened again every second: the label repaints once the handler
    // that did it is over, and only when the text then differs from the one before.
    bool changeCheckPosted_ = false;
    QString captionBefore_;
    ShapedText shaped_;
    // Everything but the text that the kept pictures were painted with.
    struct PictureLook {
        QSize size;
        qreal ratio = 0;
        QFont font;
        QRgb highlight = 0, shadow = 0, background = 0, fontColor = 0;
        int textFlags = 0;
        bool operator==(const PictureLook&) const = default;
    };
    int keptPictures_ = 0;
    PictureLook picturesLook_;
    QHash<QString, QPixmap> pictures_;
};
