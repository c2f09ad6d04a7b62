#pragma once
#include "SplashLayout.h"

#include <QByteArray>
#include <QWidget>

class QLabel;
class PictureBox;

// The splash window shown while the data module connects: a frameless olive panel with the
// banner picture and a caption along the bottom.
class TfrmB001About : public QWidget {
public:
    // Loads the built-in banner.
    explicit TfrmB001About(QWidget* parent = nullptr);

    // Replaces the picture; a stream that does not decode leaves the panel and caption only.
    // A picture of pictureRatio pixels per point shows at its size divided by that ratio.
    void loadPicture(const QByteArray& jpeg, qreal pictureRatio = 1);

    // Shows the window without blocking and paints it at once: nothing else will paint it
    // while the connection is being made.
    void showAndPaint();

    const SplashLayout& Layout() const { return layout_; }

    QWidget* panel1;
    PictureBox* image1;
    QLabel* Label1;

private:
    void applyLayout();

    SplashLayout layout_;
};
