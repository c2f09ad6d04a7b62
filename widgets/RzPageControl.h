#pragma once
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QPainter;

class TRzPageControl;

// One page; its contents stay as they are while another page is in front.
class TRzTabSheet : public QWidget {
    Q_OBJECT
public:
    TRzTabSheet(TRzPageControl* pageControl, const QString& caption);

    const QString& Caption() const { return caption_; }

private:
    QString caption_;
};

// Where the tabs sit in the tab row; pure geometry.
class TabRowLayout {
public:
    static constexpr int kFirstTabLeft = 2;
    static constexpr int kTextPadding = 8;
    static constexpr int kInactiveDrop = 2; // inactive tabs start this far below the top

    TabRowLayout(const QStringList& captions, const QFontMetrics& metrics, int rowHeight);
    int count() const { return int(tabs_.size()); }
    // The tab's face as drawn when it is not the page in front.
    QRect tabRect(int index) const { return tabs_.at(index); }
    // The page in front's tab, raised and widened so that it joins the page below.
    QRect activeTabRect(int index) const;
    int tabAt(QPoint pos) const; // -1 when no tab is there

private:
    QVector<QRect> tabs_;
    int rowHeight_;
};

// Pages with one row of tabs along the top. The keyboard moves between pages only while the
// focus is on something inside them.
class TRzPageControl : public QWidget {
    Q_OBJECT
public:
    explicit TRzPageControl(QWidget* parent = nullptr);

    TRzTabSheet* addPage(const QString& caption);
    int pageCount() const { return int(pages_.size()); }
    TRzTabSheet* page(int index) const { return pages_.value(index); }

    int activePageIndex() const { return active_; }
    // An index outside the pages leaves none in front.
    void setActivePageIndex(int index);

    // The height of the tab row.
    int FixedDimension() const { return kFixedDimension; }

    TabRowLayout tabLayout() const;
    // Where the pages sit, inside the frame below the tab row.
    QRect pageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kFixedDimension = 25;

    // The next or previous page, wrapping at either end.
    void selectNextPage(bool forward);
    void layoutPages();
    void paintTab(QPainter& painter, int index, const TabRowLayout& layout) const;
    void paintFrame(QPainter& painter) const;
    static QWidget* firstFocusableIn(QWidget* page);

    QVector<TRzTabSheet*> pages_;
    int active_ = -1;
};
