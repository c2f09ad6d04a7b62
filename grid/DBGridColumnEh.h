#pragma once
#include "Colors.h"
#include "FieldTypes.h"

#include <QFont>
#include <QString>
#include <optional>

class TCustomDBGridEh;
class TField;
class TDBGridColumnEh;

enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };

// A column's title: caption, colour, sort marker.
class TColumnTitleEh {
public:
    explicit TColumnTitleEh(TDBGridColumnEh* column) : column_(column) {}

    // The field's display name (the field name without a field).
    QString DisplayCaption() const;

    QFont Font() const; // the grid's title font
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    TSortMarkerEh SortMarker() const { return sortMarker_; }
    void SetSortMarker(TSortMarkerEh marker);
    // 1 while the column is the grid's sort-marked column, else 0.
    int SortIndex() const;

private:
    TDBGridColumnEh* column_;
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

    QFont Font() const; // the grid's font
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

    TAlignment Alignment() const; // the field's

protected:
    void Changed();

private:
    TCustomDBGridEh* grid_;
    QString fieldName_;
    std::optional<int> width_;
    TColor fontColor_ = clBlack;
};

class TDBGridColumnEh : public TColumnEh {
public:
    TDBGridColumnEh(TCustomDBGridEh* grid, QString fieldName);
    TColumnTitleEh* Title() { return &title_; }
    const TColumnTitleEh* Title() const { return &title_; }

private:
    TColumnTitleEh title_;
};
