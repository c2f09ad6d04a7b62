#pragma once
#include <QColor>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class QPainter;

// Text that is shaped once and drawn again at every paint, with the very pixels of
// QPainter::drawText(rect, flags, text): labels and grid cells repaint the same few characters
// again and again, and shaping them is most of a paint. A long text is shaped only as far as
// the rectangle can show it. What the single line of flags below does not cover (wrapping, a
// mnemonic mark, a line or paragraph separator, a decorated font, a right-to-left painter) is
// drawn by QPainter itself, every time.
//   flags: Qt::TextSingleLine, optionally Qt::TextExpandTabs and Qt::TextShowMnemonic, one of
//   Qt::AlignLeft / Qt::AlignHCenter / Qt::AlignRight, optionally Qt::AlignTop or
//   Qt::AlignVCenter (a long text centred upright is drawn by QPainter).
// Not QStaticText: on a plain line it draws the same pixels some 10 % cheaper (21 000 against
// 23 000 instructions for a short label), but it expands no tabs (109 pixels of "A\tB\tC"
// differ) and shapes a long text whole (202 ms against 0.8 ms for a 300 KiB cell).
class ShapedText {
public:
    ShapedText();
    ~ShapedText();
    ShapedText(ShapedText&&) noexcept;
    ShapedText& operator=(ShapedText&&) noexcept;

    // Draws as painter.drawText(rect, flags, text) in the painter's font and pen, shaping again
    // only when the text, the font or the flags (for a long text also the width) changed. A
    // valid `clip` cuts the drawing as narrowing the painter's clip to it would; the clip is
    // only set when the text's ink reaches out of it, since a clip slows every glyph down.
    void draw(QPainter& painter, const QRect& rect, int flags, const QString& text,
              const QRect& clip = QRect());

    struct Line;

private:
    std::unique_ptr<Line> line_;
};

// Shaped texts for many cells, kept until there are too many or the owner clears them.
class ShapedTextCache {
public:
    ShapedTextCache();
    ~ShapedTextCache();

    void draw(QPainter& painter, const QRect& rect, int flags, const QString& text,
              const QRect& clip = QRect());
    // Draws as draw() with a valid clip does, where the caller has just filled the clip with
    // `background`: drawn so a second time, the text is blended onto that colour into a
    // picture, and later paints of it on the same colour, in the same pen and at the same
    // fraction of a device pixel copy the picture instead of blending every glyph again. The
    // pictures that the latest three paints drew are kept. An invalid `background` (the colour
    // under the text is not one) draws as draw().
    void drawOn(QPainter& painter, const QRect& rect, int flags, const QString& text,
                const QRect& clip, const QColor& background);
    // Makes ready what draw() (or, given a background, drawOn()) will need, without showing
    // anything: the text's shape, its glyphs' images, and for drawOn() its picture. `painter`
    // paints onto an image of a pixel at the scale the text will be drawn at, moved as the
    // drawing will be. A picture made so counts as drawn in the latest paint.
    void prepare(QPainter& painter, const QRect& rect, int flags, const QString& text,
                 const QRect& clip = QRect(), const QColor& background = QColor());
    // Starts a paint: the pictures that the three paints before did not draw go, and so do
    // such shapes while more than a few hundred are kept.
    void nextPaint();
    void clear();
    int count() const;
    int pictureCount() const; // pictures made

private:
    struct Key {
        QString text;
        int flags;
        int width; // -1 unless the text is long enough to be shaped in part
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) noexcept
    {
        return qHashMulti(seed, key.text, key.flags, key.width);
    }
    struct KeptLine {
        std::shared_ptr<const ShapedText::Line> line;
        int paint = 0; // the last that drew it
    };
    struct Bucket {
        QFont font;
        int dpi;
        QHash<Key, KeptLine> lines;
    };
    std::vector<Bucket> buckets_;
    struct Pictures;
    std::unique_ptr<Pictures> pictures_;

    std::shared_ptr<const ShapedText::Line> lineFor(QPainter& painter, const QRect& rect, int flags,
                                                    const QString& text, bool* shaped = nullptr);
};
