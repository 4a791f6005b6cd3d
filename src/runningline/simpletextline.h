#pragma once

#include <QExplicitlySharedDataPointer>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;
class SimpleTextLinePrivate;

// One line of text, shaped once and then drawn from its prepared glyph runs, so views that repaint
// often (the running line, the calendar) do not lay the text out on every paint.
// A value type: copies share the text, the font and the shaped result until one of them is changed.
class SimpleTextLine
{
public:
    SimpleTextLine();
    explicit SimpleTextLine(const QString &text, const QFont &font = QFont());
    SimpleTextLine(const SimpleTextLine &other);
    SimpleTextLine &operator=(const SimpleTextLine &other);
    ~SimpleTextLine();

    bool isEmpty() const;
    // True when both copies use the same data (for tests and caches).
    bool sharesDataWith(const SimpleTextLine &other) const;

    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const;

    void setText(const QString &text);
    QString text() const;

    void setFont(const QFont &font);
    QFont font() const;

    void setMargins(qreal left, qreal top, qreal right, qreal bottom);

    // The size of the shaped text, with its top-left corner at (0, 0): the advance width by ascent + descent.
    QRectF textRect() const;
    // textRect() grown outwards by the margins.
    QRectF boundingRect() const;
    // The baseline's distance from the top of textRect().
    qreal ascent() const;

    // Draws with the painter's current pen; origin is the start of the baseline. Horizontal alignment
    // is the caller's business (it knows the width); Qt::AlignVCenter puts the text's vertical centre
    // on origin.y() instead of the baseline.
    void draw(QPainter *painter, const QPointF &origin) const;

private:
    void detach();
    QExplicitlySharedDataPointer<SimpleTextLinePrivate> d;
};

// Holds the process-wide cache of shaped lines, so equal texts in equal fonts (the day numbers of a
// calendar, repeated rows) are shaped once. The application starts it at start-up and finishes it
// before its windows go; lines keep working without it, each shaping for itself.
class SimpleTextLineController
{
public:
    static void start();
    static void finish();
    static bool isStarted();
    // Lines shaped since start(), counting cache hits as none (for tests and the benchmark).
    static int shapedCount();
};
