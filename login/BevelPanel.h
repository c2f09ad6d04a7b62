#pragma once
#include <QColor>
#include <QWidget>

enum class PanelBevel { None, Lowered, Raised };

// A plain filled panel with an optional 3D frame and an optional etched line along its top.
class BevelPanel : public QWidget {
    Q_OBJECT
public:
    explicit BevelPanel(QWidget* parent = nullptr);

    PanelBevel bevelOuter = PanelBevel::None;
    PanelBevel bevelInner = PanelBevel::None;
    bool topLine = false;
    QColor Color; // invalid: the button face

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fillColor() const;
};
