#pragma once
#include "Colors.h"
#include "FieldTypes.h"

#include <QFont>
#include <QString>
#include <optional>

class TCustomDBGridEh;
class Field;
class TDBGridColumnEh;

enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };

// A column's title: caption, colour, sort marker.
class TColumnTitleEh {
public:
    explicit TColumnTitleEh(TDBGridColumnEh* column) : column_(column) {}

    // The field's display name (the field name without a field).
    QString displayCaption() const;

    QFont Font() const; // the grid's title font
    BgrColor fontColor() const { return fontColor_; }
    void setFontColor(BgrColor color);

    TSortMarkerEh SortMarker() const { return sortMarker_; }
    void setSortMarker(TSortMarkerEh marker);
    // 1 while the column is the grid's sort-marked column, else 0.
    int SortIndex() const;

private:
    TDBGridColumnEh* column_;
    BgrColor fontColor_ = clBlack;
    TSortMarkerEh sortMarker_ = smNoneEh;
};

// What a column shows: the field by name, its width, font, colour and alignment.
class TColumnEh {
public:
    explicit TColumnEh(TCustomDBGridEh* grid, QString fieldName);
    virtual ~TColumnEh() = default;
    TColumnEh(const TColumnEh&) = delete;
    TColumnEh& operator=(const TColumnEh&) = delete;

    TCustomDBGridEh* grid() const { return grid_; }
    const QString& FieldName() const { return fieldName_; }
    // The bound dataset's field of that name; nullptr without one.
    Field* field() const;

    // Stored width, or the width derived from the field's display width.
    int Width() const;
    void setWidth(int width);

    QFont Font() const; // the grid's font
    BgrColor fontColor() const { return fontColor_; }
    void setFontColor(BgrColor color);

    FieldAlignment Alignment() const; // the field's

protected:
    void changed();

private:
    TCustomDBGridEh* grid_;
    QString fieldName_;
    std::optional<int> width_;
    BgrColor fontColor_ = clBlack;
};

class TDBGridColumnEh : public TColumnEh {
public:
    TDBGridColumnEh(TCustomDBGridEh* grid, QString fieldName);
    TColumnTitleEh* Title() { return &title_; }
    const TColumnTitleEh* Title() const { return &title_; }

private:
    TColumnTitleEh title_;
};
