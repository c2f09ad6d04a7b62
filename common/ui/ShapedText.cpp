#include "ShapedText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <optional>

namespace {

constexpr int kLineFlags = Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic |
                           Qt::AlignLeft | Qt::AlignHCenter | Qt::AlignRight | Qt::AlignTop |
                           Qt::AlignVCenter;
// Longer texts are shaped only where the rectangle shows them.
constexpr qsizetype kLongText = 256;
// QPainter lays a line out this wide, so that it never wraps.
constexpr qreal kUnboundedWidth = 0x01000000;
constexpr int kMaxCachedLines = 2048;
// Shapes kept whatever paints drew them (see nextPaint()).
constexpr int kLinesKeptAnyway = 512;

bool lineFlags(int flags)
{
    return (flags & Qt::TextSingleLine) && !(flags & ~kLineFlags);
}

// Characters with which QPainter does more than lay out one line: separators that break it,
// and the mark of a text's shorter variant.
bool breaksLine(QChar c)
{
    switch (c.unicode()) {
    case 0x000B:
    case 0x000C:
    case 0x001C:
    case 0x001D:
    case 0x001E:
    case 0x0085:
    case 0x009C:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// Explicit embeddings and isolates make a character's direction depend on text far away.
bool explicitDirection(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

// Line breaks become blanks, and so do tabs unless they are expanded, as QPainter has it.
QString lineText(const QString& text, bool expandTabs)
{
    QString s = text;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'\r' || c == u'\n' || (c == u'\t' && !expandTabs))
            s[i] = u' ';
    }
    return s;
}

std::unique_ptr<QTextLayout> laidOut(const QString& text, const QFont& font,
                                     const QTextOption& option, qreal x = 0)
{
    auto layout = std::make_unique<QTextLayout>(text, font);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLineWidth(kUnboundedWidth);
    line.setPosition(QPointF(x, 0));
    layout->endLayout();
    return layout;
}

// Whether a long text may be cut at k without changing how the characters kept beside the cut
// look: right after a strong left-to-right character, so that the bidi levels on either side
// stay, and between two grapheme clusters.
bool cuttableAt(const QString& s, qsizetype k)
{
    if (k <= 0 || k >= s.size())
        return false;
    const QChar before = s.at(k - 1);
    if (before.isSurrogate() || before.direction() != QChar::DirL)
        return false;
    const qsizetype from = std::max<qsizetype>(0, k - 8);
    const qsizetype to = std::min(s.size(), k + 8);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s.constData() + from, to - from);
    finder.setPosition(k - from);
    return finder.isAtBoundary();
}

qreal alignedX(int flags, qreal rectWidth, qreal textWidth)
{
    if (flags & Qt::AlignRight)
        return rectWidth - textWidth;
    if (flags & Qt::AlignHCenter)
        return (rectWidth - textWidth) / 2;
    return 0;
}

qreal alignedY(int flags, qreal rectHeight, qreal lineHeight)
{
    return (flags & Qt::AlignVCenter) ? (rectHeight - lineHeight) / 2 : 0;
}

} // namespace

struct ShapedText::Line {
    QString text;
    QFont font;
    int dpi = 0;
    int flags = 0;
    int width = -1; // the rectangle's, for a long text

    bool byPainter = false;
    std::unique_ptr<QTextLayout> layout;
    // A long text drawn in part: the part sits where it sits in the whole line, and the line
    // is aligned by `advance`, the advance of what QPainter would align.
    bool part = false;
    qreal advance = 0;
    QRectF ink; // of the glyphs as laid out, for a whole line
    // A whole line's glyphs, drawn as they are where the painter only moves them: QTextLine's
    // drawing would find them again from the layout at every paint. Scaled, or for a part at a
    // fraction, only QTextLine's drawing rounds the positions as QPainter does.
    QList<QGlyphRun> runs;

    bool matches(const QString& t, const QFont& f, int d, int fl, int w) const
    {
        return flags == fl && width == w && dpi == d && text == t && font == f;
    }
};

namespace {

using Line = ShapedText::Line;

// The shortest part kept from one end of a long line (its start, or its end `fromRight`)
// that reaches `reach`: 64, 128, ... characters are tried, each cut where it may be; false
// when nothing short of the whole line reaches.
bool shapeEndPart(Line& l, const QString& s, const QTextOption& option, qreal reach, bool fromRight)
{
    const qsizetype size = s.size();
    for (qsizetype n = 64;; n *= 2) {
        qsizetype kept = n;
        while (kept < size && !cuttableAt(s, fromRight ? size - kept : kept))
            ++kept;
        if (kept >= size)
            return false;
        auto layout = laidOut(fromRight ? s.right(kept) : s.left(kept), l.font, option);
        if (layout->lineAt(0).naturalTextWidth() >= reach) {
            l.advance = layout->lineAt(0).horizontalAdvance();
            l.layout = std::move(layout);
            return true;
        }
        n = kept;
    }
}

// A left-aligned line shows its start.
bool shapeLeftPart(Line& l, const QString& s, const QTextOption& option, qreal margin)
{
    return shapeEndPart(l, s, option, l.width + margin, false);
}

// A right-aligned line shows its end.
bool shapeRightPart(Line& l, const QString& s, const QTextOption& option, qreal margin)
{
    return shapeEndPart(l, s, option, l.width + margin, true);
}

// A centred line shows its middle, which only the whole line's advance places; that layout is
// let go once the part is cut.
bool shapeCentredPart(Line& l, const QString& s, const QTextOption& option, qreal margin)
{
    const auto whole = laidOut(s, l.font, option);
    const QTextLine line = whole->lineAt(0);
    if (line.textLength() < s.size() || line.naturalTextWidth() < l.width + 2 * margin)
        return false;
    const qreal advance = line.horizontalAdvance();
    const qreal left = (advance - l.width) / 2 - margin;
    const qreal right = left + l.width + 2 * margin;
    int from = line.xToCursor(left);
    while (from > 0 && (!cuttableAt(s, from) || line.cursorToX(from) > left))
        --from;
    int to = line.xToCursor(right);
    while (to < s.size() && (!cuttableAt(s, to) || line.cursorToX(to) < right))
        ++to;
    l.layout = laidOut(s.mid(from, to - from), l.font, option, line.cursorToX(from));
    l.advance = advance;
    return true;
}

// The part of a long line the rectangle can show, cut where it may be; false leaves the
// whole line to be shaped.
bool shapePart(Line& l, const QString& s, const QTextOption& option)
{
    const QFontMetricsF metrics(l.font);
    // Shaping may change glyphs a few characters either side of a cut: keep them out of view.
    const qreal margin = 4 * std::max(metrics.maxWidth(), metrics.height());
    if (std::any_of(s.cbegin(), s.cend(), explicitDirection))
        return false;
    if (l.flags & Qt::AlignRight)
        return shapeRightPart(l, s, option, margin);
    if (l.flags & Qt::AlignHCenter)
        return shapeCentredPart(l, s, option, margin);
    return shapeLeftPart(l, s, option, margin);
}

std::unique_ptr<Line> shape(const QString& text, const QFont& font, int dpi, int flags, int width)
{
    auto l = std::make_unique<Line>();
    l->text = text;
    l->font = font;
    l->dpi = dpi;
    l->flags = flags;
    l->width = width;
    const bool mnemonics = (flags & Qt::TextShowMnemonic) && text.contains(u'&');
    if (mnemonics || font.underline() || font.overline() || font.strikeOut() ||
        std::any_of(text.cbegin(), text.cend(), breaksLine)) {
        l->byPainter = true;
        return l;
    }
    const bool left = (flags & Qt::AlignLeft) || !(flags & (Qt::AlignHCenter | Qt::AlignRight));
    const bool expandTabs = (flags & Qt::TextExpandTabs) && left;
    const QString s = lineText(text, expandTabs);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    const bool tabs = expandTabs && s.contains(u'\t');
    if (tabs)
        option.setTabStopDistance(qRound(QFontMetricsF(font).horizontalAdvance(u'x') * 8));
    // A part's line may be lower than the whole text's, which QPainter centres.
    if (width >= 0 && (flags & Qt::AlignVCenter)) {
        l->byPainter = true;
        return l;
    }
    if (width >= 0 && shapePart(*l, s, option)) {
        l->part = true;
        return l;
    }
    l->layout = laidOut(s, font, option);
    const QTextLine line = l->layout->lineAt(0);
    // Wider than QPainter's line: it would wrap, and QPainter draws the lines below.
    if (line.textLength() < s.size()) {
        l->layout.reset();
        l->byPainter = true;
        return l;
    }
    l->advance = line.horizontalAdvance();
    l->runs = l->layout->glyphRuns();
    for (const QGlyphRun& run : l->runs) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> at = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            l->ink |= font.boundingRect(glyphs[i]).translated(at[i]);
    }
    return l;
}

void drawByPainter(QPainter& painter, const QRect& rect, int flags, const QString& text,
                   const QRect& clip)
{
    if (!clip.isValid()) {
        painter.drawText(rect, flags, text);
        return;
    }
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    painter.drawText(rect, flags, text);
    painter.restore();
}

// Where a shaped line goes in its rectangle, and whether QPainter would clip it to the
// rectangle: it does when the line's box does not fit in it; a part is only ever taken of a
// line that does not fit.
struct Placement {
    QPointF at;
    bool toRect = false;
};

Placement place(const Line& l, const QRect& rect)
{
    const QTextLine line = l.layout->lineAt(0);
    const QRectF r(rect);
    const qreal height = line.ascent() + line.descent();
    const qreal top = r.y() + alignedY(l.flags, r.height(), height);
    Placement p;
    p.toRect = l.part;
    if (!l.part) {
        const qreal natural = line.naturalTextWidth();
        p.toRect = !r.contains(
            QRectF(r.x() + alignedX(l.flags, r.width(), natural), top, natural, height));
    }
    p.at = QPointF(r.x() + alignedX(l.flags, r.width(), l.advance), top);
    return p;
}

// The glyphs at `at`, as QPainter draws them there.
void drawGlyphs(QPainter& painter, const Line& l, QPointF at)
{
    if (l.part || painter.deviceTransform().type() > QTransform::TxTranslate) {
        l.layout->lineAt(0).draw(&painter, at);
    } else {
        for (const QGlyphRun& run : l.runs)
            painter.drawGlyphRun(at, run);
    }
}

void drawLine(QPainter& painter, const QRect& rect, const Line& l, const QRect& clip)
{
    if (l.byPainter) {
        drawByPainter(painter, rect, l.flags, l.text, clip);
        return;
    }
    const Placement p = place(l, rect);
    bool inside = !l.part;
    if (inside) {
        // The pixels the glyphs' images cover: a glyph's box is that of its image, which
        // QPainter places at the floor of its position (plus a pixel to the right when drawn
        // at a fraction) and at the rounded baseline; the outward rounding covers all three.
        const QRect ink = l.ink.translated(p.at).toAlignedRect();
        inside = (!clip.isValid() || clip.contains(ink)) && (!p.toRect || rect.contains(ink));
    }
    if (!inside) {
        painter.save();
        if (clip.isValid())
            painter.setClipRect(clip, Qt::IntersectClip);
        if (p.toRect)
            painter.setClipRect(QRectF(rect), Qt::IntersectClip);
    }
    drawGlyphs(painter, l, p.at);
    if (!inside)
        painter.restore();
}

// Whether QPainter's own drawing is the only one these arguments allow.
bool leftToPainter(const QPainter& painter, int flags)
{
    return !lineFlags(flags) || painter.layoutDirection() != Qt::LeftToRight;
}

int widthKey(const QString& text, const QRect& rect)
{
    return text.size() > kLongText ? rect.width() : -1;
}

// Whether there is anything to shape: an empty text or no pen draws nothing.
bool showsInk(const QPainter& painter, const QString& text)
{
    return !text.isEmpty() && painter.pen().style() != Qt::NoPen;
}

// What is drawn by QPainter itself, or not at all: true when that was done.
bool handledWithoutShaping(QPainter& painter, const QRect& rect, int flags, const QString& text,
                           const QRect& clip)
{
    if (leftToPainter(painter, flags)) {
        drawByPainter(painter, rect, flags, text, clip);
        return true;
    }
    return !showsInk(painter, text);
}

} // namespace

ShapedText::ShapedText() = default;
ShapedText::~ShapedText() = default;
ShapedText::ShapedText(ShapedText&&) noexcept = default;
ShapedText& ShapedText::operator=(ShapedText&&) noexcept = default;

void ShapedText::draw(QPainter& painter, const QRect& rect, int flags, const QString& text,
                      const QRect& clip)
{
    if (handledWithoutShaping(painter, rect, flags, text, clip))
        return;
    const QFont& font = painter.font();
    const int dpi = painter.device()->logicalDpiY();
    const int width = widthKey(text, rect);
    if (!line_ || !line_->matches(text, font, dpi, flags, width))
        line_ = shape(text, font, dpi, flags, width);
    drawLine(painter, rect, *line_, clip);
}

// Texts blended onto the colour under them, kept as pictures while recent paints draw them:
// a reload moves every row onto the other stripe, and the next one back, so a picture is
// needed again two paints after it was last drawn, and dropped after three.
struct ShapedTextCache::Pictures {
    static constexpr int kPaintsKept = 3;
    struct Key {
        const Line* line;
        QRgb pen;
        QRgb background;
        qreal fractionX; // of the line's origin in device pixels
        qreal fractionY;
        int ratio;
        QRect cut; // what QPainter would show, from the floor of the origin
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& k, size_t seed) noexcept
        {
            return qHashMulti(seed, quintptr(k.line), k.pen, k.background, k.fractionX, k.fractionY,
                              k.ratio, k.cut.x(), k.cut.y(), k.cut.width(), k.cut.height());
        }
    };
    struct Picture {
        std::shared_ptr<const Line> line; // keeps the key's line from being another's
        QImage image;                     // of what shows; none where nothing does
        QPoint offset;     // of the image from the floor of the line's origin, in device pixels
        bool made = false; // not while the text was drawn there only once
        int paint = 0;     // the last that drew it
    };
    QHash<Key, Picture> kept;
    int paint = 0;

    // Where a picture of a line would be copied to, and the key it is kept under.
    struct Spot {
        Key key;
        QPointF at;   // the line's origin, as the painter has it
        QPoint whole; // the floor of the origin in device pixels
    };
    static std::optional<Spot> spotFor(const QPainter& painter,
                                       const std::shared_ptr<const Line>& line, const QRect& rect,
                                       const QRect& clip, const QColor& background);
    Picture* make(const QPainter& painter, const std::shared_ptr<const Line>& line,
                  const Spot& spot, const QColor& background);

    Picture* find(const Key& key)
    {
        auto it = kept.find(key);
        if (it == kept.end())
            return nullptr;
        it->paint = paint;
        return &*it;
    }
    Picture* keep(const Key& key, Picture picture)
    {
        picture.paint = paint;
        return &*kept.insert(key, std::move(picture));
    }
    void nextPaint()
    {
        ++paint;
        kept.removeIf([this](const auto& it) { return it.value().paint <= paint - kPaintsKept; });
    }
};

namespace {

// The whole number of device pixels a point is, when the painter maps points to them by that
// scale and whole-pixel moves only; 0 otherwise. Only then do a text's glyphs land on the same
// pixels, relative to the floor of its origin, wherever it is drawn.
int wholeScale(const QTransform& t)
{
    if (t.type() > QTransform::TxScale || t.m11() != t.m22())
        return 0;
    const qreal ratio = t.m11();
    if (ratio != 1 && ratio != 2 && ratio != 4) // whose inverses are exact, too
        return 0;
    if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return 0;
    return int(ratio);
}

// A solid pen of one colour, drawn over what is there: what a picture can stand for.
bool plainPainter(const QPainter& painter)
{
    const QPen& pen = painter.pen();
    return pen.style() != Qt::NoPen && pen.brush().style() == Qt::SolidPattern &&
           pen.brush().transform().isIdentity() &&
           painter.compositionMode() == QPainter::CompositionMode_SourceOver &&
           painter.opacity() == 1.0;
}

} // namespace

ShapedTextCache::ShapedTextCache() : pictures_(std::make_unique<Pictures>()) {}
ShapedTextCache::~ShapedTextCache() = default;

std::shared_ptr<const Line> ShapedTextCache::lineFor(QPainter& painter, const QRect& rect,
                                                     int flags, const QString& text, bool* shaped)
{
    const QFont& font = painter.font();
    const int dpi = painter.device()->logicalDpiY();
    if (count() >= kMaxCachedLines)
        clear();
    auto bucket = std::find_if(buckets_.begin(), buckets_.end(),
                               [&](const Bucket& b) { return b.dpi == dpi && b.font == font; });
    if (bucket == buckets_.end()) {
        buckets_.push_back({font, dpi, {}});
        bucket = buckets_.end() - 1;
    }
    const Key key{text, flags, widthKey(text, rect)};
    auto found = bucket->lines.find(key);
    const bool missing = found == bucket->lines.end();
    if (missing)
        found = bucket->lines.insert(key, {shape(text, font, dpi, flags, key.width), 0});
    found->paint = pictures_->paint;
    if (shaped)
        *shaped = missing;
    return found->line;
}

void ShapedTextCache::draw(QPainter& painter, const QRect& rect, int flags, const QString& text,
                           const QRect& clip)
{
    if (handledWithoutShaping(painter, rect, flags, text, clip))
        return;
    drawLine(painter, rect, *lineFor(painter, rect, flags, text), clip);
}

// Whether the line may be drawn from a picture, and where: only onto a known opaque colour, in
// a plain pen, at a whole scale and inside a clip.
std::optional<ShapedTextCache::Pictures::Spot>
ShapedTextCache::Pictures::spotFor(const QPainter& painter, const std::shared_ptr<const Line>& line,
                                   const QRect& rect, const QRect& clip, const QColor& background)
{
    const QTransform& device = painter.deviceTransform();
    const int ratio = wholeScale(device);
    if (line->byPainter || line->part || !clip.isValid() || !ratio || !plainPainter(painter) ||
        !background.isValid() || background.alpha() != 255)
        return std::nullopt;
    const Placement p = place(*line, rect);
    const QPointF origin = device.map(p.at);
    const QPoint whole(int(std::floor(origin.x())), int(std::floor(origin.y())));
    if (whole.x() < 0 || whole.y() < 0) // rounding below zero may differ by a pixel
        return std::nullopt;
    // Where QPainter's drawing would be cut, in device pixels from the floor of the origin: a
    // picture holds only what can show there.
    QRect cut = device.mapRect(clip);
    if (p.toRect)
        cut &= device.mapRect(rect);
    cut.translate(-whole);
    return Spot{{line.get(), painter.pen().color().rgba(), background.rgba(),
                 origin.x() - whole.x(), origin.y() - whole.y(), ratio, cut},
                p.at,
                whole};
}

// The line blended onto the background, drawn onto the ink, two pixels around it, and the
// origin: every glyph then sits at a point at or right of and below the image's, where rounding
// goes as it goes on the screen. Kept of it is what shows.
ShapedTextCache::Pictures::Picture*
ShapedTextCache::Pictures::make(const QPainter& painter, const std::shared_ptr<const Line>& line,
                                const Spot& spot, const QColor& background)
{
    const QTransform& device = painter.deviceTransform();
    const QRect ink =
        device.mapRect(line->ink.translated(spot.at)).toAlignedRect().adjusted(-1, -1, 1, 1) |
        QRect(spot.whole, QSize(1, 1));
    QImage drawn(ink.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(background);
    QPainter onPicture(&drawn);
    onPicture.setRenderHints(painter.renderHints());
    onPicture.setFont(painter.font());
    onPicture.setPen(painter.pen());
    onPicture.setTransform(device * QTransform::fromTranslate(-ink.x(), -ink.y()));
    drawGlyphs(onPicture, *line, spot.at);
    onPicture.end();
    const QRect kept = ink.translated(-spot.whole) & spot.key.cut;
    return keep(
        spot.key,
        {line, kept.isEmpty() ? QImage() : drawn.copy(kept.translated(spot.whole - ink.topLeft())),
         kept.topLeft(), true});
}

void ShapedTextCache::drawOn(QPainter& painter, const QRect& rect, int flags, const QString& text,
                             const QRect& clip, const QColor& background)
{
    if (handledWithoutShaping(painter, rect, flags, text, clip))
        return;
    const std::shared_ptr<const Line> line = lineFor(painter, rect, flags, text);
    const std::optional<Pictures::Spot> spot =
        Pictures::spotFor(painter, line, rect, clip, background);
    if (!spot) {
        drawLine(painter, rect, *line, clip);
        return;
    }
    Pictures::Picture* picture = pictures_->find(spot->key);
    // Made when the text is drawn there a second time: a text shown once, as on the first
    // paint after a load, costs no more than drawing it.
    if (!picture) {
        pictures_->keep(spot->key, {line, QImage(), QPoint(), false});
        drawLine(painter, rect, *line, clip);
        return;
    }
    if (!picture->made)
        picture = pictures_->make(painter, line, *spot, background);
    if (picture->image.isNull()) // nothing of it shows
        return;
    const QRect shown(spot->whole + picture->offset, picture->image.size());
    painter.drawImage(painter.deviceTransform().inverted().mapRect(QRectF(shown)), picture->image);
}

void ShapedTextCache::prepare(QPainter& painter, const QRect& rect, int flags, const QString& text,
                              const QRect& clip, const QColor& background)
{
    if (leftToPainter(painter, flags) || !showsInk(painter, text))
        return;
    bool shaped = false;
    const std::shared_ptr<const Line> line = lineFor(painter, rect, flags, text, &shaped);
    const std::optional<Pictures::Spot> spot =
        background.isValid() ? Pictures::spotFor(painter, line, rect, clip, background)
                             : std::nullopt;
    if (spot) {
        const Pictures::Picture* picture = pictures_->find(spot->key);
        if (!picture || !picture->made)
            pictures_->make(painter, line, *spot, background);
    } else if (shaped && !line->byPainter) {
        // The raster engine makes a glyph's image before it clips the glyph away.
        drawLine(painter, rect, *line, clip);
    }
}

void ShapedTextCache::nextPaint()
{
    pictures_->nextPaint();
    // A grid's view needs a few hundred; past that, a day of new draws would fill the cache
    // with the shapes of rows long scrolled away.
    if (count() <= kLinesKeptAnyway)
        return;
    const int oldest = pictures_->paint - Pictures::kPaintsKept;
    for (Bucket& bucket : buckets_)
        bucket.lines.removeIf([&](const auto& it) { return it.value().paint <= oldest; });
    std::erase_if(buckets_, [](const Bucket& bucket) { return bucket.lines.isEmpty(); });
}

void ShapedTextCache::clear()
{
    buckets_.clear();
    pictures_->kept.clear();
}

int ShapedTextCache::pictureCount() const
{
    return int(std::count_if(pictures_->kept.cbegin(), pictures_->kept.cend(),
                             [](const Pictures::Picture& p) { return p.made; }));
}

int ShapedTextCache::count() const
{
    int n = 0;
    for (const Bucket& b : buckets_)
        n += int(b.lines.size());
    return n;
}
