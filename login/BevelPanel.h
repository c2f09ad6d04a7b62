#pragma once
#include <QColor>
#include <QWidget>

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// A plain filled panel with an optional 3D frame and an optional etched line along its top.
class BevelPanel : public QWidget {
    Q_OBJECT
public:
    explicit BevelPanel(QWidget* parent = nullptr);

    TPanelBevel BevelOuter = TPanelBevel::bvNone;
    TPanelBevel BevelInner = TPanelBevel::bvNone;
    bool TopLine = false;
    QColor Color; // invalid: the button face

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FillColor() const;
};
