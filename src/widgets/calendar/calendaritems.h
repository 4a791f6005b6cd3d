#pragma once

#include "runningline/simpletextline.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QList>
#include <QMap>
#include <QPainterPath>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTransform>

class QPainter;

// The drawn items of the year calendar: a year holds its header and twelve months, a month its name,
// a weekday row and its weeks, a week its days. Positions are absolute content coordinates.
namespace CalendarViewPrivate {

enum ItemType { PlainItem = 0, YearType = 1, MonthType = 2, DayType = 3 };

// Day marks, as bits of a day's flags.
enum DayFlag { TodayFlag = 1, HoveredFlag = 2, SelectedFlag = 4 };

// The font made bold, also when it names a lighter face by its style name.
QFont boldFont(const QFont &font);
// Sets the largest pixel size below maxRect's height at which the text fits in maxRect.
void adjustFontSize(QFont &font, const QString &text, const QSize &maxRect);
QString monthNameByIndex(int monthIndex);
// 1 = Monday .. 7 = Sunday.
QString weekdayName(int dayIndex);

// The fonts, sizes and pictures every item of every calendar shares; fitted lazily during layout.
struct SharedState
{
    QFont numberFont;
    QFont textFont;
    QFont dayFont;
    QFont weekdayFont;
    QFont monthFont;
    QFont yearFont;
    int dayWidth = 0;
    int dayCell = 0;
    int weekdayCell = 0;
    int monthCell = 0;
    int yearCell = 0;
    QList<QPixmap> statusPixmaps;
    QMap<int, QPixmap> scaledStatusPixmaps;
    QColor selectionColor;
    QColor hoverColor;
    // Text without a colour of its own: the view's palette, so a dark theme keeps it readable.
    QColor textColor = Qt::black;
};
SharedState &shared();
// Forget the fitted sizes, so the next layout fits the fonts again (after a font or language change).
void resetFittedFonts();

class GraphicItem
{
public:
    explicit GraphicItem(GraphicItem *parent = nullptr);
    virtual ~GraphicItem();
    GraphicItem(const GraphicItem &) = delete;
    GraphicItem &operator=(const GraphicItem &) = delete;

    virtual void setWidth(int width);
    virtual int width() const;
    virtual void setPos(int x, int y);
    virtual void setPos(const QPoint &pos);
    virtual QPoint pos() const;
    virtual void calculate();
    virtual void paint(QPainter *painter, const QRect &exposed);
    virtual QRect rect() const;
    virtual int height() const;
    virtual int type() const;
    virtual GraphicItem *itemAt(const QPoint &point, bool typedOnly);
    virtual GraphicItem *nearestItem(const QPoint &point);
    virtual void setHeight(int height);

    GraphicItem *parent() const { return m_parent; }
    const QList<GraphicItem *> &children() const { return m_children; }
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    bool contains(const GraphicItem *item) const;
    void align(GraphicItem *child, Qt::Alignment alignment);

private:
    QPoint m_pos;
    int m_width = 0;
    int m_height = 0;
    QList<GraphicItem *> m_children;
    GraphicItem *m_parent = nullptr;
    bool m_visible = true;
};

class TextGraphicItem : public GraphicItem
{
public:
    explicit TextGraphicItem(GraphicItem *parent = nullptr);

    int width() const override;
    int height() const override;
    void paint(QPainter *painter, const QRect &exposed) override;
    virtual void setFont(const QFont &font);

    void setText(const QString &text);
    QString text() const { return m_line.text(); }
    QFont font() const { return m_line.font(); }
    QRectF textRect() const { return m_line.textRect(); }
    QRectF boundingRect() const { return m_line.boundingRect(); }
    void setMargins(int left, int top, int right, int bottom);
    void setColor(const QColor &color) { m_color = color; }
    QColor color() const { return m_color; }

protected:
    // Where the line's baseline starts when the text is centred in the item.
    QPointF textOrigin() const;

    SimpleTextLine m_line;
    QColor m_color;
    int m_topMargin = 0;
};

class DayOfWeekItem : public TextGraphicItem
{
public:
    using TextGraphicItem::TextGraphicItem;
};

class MonthNameItem : public TextGraphicItem
{
public:
    MonthNameItem(GraphicItem *parent, int month);
};

class YearHeaderItem : public TextGraphicItem
{
public:
    YearHeaderItem(GraphicItem *parent, int year);
};

// The big upright year number behind the months; its font grows to a given length.
class YearLabelText : public TextGraphicItem
{
public:
    explicit YearLabelText(GraphicItem *parent = nullptr);

    void setText(const QString &text);
    void setFont(const QFont &font) override;
    // The length the text's height is fitted to; the item's own height stays that of its text.
    void setHeight(int height) override;
    void calculate() override;
    void paint(QPainter *painter, const QRect &exposed) override;
    void setTransform(const QTransform &transform) { m_transform = transform; }
    QTransform transform() const { return m_transform; }

private:
    bool m_dirty = true;
    int m_fittingLength = 0;
    QFont m_baseFont;
    QTransform m_transform;
};

class DayItem : public TextGraphicItem
{
public:
    DayItem(GraphicItem *parent, const QDate &date);

    int type() const override { return DayType; }
    void calculate() override;
    void paint(QPainter *painter, const QRect &exposed) override;
    void setFont(const QFont &font) override;

    QDate date() const { return m_date; }
    int flags() const { return m_flags; }
    void setFlag(int bits);
    void clearFlag(int bits);
    int statusPixmapIndex() const { return m_statusIndex; }
    void setStatusPixmapIndex(int index);
    QPixmap statusPixmap() const { return m_statusPixmap; }
    // Where the number's ink is, and where the status mark goes: beside or above the
    // number, never over a digit.
    QRectF numberInkRect() const;
    QRect statusRect() const;

    // The column the number is centred in.
    void setColumnWidth(int width);

    static int addStatusPixmap(const QPixmap &pixmap);
    static void setSelectionColor(const QColor &color);

private:
    void refreshFont();
    void updateMargins();

    QDate m_date;
    QFont m_plainFont;
    int m_columnWidth = 0;
    int m_flags = 0;
    int m_statusIndex = -1;
    QPixmap m_statusPixmap;
};

// A hand-drawn looking line, three pixels high, that keeps its shape while its size stays.
class CurlyLineItem : public GraphicItem
{
public:
    using GraphicItem::GraphicItem;

    void calculate() override;
    void paint(QPainter *painter, const QRect &exposed) override;
    // The line in content coordinates.
    QPainterPath path() const { return m_path.translated(pos()); }

private:
    // Kept relative to the item's position, so a move keeps the shape.
    QPainterPath m_path;
    QSize m_pathSize;
};

class WeekHeaderItem : public GraphicItem
{
public:
    WeekHeaderItem(GraphicItem *parent, int firstDayOfWeek);

    void calculate() override;
    DayOfWeekItem *weekday(int column) const { return m_days.value(column); }

private:
    QList<DayOfWeekItem *> m_days;
    CurlyLineItem *m_topLine = nullptr;
    CurlyLineItem *m_bottomLine = nullptr;
    int m_firstDayOfWeek = 1;
};

class WeekItem : public GraphicItem
{
public:
    WeekItem(GraphicItem *parent, int year, int month, int firstDay, int lastDay, int firstDayOfWeek);

    void calculate() override;
    const QList<DayItem *> &days() const { return m_days; }

private:
    QList<DayItem *> m_days;
    int m_firstDayOfWeek;
};

class MonthItem : public GraphicItem
{
public:
    MonthItem(GraphicItem *parent, int year, int month);

    int type() const override { return MonthType; }
    void calculate() override;
    void setFirstDayOfWeek(int day, bool force = false);
    DayItem *day(int index) const;
    int month() const { return m_month; }
    int year() const { return m_year; }
    int firstDayOfWeek() const { return m_firstDayOfWeek; }
    const QList<WeekItem *> &weeks() const { return m_weeks; }
    WeekHeaderItem *weekHeader() const { return m_weekHeader; }
    MonthNameItem *nameItem() const { return m_name; }

private:
    WeekHeaderItem *m_weekHeader = nullptr;
    MonthNameItem *m_name = nullptr;
    QList<WeekItem *> m_weeks;
    int m_month;
    int m_year;
    QList<DayItem *> m_days;
    int m_firstDayOfWeek = 1;
};

class YearItem : public GraphicItem
{
public:
    YearItem(GraphicItem *parent, int year);

    int type() const override { return YearType; }
    void calculate() override;
    MonthItem *month(int index) const;
    int year() const { return m_year; }
    int largestMonthHeight() const { return m_largestMonthHeight; }
    void setFirstDayOfWeek(int day);
    int firstDayOfWeek() const;
    YearHeaderItem *header() const { return m_header; }

private:
    QList<MonthItem *> m_months;
    YearHeaderItem *m_header = nullptr;
    int m_year;
    int m_largestMonthHeight = 0;
};

class CalendarItem : public GraphicItem
{
public:
    CalendarItem() = default;

    void calculate() override;
    void addYear(int yearIndex);
    void removeYear(int yearIndex);
    YearItem *year(int yearIndex) const;
    bool contains(int year) const { return m_years.contains(year); }
    using GraphicItem::contains;
    bool isEmpty() const { return m_years.isEmpty(); }
    QList<int> years() const { return m_years.keys(); }
    int largestMonthHeight() const { return m_largestMonthHeight; }
    void setFirstDayOfWeek(int day);
    int firstDayOfWeek() const;
    // The day's item when its year is built, else null.
    DayItem *dayItem(const QDate &date) const;

private:
    QMap<int, YearItem *> m_years;
    int m_largestMonthHeight = 0;
    int m_firstDayOfWeek = 1;
};

// Three consecutive years around a current one, slid one year at a time, never further than
// a hundred years from where it started.
class YearsStack : public CalendarItem
{
public:
    explicit YearsStack(int year);

    int currentYear() const { return m_currentYear; }
    int centreYear() const { return m_centreYear; }
    bool stepUp();
    bool stepDown();

private:
    int m_currentYear;
    int m_centreYear;
};

} // namespace CalendarViewPrivate
