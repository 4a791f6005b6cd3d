#include "runningline/simpletextline.h"

#include <QCache>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QSharedData>
#include <QTextLayout>

namespace SimpleTextLinePrivateNs {

// What shaping gives: the glyph runs positioned for a layout whose top-left is (0, 0).
struct Shaped
{
    QList<QGlyphRun> runs;
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
};
using ShapedPtr = QSharedPointer<const Shaped>;

ShapedPtr shape(const QString &text, const QFont &font)
{
    auto shaped = QSharedPointer<Shaped>::create();
    QFontMetricsF metrics(font);
    shaped->ascent = metrics.ascent();
    shaped->descent = metrics.descent();
    if (text.isEmpty())
        return shaped;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setPosition(QPointF(0, 0));
    layout.endLayout();
    if (line.isValid()) {
        shaped->runs = line.glyphRuns();
        shaped->width = line.naturalTextWidth();
        // The runs sit on the line's own baseline, which fallback fonts may move down.
        shaped->ascent = line.ascent();
        shaped->descent = line.descent();
    }
    return shaped;
}

// About what an entry holds: its key, and an index and a position per glyph.
qsizetype entryBytes(const QString &key, const Shaped &shaped)
{
    qsizetype glyphs = 0;
    for (const QGlyphRun &run : shaped.runs)
        glyphs += run.glyphIndexes().size();
    return key.size() * qsizetype(sizeof(QChar)) + glyphs * qsizetype(sizeof(quint32) + sizeof(QPointF)) + 256;
}

struct Controller
{
    // Costed in bytes: some hundreds of lines of the bar, a few hundred kilobytes at most.
    QCache<QString, ShapedPtr> cache{768 * 1024};
    int shapedCount = 0;
};

Controller *s_controller = nullptr;

ShapedPtr shapeCached(const QString &text, const QFont &font)
{
    if (!s_controller)
        return shape(text, font);
    const QString key = font.key() + QChar(0) + text;
    if (ShapedPtr *hit = s_controller->cache.object(key))
        return *hit;
    ShapedPtr shaped = shape(text, font);
    ++s_controller->shapedCount;
    s_controller->cache.insert(key, new ShapedPtr(shaped), entryBytes(key, *shaped));
    return shaped;
}

} // namespace SimpleTextLinePrivateNs

using namespace SimpleTextLinePrivateNs;

class SimpleTextLinePrivate : public QSharedData
{
public:
    QString text;
    QFont font;
    Qt::Alignment alignment;
    qreal left = 0, top = 0, right = 0, bottom = 0;
    // Filled on first use; mutable because measuring a const line shapes it.
    mutable ShapedPtr shaped;

    const Shaped &ensureShaped() const
    {
        if (!shaped)
            shaped = shapeCached(text, font);
        return *shaped;
    }
};

SimpleTextLine::SimpleTextLine() : d(new SimpleTextLinePrivate) {}

SimpleTextLine::SimpleTextLine(const QString &text, const QFont &font) : d(new SimpleTextLinePrivate)
{
    d->text = text;
    d->font = font;
}

SimpleTextLine::SimpleTextLine(const SimpleTextLine &other) = default;
SimpleTextLine &SimpleTextLine::operator=(const SimpleTextLine &other) = default;
SimpleTextLine::~SimpleTextLine() = default;

bool SimpleTextLine::isEmpty() const
{
    return d->text.isEmpty();
}

bool SimpleTextLine::sharesDataWith(const SimpleTextLine &other) const
{
    return d == other.d;
}

void SimpleTextLine::detach()
{
    d.detach();
}

void SimpleTextLine::setAlignment(Qt::Alignment alignment)
{
    if (d->alignment == alignment)
        return;
    detach();
    d->alignment = alignment;
}

Qt::Alignment SimpleTextLine::alignment() const
{
    return d->alignment;
}

void SimpleTextLine::setText(const QString &text)
{
    if (d->text == text)
        return;
    detach();
    d->text = text;
    d->shaped.reset();
}

QString SimpleTextLine::text() const
{
    return d->text;
}

void SimpleTextLine::setFont(const QFont &font)
{
    if (d->font == font)
        return;
    detach();
    d->font = font;
    d->shaped.reset();
}

QFont SimpleTextLine::font() const
{
    return d->font;
}

void SimpleTextLine::setMargins(qreal left, qreal top, qreal right, qreal bottom)
{
    detach();
    d->left = left;
    d->top = top;
    d->right = right;
    d->bottom = bottom;
}

QRectF SimpleTextLine::textRect() const
{
    const Shaped &s = d->ensureShaped();
    return QRectF(0, 0, s.width, s.ascent + s.descent);
}

QRectF SimpleTextLine::boundingRect() const
{
    return textRect().adjusted(-d->left, -d->top, d->right, d->bottom);
}

qreal SimpleTextLine::ascent() const
{
    return d->ensureShaped().ascent;
}

void SimpleTextLine::draw(QPainter *painter, const QPointF &origin) const
{
    const Shaped &s = d->ensureShaped();
    if (s.runs.isEmpty() || !painter)
        return;
    qreal baseline = origin.y();
    if (d->alignment & Qt::AlignVCenter)
        baseline += (s.ascent - s.descent) / 2;
    // The runs were laid out with the top of the line at y = 0.
    const QPointF topLeft(origin.x(), baseline - s.ascent);
    for (const QGlyphRun &run : s.runs)
        painter->drawGlyphRun(topLeft, run);
}

void SimpleTextLineController::start()
{
    if (!s_controller)
        s_controller = new Controller;
}

void SimpleTextLineController::finish()
{
    delete s_controller;
    s_controller = nullptr;
}

bool SimpleTextLineController::isStarted()
{
    return s_controller != nullptr;
}

int SimpleTextLineController::shapedCount()
{
    return s_controller ? s_controller->shapedCount : 0;
}
