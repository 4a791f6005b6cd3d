#include "widgets/calendar/calendaritems.h"

#include "core/applocale.h"
#include "core/log.h"
#include "widgets/calendar/calendarlayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace CalendarViewPrivate {

SharedState &shared()
{
    static SharedState s_state;
    return s_state;
}

void resetFittedFonts()
{
    SharedState &s = shared();
    s.dayCell = s.weekdayCell = s.monthCell = s.yearCell = 0;
}

QFont boldFont(const QFont &font)
{
    QFont bold(font);
    // A style name wins over the weight when fonts are matched, so it must go for bold to show.
    bold.setStyleName(QString());
    bold.setBold(true);
    return bold;
}

void adjustFontSize(QFont &font, const QString &text, const QSize &maxRect)
{
    QR_ASSERT(maxRect.height() > 0);
    QR_ASSERT(maxRect.width() > 0);
    const int size = fitPixelSize(maxRect, [&font, &text](int pixelSize) {
        QFont probe(font);
        probe.setPixelSize(pixelSize);
        // The drawn line takes the advance and the full line height, which may exceed the ink's box.
        const QFontMetricsF metrics(probe);
        const QRectF ink = metrics.boundingRect(text);
        return QSize(static_cast<int>(std::ceil(std::max(ink.width(), metrics.horizontalAdvance(text)))),
                     static_cast<int>(std::ceil(std::max(ink.height(), metrics.height()))));
    });
    if (size > 0)
        font.setPixelSize(size);
}

QString monthNameByIndex(int monthIndex)
{
    QR_ASSERT(monthIndex > 0 && monthIndex < 13);
    if (monthIndex < 1 || monthIndex > 11)
        monthIndex = 12;
    const QLocale locale = Common::appLocale();
    return locale.toUpper(locale.standaloneMonthName(monthIndex, QLocale::LongFormat));
}

QString weekdayName(int dayIndex)
{
    if (dayIndex < 1 || dayIndex > 7)
        return QString();
    return Common::appLocale().standaloneDayName(dayIndex, QLocale::ShortFormat);
}

// GraphicItem

GraphicItem::GraphicItem(GraphicItem *parent) : m_parent(parent)
{
    if (m_parent)
        m_parent->m_children.append(this);
}

GraphicItem::~GraphicItem()
{
    // Each child takes itself out of the list as it goes.
    while (!m_children.isEmpty())
        delete m_children.first();
    if (m_parent)
        m_parent->m_children.removeOne(this);
}

void GraphicItem::setWidth(int width)
{
    m_width = width;
}

int GraphicItem::width() const
{
    return m_width;
}

void GraphicItem::setPos(int x, int y)
{
    setPos(QPoint(x, y));
}

void GraphicItem::setPos(const QPoint &pos)
{
    m_pos = pos;
}

QPoint GraphicItem::pos() const
{
    return m_pos;
}

void GraphicItem::calculate()
{
    for (GraphicItem *child : std::as_const(m_children))
        child->calculate();
}

void GraphicItem::paint(QPainter *painter, const QRect &exposed)
{
    if (!m_visible)
        return;
    for (GraphicItem *child : std::as_const(m_children)) {
        if (child->rect().intersects(exposed))
            child->paint(painter, exposed);
    }
}

QRect GraphicItem::rect() const
{
    return QRect(pos(), QSize(width(), height()));
}

int GraphicItem::height() const
{
    return m_height;
}

int GraphicItem::type() const
{
    return PlainItem;
}

GraphicItem *GraphicItem::itemAt(const QPoint &point, bool typedOnly)
{
    if (!m_visible || !rect().contains(point))
        return nullptr;
    for (GraphicItem *child : std::as_const(m_children)) {
        GraphicItem *found = child->itemAt(point, true);
        if (found && (!typedOnly || found->type() != PlainItem))
            return found;
    }
    if (typedOnly && type() == PlainItem)
        return nullptr;
    return this;
}

GraphicItem *GraphicItem::nearestItem(const QPoint &point)
{
    GraphicItem *nearest = nullptr;
    int best = 0;
    for (GraphicItem *child : std::as_const(m_children)) {
        const int distance = (child->rect().center() - point).manhattanLength();
        if (!nearest || distance < best) {
            nearest = child;
            best = distance;
        }
    }
    return nearest;
}

void GraphicItem::setHeight(int height)
{
    m_height = height;
}

bool GraphicItem::contains(const GraphicItem *item) const
{
    for (const GraphicItem *child : m_children) {
        if (child == item || child->contains(item))
            return true;
    }
    return false;
}

void GraphicItem::align(GraphicItem *child, Qt::Alignment alignment)
{
    const QPoint p = child->pos();
    if (alignment & Qt::AlignLeft)
        child->setPos(pos().x(), p.y());
    else if (alignment & Qt::AlignRight)
        child->setPos(pos().x() + width() - child->width(), p.y());
    else if (alignment & Qt::AlignHCenter)
        child->setPos(pos().x() + width() / 2 - child->width() / 2, p.y());
}

// TextGraphicItem

TextGraphicItem::TextGraphicItem(GraphicItem *parent) : GraphicItem(parent) {}

int TextGraphicItem::width() const
{
    return static_cast<int>(std::ceil(m_line.boundingRect().width()));
}

int TextGraphicItem::height() const
{
    return static_cast<int>(std::ceil(m_line.boundingRect().height()));
}

void TextGraphicItem::setFont(const QFont &font)
{
    m_line.setFont(font);
}

void TextGraphicItem::setText(const QString &text)
{
    m_line.setText(text);
}

void TextGraphicItem::setMargins(int left, int top, int right, int bottom)
{
    m_topMargin = top;
    m_line.setMargins(left, top, right, bottom);
}

QPointF TextGraphicItem::textOrigin() const
{
    const QRectF text = m_line.textRect();
    return QPointF(pos().x() + (width() - text.width()) / 2, pos().y() + m_topMargin + m_line.ascent());
}

void TextGraphicItem::paint(QPainter *painter, const QRect &)
{
    if (!isVisible())
        return;
    const QPen saved = painter->pen();
    QPen pen(saved);
    pen.setColor(m_color.isValid() ? m_color : shared().textColor);
    painter->setPen(pen);
    m_line.draw(painter, textOrigin());
    painter->setPen(saved);
}

MonthNameItem::MonthNameItem(GraphicItem *parent, int month) : TextGraphicItem(parent)
{
    setText(monthNameByIndex(month));
}

YearHeaderItem::YearHeaderItem(GraphicItem *parent, int year) : TextGraphicItem(parent)
{
    setText(QString::number(year));
}

// YearLabelText

YearLabelText::YearLabelText(GraphicItem *parent) : TextGraphicItem(parent) {}

void YearLabelText::setText(const QString &text)
{
    if (text == m_line.text())
        return;
    TextGraphicItem::setText(text);
    m_dirty = true;
}

void YearLabelText::setFont(const QFont &font)
{
    if (font == m_baseFont)
        return;
    m_baseFont = font;
    m_line.setFont(font);
    m_dirty = true;
}

void YearLabelText::setHeight(int height)
{
    if (height == m_fittingLength)
        return;
    m_fittingLength = height;
    m_dirty = true;
}

void YearLabelText::calculate()
{
    if (!m_dirty || m_fittingLength <= 0 || m_line.text().isEmpty())
        return;
    QFont fitted(m_baseFont);
    adjustFontSize(fitted, m_line.text(), QSize(9999, m_fittingLength));
    m_line.setFont(fitted);
    m_dirty = false;
}

void YearLabelText::paint(QPainter *painter, const QRect &)
{
    if (!isVisible())
        return;
    // pos() is the middle of the text's box on the screen: the box is turned by the transform around it,
    // so the baseline starts half the text's length away from pos() and half a line height beside it.
    const QRectF text = m_line.textRect();
    const QTransform inverse = m_transform.inverted();
    const QPointF alongText = m_transform.map(QPointF(text.width() / 2, 0));
    const QPointF acrossText = m_transform.map(QPointF(0, text.height() / 2 - m_line.ascent()));
    const QPointF screenOrigin = QPointF(pos()) - alongText - acrossText;
    painter->save();
    painter->setTransform(m_transform, true);
    QPen pen(painter->pen());
    pen.setColor(color().isValid() ? color() : shared().textColor);
    painter->setPen(pen);
    m_line.draw(painter, inverse.map(screenOrigin));
    painter->restore();
}

// DayItem

DayItem::DayItem(GraphicItem *parent, const QDate &date) : TextGraphicItem(parent), m_date(date)
{
    setText(QString::number(date.day()));
}

void DayItem::setColumnWidth(int width)
{
    m_columnWidth = width;
    updateMargins();
}

void DayItem::updateMargins()
{
    if (m_columnWidth <= 0)
        return;
    const int m = static_cast<int>((m_columnWidth - m_line.textRect().width()) / 2);
    setMargins(m, 0, m, 0);
}

void DayItem::setFont(const QFont &font)
{
    m_plainFont = font;
    TextGraphicItem::setFont(font);
    refreshFont();
}

void DayItem::refreshFont()
{
    if (m_flags & TodayFlag) {
        m_line.setFont(boldFont(m_plainFont));
    } else {
        m_line.setFont(m_plainFont);
    }
    updateMargins();
}

void DayItem::setFlag(int bits)
{
    const int old = m_flags;
    m_flags |= bits;
    if ((old ^ m_flags) & TodayFlag)
        refreshFont();
}

void DayItem::clearFlag(int bits)
{
    const int old = m_flags;
    m_flags &= ~bits;
    // A day that stops being today loses its bold number at once, not only at the next layout.
    if ((old ^ m_flags) & TodayFlag)
        refreshFont();
}

void DayItem::setStatusPixmapIndex(int index)
{
    if (index == m_statusIndex)
        return;
    const QList<QPixmap> &s_statusPixmaps = shared().statusPixmaps;
    QR_ASSERT(index >= -1 && index < s_statusPixmaps.count());
    m_statusIndex = index;
    calculate();
}

void DayItem::calculate()
{
    SharedState &s = shared();
    if (m_statusIndex < 0 || m_statusIndex >= s.statusPixmaps.count()) {
        m_statusPixmap = QPixmap();
        return;
    }
    const int w = width() / 3;
    const auto cached = s.scaledStatusPixmaps.constFind(m_statusIndex);
    if (cached != s.scaledStatusPixmaps.constEnd() && cached->width() == w) {
        m_statusPixmap = *cached;
        return;
    }
    const QPixmap &source = s.statusPixmaps.at(m_statusIndex);
    m_statusPixmap = (w > 0 && !source.isNull()) ? source.scaledToWidth(w, Qt::SmoothTransformation) : QPixmap();
    s.scaledStatusPixmaps.insert(m_statusIndex, m_statusPixmap);
}

void DayItem::paint(QPainter *painter, const QRect &exposed)
{
    if (!isVisible())
        return;
    const SharedState &s = shared();
    const QRect r = rect();
    if (m_flags & (SelectedFlag | HoveredFlag)) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush((m_flags & SelectedFlag) ? s.selectionColor : s.hoverColor);
        painter->drawEllipse(r);
        painter->restore();
    }
    if (!m_statusPixmap.isNull())
        painter->drawPixmap(statusRect().topLeft(), m_statusPixmap);
    TextGraphicItem::paint(painter, exposed);
}

QRectF DayItem::numberInkRect() const
{
    const QFont font = (m_flags & TodayFlag) ? boldFont(m_plainFont) : m_plainFont;
    return QFontMetricsF(font).tightBoundingRect(text()).translated(textOrigin());
}

QRect DayItem::statusRect() const
{
    if (m_statusPixmap.isNull())
        return QRect();
    const QRect r = rect();
    const QSize size = m_statusPixmap.size();
    // The day's top right corner, unless the number reaches into it: a two-digit number fills
    // its column. Then right of the digits, as far as half the gap to the next column allows,
    // or else above them.
    QRect mark(QPoint(r.right() + 1 - size.width(), r.top()), size);
    const QRectF ink = numberInkRect();
    if (!QRectF(mark).intersects(ink))
        return mark;
    const int besideLeft = int(std::ceil(ink.right())) + 1;
    if (besideLeft + size.width() <= r.right() + 1 + kColumnSpacing / 2) {
        mark.moveLeft(besideLeft);
        return mark;
    }
    mark.moveBottom(int(std::floor(ink.top())) - 1);
    return mark;
}

int DayItem::addStatusPixmap(const QPixmap &pixmap)
{
    SharedState &s = shared();
    s.statusPixmaps.append(pixmap);
    return s.statusPixmaps.count() - 1;
}

void DayItem::setSelectionColor(const QColor &color)
{
    SharedState &s = shared();
    s.selectionColor = color;
    s.hoverColor = color;
    s.hoverColor.setAlpha(40);
}

// CurlyLineItem

void CurlyLineItem::calculate()
{
    setHeight(kCurlyLineHeight);
    const QSize size(width(), kCurlyLineHeight);
    if (size == m_pathSize)
        return;
    m_pathSize = size;
    m_path = QPainterPath();

    const QPointF start(0, kCurlyLineHeight / 2);
    const QPointF end(width(), kCurlyLineHeight / 2);
    const int step = static_cast<int>(std::max(width() / 100.0, 10.0));
    m_path.moveTo(start);
    bool havePrev = false;
    QPointF prev;
    QPointF cur = start;
    qreal yc = start.y();
    QRandomGenerator *random = QRandomGenerator::global();
    while (cur.x() < end.x()) {
        int d = random->bounded(3) - 1;
        // The line wanders at most one pixel away from its middle.
        if (std::abs(yc + d - start.y()) > 1)
            d = 0;
        yc += d;
        cur = QPointF(cur.x() + step, yc);
        if (cur.x() < end.x()) {
            if (!havePrev) {
                prev = cur;
                havePrev = true;
            } else {
                m_path.quadTo(prev, cur);
                havePrev = false;
            }
        } else {
            cur = end;
            m_path.quadTo(havePrev ? prev : end, end);
        }
    }
}

void CurlyLineItem::paint(QPainter *painter, const QRect &)
{
    if (!isVisible())
        return;
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->drawPath(path());
}

// WeekHeaderItem

WeekHeaderItem::WeekHeaderItem(GraphicItem *parent, int firstDayOfWeek)
    : GraphicItem(parent), m_firstDayOfWeek(firstDayOfWeek)
{
    for (int i = 0; i < 7; ++i)
        m_days.append(new DayOfWeekItem(this));
    m_topLine = new CurlyLineItem(this);
    m_bottomLine = new CurlyLineItem(this);
}

void WeekHeaderItem::calculate()
{
    SharedState &s = shared();
    const int cell = width() / 14;
    if (cell != s.weekdayCell && cell > 0 && s.dayWidth > 0) {
        s.weekdayFont = s.textFont;
        adjustFontSize(s.weekdayFont, weekdayName(1), QSize(s.dayWidth, cell));
        s.weekdayCell = cell;
    }
    for (int i = 0; i < 7; ++i)
        m_days[i]->setText(weekdayName(weekdayOfColumn(i + 1, m_firstDayOfWeek)));

    m_topLine->setPos(pos());
    m_topLine->setWidth(width());
    m_topLine->calculate();

    const int x0 = pos().x();
    int y = pos().y() + m_topLine->height() + kAroundWeekdayNames;
    for (int i = 0; i < 7; ++i) {
        m_days[i]->setPos(x0 + (s.dayWidth + kColumnSpacing) * i, y);
        m_days[i]->setFont(s.weekdayFont);
        // Centred over the day numbers below, as the names differ in width.
        const int m = std::max(0, static_cast<int>((s.dayWidth - m_days[i]->textRect().width()) / 2));
        m_days[i]->setMargins(m, 0, m, 0);
    }
    y += m_days[0]->height() + kAroundWeekdayNames;
    m_bottomLine->setPos(pos().x(), y);
    m_bottomLine->setWidth(width());
    m_bottomLine->calculate();
    setHeight(y + m_bottomLine->height() - pos().y());
}

// WeekItem

WeekItem::WeekItem(GraphicItem *parent, int year, int month, int firstDay, int lastDay, int firstDayOfWeek)
    : GraphicItem(parent), m_firstDayOfWeek(firstDayOfWeek)
{
    for (int day = firstDay; day <= lastDay; ++day)
        m_days.append(new DayItem(this, QDate(year, month, day)));
}

void WeekItem::calculate()
{
    SharedState &s = shared();
    if (s.dayWidth != s.dayCell && s.dayWidth > 0) {
        s.dayFont = s.numberFont;
        adjustFontSize(s.dayFont, QStringLiteral("88"), QSize(s.dayWidth, s.dayWidth));
        s.dayCell = s.dayWidth;
    }
    for (DayItem *day : std::as_const(m_days)) {
        const int column = dayColumn(day->date().dayOfWeek(), m_firstDayOfWeek);
        day->setPos(pos().x() + (s.dayWidth + kColumnSpacing) * (column - 1), pos().y());
        day->setFont(s.dayFont);
        day->setColumnWidth(s.dayWidth);
        day->calculate();
    }
    QR_ASSERT(!m_days.isEmpty());
    setHeight(m_days.isEmpty() ? 0 : m_days.first()->height());
}

// MonthItem

MonthItem::MonthItem(GraphicItem *parent, int year, int month) : GraphicItem(parent), m_month(month), m_year(year)
{
    m_name = new MonthNameItem(this, month);
    setFirstDayOfWeek(1, true);
}

void MonthItem::setFirstDayOfWeek(int day, bool force)
{
    if (day == m_firstDayOfWeek && !force)
        return;
    m_firstDayOfWeek = day;
    delete m_weekHeader;
    m_weekHeader = new WeekHeaderItem(this, day);
    qDeleteAll(m_weeks);
    m_weeks.clear();
    m_days.clear();
    for (const WeekSpan &span : weeksOfMonth(m_year, m_month, day)) {
        auto *week = new WeekItem(this, m_year, m_month, span.firstDay, span.lastDay, day);
        m_weeks.append(week);
        m_days.append(week->days());
    }
}

DayItem *MonthItem::day(int index) const
{
    QR_ASSERT(index > 0 && index <= m_days.count());
    return (index > 0 && index <= m_days.count()) ? m_days.at(index - 1) : nullptr;
}

void MonthItem::calculate()
{
    SharedState &s = shared();
    s.dayWidth = CalendarViewPrivate::dayWidth(width());
    if (s.dayWidth < 0)
        return;
    const int cell = width() / 13;
    if (cell != s.monthCell && cell > 0) {
        s.monthFont = boldFont(s.textFont);
        adjustFontSize(s.monthFont, monthNameByIndex(1), QSize(width(), cell));
        s.monthCell = cell;
    }
    int y = pos().y();
    m_name->setPos(pos().x(), y);
    m_name->setFont(s.monthFont);
    align(m_name, Qt::AlignRight);
    y += m_name->height() + kBelowMonthName;

    m_weekHeader->setPos(pos().x(), y);
    m_weekHeader->setWidth(width());
    m_weekHeader->calculate();
    y += m_weekHeader->height();

    for (WeekItem *week : std::as_const(m_weeks)) {
        week->setPos(pos().x(), y);
        week->setWidth(width());
        week->calculate();
        y += week->height() + kWeekSpacing;
    }
    setHeight(y - kWeekSpacing - pos().y());
}

// YearItem

YearItem::YearItem(GraphicItem *parent, int year) : GraphicItem(parent), m_year(year)
{
    m_header = new YearHeaderItem(this, year);
    for (int month = 1; month <= 12; ++month)
        m_months.append(new MonthItem(this, year, month));
}

MonthItem *YearItem::month(int index) const
{
    QR_ASSERT(index > 0 && index < 13);
    return (index > 0 && index < 13) ? m_months.at(index - 1) : nullptr;
}

void YearItem::setFirstDayOfWeek(int day)
{
    for (MonthItem *month : std::as_const(m_months))
        month->setFirstDayOfWeek(day);
}

int YearItem::firstDayOfWeek() const
{
    return m_months.first()->firstDayOfWeek();
}

void YearItem::calculate()
{
    SharedState &s = shared();
    const int cell = width() / 7;
    if (cell != s.yearCell && cell > 0) {
        s.yearFont = s.textFont;
        adjustFontSize(s.yearFont, m_header->text(), QSize(width(), cell));
        s.yearCell = cell;
    }
    m_largestMonthHeight = 0;
    int y = pos().y();
    m_header->setPos(pos().x(), y);
    m_header->setFont(s.yearFont);
    align(m_header, Qt::AlignHCenter);
    y += m_header->height() + kBelowYearHeader;
    for (MonthItem *month : std::as_const(m_months)) {
        month->setPos(pos().x(), y);
        month->setWidth(width());
        month->calculate();
        y += month->height() + kMonthSpacing;
        m_largestMonthHeight = std::max(m_largestMonthHeight, month->height());
    }
    setHeight(y - kMonthSpacing - pos().y());
}

// CalendarItem

void CalendarItem::calculate()
{
    m_largestMonthHeight = 0;
    int y = pos().y();
    for (YearItem *year : std::as_const(m_years)) {
        year->setPos(pos().x(), y);
        year->setWidth(width());
        year->calculate();
        m_largestMonthHeight = std::max(m_largestMonthHeight, year->largestMonthHeight());
        y += year->height() + kYearSpacing;
    }
    setHeight(std::max(0, y - kYearSpacing - pos().y()));
}

void CalendarItem::addYear(int yearIndex)
{
    QR_ASSERT(!contains(yearIndex));
    if (contains(yearIndex))
        return;
    auto *year = new YearItem(this, yearIndex);
    // A year added later follows the week start the others already use.
    year->setFirstDayOfWeek(m_firstDayOfWeek);
    m_years.insert(yearIndex, year);
}

void CalendarItem::removeYear(int yearIndex)
{
    QR_ASSERT(contains(yearIndex));
    delete m_years.take(yearIndex);
}

YearItem *CalendarItem::year(int yearIndex) const
{
    QR_ASSERT(contains(yearIndex));
    return m_years.value(yearIndex);
}

void CalendarItem::setFirstDayOfWeek(int day)
{
    m_firstDayOfWeek = day;
    for (YearItem *year : std::as_const(m_years))
        year->setFirstDayOfWeek(day);
}

int CalendarItem::firstDayOfWeek() const
{
    QR_ASSERT(!m_years.isEmpty());
    return m_years.isEmpty() ? m_firstDayOfWeek : m_years.first()->firstDayOfWeek();
}

DayItem *CalendarItem::dayItem(const QDate &date) const
{
    if (!date.isValid() || !m_years.contains(date.year()))
        return nullptr;
    MonthItem *month = m_years.value(date.year())->month(date.month());
    return month ? month->day(date.day()) : nullptr;
}

// YearsStack

YearsStack::YearsStack(int year) : m_currentYear(year), m_centreYear(year)
{
    addYear(year - 1);
    addYear(year);
    addYear(year + 1);
}

bool YearsStack::stepUp()
{
    if (!yearStepAllowed(m_centreYear, m_currentYear, -1))
        return false;
    removeYear(m_currentYear + 1);
    --m_currentYear;
    addYear(m_currentYear - 1);
    return true;
}

bool YearsStack::stepDown()
{
    if (!yearStepAllowed(m_centreYear, m_currentYear, +1))
        return false;
    removeYear(m_currentYear - 1);
    ++m_currentYear;
    addYear(m_currentYear + 1);
    return true;
}

} // namespace CalendarViewPrivate
