#pragma once
#include "Colors.h"
#include "FieldTypes.h"

#include <QFont>
#include <QString>
#include <memory>
#include <optional>

class TCustomDBGridEh;
class TField;
class TDBGridColumnEh;

enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };

// A column's title: caption, own font and colour, sort marker.
class TColumnTitleEh {
public:
    explicit TColumnTitleEh(TDBGridColumnEh* column) : column_(column) {}

    // Empty caption: the field's display name shows (the field name without a field).
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    QString DisplayCaption() const;

    QFont Font() const;  // the grid's title font unless the title has its own
    void SetFont(const QFont& font);
    bool HasOwnFont() const { return font_.has_value(); }
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    TSortMarkerEh SortMarker() const { return sortMarker_; }
    void SetSortMarker(TSortMarkerEh marker);
    // 1 while the column is the grid's sort-marked column, else 0.
    int SortIndex() const;

    bool TitleButton() const { return false; }

private:
    TDBGridColumnEh* column_;
    QString caption_;
    std::optional<QFont> font_;
    TColor fontColor_ = clBlack;
    TSortMarkerEh sortMarker_ = smNoneEh;
};

// What a column shows: the field by name, its width, font, colour and alignment.
class TColumnEh {
public:
    explicit TColumnEh(TCustomDBGridEh* grid, QString fieldName);
    virtual ~TColumnEh() = default;
    TColumnEh(const TColumnEh&) = delete;
    TColumnEh& operator=(const TColumnEh&) = delete;

    TCustomDBGridEh* Grid() const { return grid_; }
    const QString& FieldName() const { return fieldName_; }
    // The bound dataset's field of that name; nullptr without one.
    TField* Field() const;

    // Stored width, or the width derived from the field's display width.
    int Width() const;
    void SetWidth(int width);
    bool HasStoredWidth() const { return width_.has_value(); }

    QFont Font() const;  // the grid's font unless the column has its own
    void SetFont(const QFont& font);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    TAlignment Alignment() const;  // the field's alignment unless overridden
    void SetAlignment(TAlignment alignment);

    bool Visible() const { return true; }

protected:
    void Changed();

private:
    TCustomDBGridEh* grid_;
    QString fieldName_;
    std::optional<int> width_;
    std::optional<QFont> font_;
    std::optional<TAlignment> alignment_;
    TColor fontColor_ = clBlack;
};

class TDBGridColumnEh : public TColumnEh {
public:
    TDBGridColumnEh(TCustomDBGridEh* grid, QString fieldName);
    TColumnTitleEh* Title() { return &title_; }
    const TColumnTitleEh* Title() const { return &title_; }

private:
    friend class TColumnTitleEh;
    TColumnTitleEh title_;
};
