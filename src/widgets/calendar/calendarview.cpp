#include "widgets/calendar/calendarview.h"

#include "core/clock.h"
#include "core/deferredcall.h"
#include "core/log.h"
#include "widgets/calendar/calendaritems.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QRawFont>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

// Resources live in a static library; this keeps the font in the program.
static void initCalendarResources()
{
    Q_INIT_RESOURCE(fonts);
}

using namespace CalendarViewPrivate;

namespace {

QColor translucent(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

const char kFontFolder[] = ":/Ostrevalder/fonts/";
const char kNumberFontFile[] = "calendar_english.ttf";

// The words the calendar writes in the interface's language: month and weekday names.
QString calendarWords()
{
    QString words;
    for (int month = 1; month <= 12; ++month)
        words += monthNameByIndex(month);
    for (int day = 1; day <= 7; ++day)
        words += weekdayName(day);
    return words;
}

bool covers(const QRawFont &font, const QString &text)
{
    const QList<uint> characters = text.toUcs4();
    return std::all_of(characters.cbegin(), characters.cend(),
                       [&font](uint c) { return QChar::isSpace(c) || font.supportsCharacter(c); });
}

// The family of the font file, in the file's own face when that face has every letter of `shownText`.
QFont loadFont(const QString &path, const QString &shownText)
{
    if (path.trimmed().isEmpty())
        return QApplication::font();
    // Each file is added once per process, however many views are made.
    static QHash<QString, int> s_loaded;
    auto it = s_loaded.constFind(path);
    if (it == s_loaded.constEnd())
        it = s_loaded.insert(path, QFontDatabase::addApplicationFont(path));
    if (it.value() < 0)
        return QFont();
    const QStringList families = QFontDatabase::applicationFontFamilies(it.value());
    if (families.isEmpty())
        return QFont();
    QFont font(families.first());
    // The family may also be installed in other weights; ask for the face this file holds. A face asked
    // for by name gets no fallback for letters it lacks: those of another script would show as boxes,
    // so then the family alone is asked for and the system's fonts fill in.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QRawFont raw(file.readAll(), 12);
        if (raw.isValid() && !raw.styleName().isEmpty() && covers(raw, shownText))
            font.setStyleName(raw.styleName());
    }
    return font;
}

} // namespace

CalendarView::CalendarView(QWidget *parent) : QAbstractScrollArea(parent)
{
    initCalendarResources();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const QFont numberFont =
        loadFont(QLatin1String(kFontFolder) + QLatin1String(kNumberFontFile), QStringLiteral("0123456789"));
    // A translation may name another font file, or a font family, for the letters of its language.
    const QString textFontName = QCoreApplication::translate("CalendarView", "calendar_english.ttf");
    const QFont textFont = textFontName.contains(QLatin1String(".ttf"))
                               ? loadFont(QLatin1String(kFontFolder) + textFontName, calendarWords())
                               : QFont(textFontName);
    SharedState &s = shared();
    if (s.numberFont != numberFont || s.textFont != textFont) {
        s.numberFont = numberFont;
        s.textFont = textFont;
        resetFittedFonts();
    }

    setSelectionColor(QColor(128, 128, 128, 120));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(20);
    const bool connected =
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CalendarView::onViewportScrolled);
    QR_ASSERT(connected);

    const int year = Common::Clock::today().year();
    m_calendar = std::make_unique<YearsStack>(year);
    m_calendar->setFirstDayOfWeek(m_firstDayOfWeek);
    m_viewportYear = year;
    m_scrollTarget = {year, Common::Clock::today().month(), 0, true, false};
    scheduleRebuild();

    m_scrollTimer.setInterval(30);
    connect(&m_scrollTimer, &QTimer::timeout, this, &CalendarView::autoScroll);

    m_yearLabel = std::make_unique<YearLabelText>();
    m_yearLabel->setFont(boldFont(numberFont));
    m_yearLabel->setTransform(QTransform().rotate(270, Qt::ZAxis));

    connect(&m_startScrollTimer, &QTimer::timeout, this, &CalendarView::startScroll);
    m_startScrollTimer.setInterval(100);
    m_startScrollTimer.setSingleShot(true);
}

CalendarView::~CalendarView()
{
    if (m_rebuildCall)
        m_rebuildCall->cancel();
}

int CalendarView::margin() const
{
    return horizontalMargin(width());
}

int CalendarView::layoutWidth() const
{
    // A month never grows taller than the page, so a wide window still shows a whole month.
    const int available = viewport()->width() - 2 * margin();
    return monthWidthForHeight(available, viewport()->height() - 2 * kTopOffset, 220);
}

QPoint CalendarView::layoutOrigin() const
{
    return QPoint(margin() + (viewport()->width() - 2 * margin() - layoutWidth()) / 2, kTopOffset);
}

void CalendarView::setFirstDayOfWeek(int day)
{
    if (day < 1 || day > 7 || day == m_firstDayOfWeek)
        return;
    m_firstDayOfWeek = day;
    scheduleRebuild();
}

void CalendarView::setBackgroundPixmap(const QPixmap &pixmap)
{
    m_background = pixmap;
    prepareBackground();
    viewport()->update();
}

void CalendarView::setBackgroundOpacity(int percent)
{
    m_backgroundOpacity = percent;
    prepareBackground();
    viewport()->update();
}

void CalendarView::setSelectionColor(const QColor &color)
{
    DayItem::setSelectionColor(color);
    viewport()->update();
}

QColor CalendarView::selectionColor() const
{
    return shared().selectionColor;
}

void CalendarView::prepareBackground()
{
    if (m_background.isNull()) {
        m_scaledBackground = QPixmap();
        return;
    }
    const QSize area = viewport()->size();
    const double k = double(area.width()) / m_background.width();
    if (area.height() > m_background.height() * k)
        m_scaledBackground = m_background.scaledToHeight(area.height(), Qt::FastTransformation);
    else
        m_scaledBackground = m_background.scaledToWidth(area.width(), Qt::FastTransformation);
}

void CalendarView::layoutScrollers()
{
    m_scrollerRects = scrollerRects(viewport()->size(), margin());
}

void CalendarView::resizeEvent(QResizeEvent *event)
{
    scheduleRebuild();
    QAbstractScrollArea::resizeEvent(event);
    prepareBackground();
    layoutScrollers();
}

bool CalendarView::isRebuildPending() const
{
    return m_rebuildPending || m_rebuildCall;
}

void CalendarView::scheduleRebuild()
{
    if (m_rebuildCall)
        m_rebuildCall->cancel();
    m_rebuildCall.clear();
    if (!isVisible()) {
        m_rebuildPending = true;
        return;
    }
    m_rebuildCall = Common::deferredCall(this, [this] { rebuild(); });
}

void CalendarView::setVisible(bool visible)
{
    QAbstractScrollArea::setVisible(visible);
    if (visible && m_rebuildPending && isVisible()) {
        m_rebuildPending = false;
        scheduleRebuild();
    }
}

void CalendarView::showEvent(QShowEvent *event)
{
    // A view shown together with its window gets no setVisible call of its own.
    QAbstractScrollArea::showEvent(event);
    if (m_rebuildPending) {
        m_rebuildPending = false;
        scheduleRebuild();
    }
}

QSize CalendarView::sizeHint() const
{
    return QSize(width(), m_calendar ? m_calendar->largestMonthHeight() : 0);
}

int CalendarView::monthPageHeight() const
{
    const QPoint origin = layoutOrigin();
    const int w = layoutWidth();
    if (w <= 0 || CalendarViewPrivate::dayWidth(w) <= 0)
        return 0;
    // The same years the view builds, laid out at the width it will use.
    YearsStack probe(m_calendar ? m_calendar->currentYear() : Common::Clock::today().year());
    probe.setFirstDayOfWeek(m_firstDayOfWeek);
    probe.setPos(origin);
    probe.setWidth(w);
    probe.calculate();
    return kTopOffset + probe.largestMonthHeight() + kTopOffset + (height() - viewport()->height());
}

void CalendarView::rebuild()
{
    m_rebuildCall.clear();
    ++m_rebuildCount;
    QScrollBar *bar = verticalScrollBar();
    const int w = layoutWidth();

    // Remember which part of the year in view sits under the viewport's middle, by year, item and the
    // share of the item above the middle, so the page holds still while years come and go above it
    // and while a resize makes every item taller or shorter.
    int anchorYear = 0;
    int anchorIndex = -1;
    double anchorShare = 0;
    if (m_laidOut && m_calendar->contains(m_viewportYear)) {
        const int middle = m_anchorMiddle + bar->value();
        YearItem *year = m_calendar->year(m_viewportYear);
        GraphicItem *anchor = nullptr;
        for (GraphicItem *child : year->children()) {
            if (child->pos().y() <= middle && middle < child->pos().y() + child->height())
                anchor = child;
        }
        if (!anchor)
            anchor = year->nearestItem(QPoint(viewport()->width() / 2, middle));
        if (anchor) {
            anchorYear = m_viewportYear;
            anchorIndex = int(year->children().indexOf(anchor));
            anchorShare = anchor->height() > 0 ? double(middle - anchor->pos().y()) / anchor->height() : 0.0;
        }
    }

    if (m_calendar->firstDayOfWeek() != m_firstDayOfWeek)
        m_calendar->setFirstDayOfWeek(m_firstDayOfWeek);
    m_calendar->setPos(layoutOrigin());
    m_calendar->setWidth(w);
    if (m_viewportYear < m_calendar->currentYear())
        m_calendar->stepUp();
    else if (m_viewportYear > m_calendar->currentYear())
        m_calendar->stepDown();
    m_calendar->calculate();

    if (!m_calendar->isEmpty()) {
        bar->setPageStep(m_calendar->largestMonthHeight());
        bar->setRange(0, std::max(0, m_calendar->height() + 20 - viewport()->height()));
    }

    updateFromCache();
    updateToday();
    m_laidOut = true;

    if (anchorIndex >= 0 && m_calendar->contains(anchorYear)) {
        if (const GraphicItem *anchor = m_calendar->year(anchorYear)->children().value(anchorIndex)) {
            const int middle = viewport()->height() / 2;
            const int value = anchor->pos().y() + int(anchorShare * anchor->height()) - middle;
            bar->setValue(value);
        }
    }
    m_anchorMiddle = viewport()->height() / 2;

    if (m_scrollTarget.valid) {
        m_scrollTarget.valid = false;
        const ScrollTarget t = m_scrollTarget;
        if (t.day != 0)
            scrollToDay(QDate(t.year, t.month, t.day), t.center);
        else if (t.month != 0)
            scrollToMonth(t.year, t.month, t.center);
        else
            scrollToYear(t.year);
    }

    m_yearLabel->setHeight(width() / 10);
    m_yearLabel->setText(QString::number(m_viewportYear));
    m_yearLabel->calculate();
    m_yearLabel->setPos(m_yearLabel->height() / 2 + 5, height() / 2);

    viewport()->update();
}

void CalendarView::onViewportScrolled(int)
{
    const int year = yearAtViewport();
    if (year != 0 && year != m_viewportYear) {
        m_viewportYear = year;
        rebuild();
        emit viewportYearChanged(year);
    }
}

GraphicItem *CalendarView::itemAt(const QPoint &viewportPoint) const
{
    if (!m_calendar)
        return nullptr;
    return m_calendar->itemAt(viewportPoint + QPoint(0, verticalScrollBar()->value()), true);
}

int CalendarView::yearAtViewport() const
{
    for (GraphicItem *item = itemAt(viewport()->rect().center()); item; item = item->parent()) {
        if (item->type() == YearType)
            return static_cast<YearItem *>(item)->year();
    }
    if (!isVisible() && m_scrollTarget.valid)
        return m_scrollTarget.year;
    return 0;
}

int CalendarView::monthAtViewport() const
{
    for (GraphicItem *item = itemAt(viewport()->rect().center()); item; item = item->parent()) {
        if (item->type() == MonthType)
            return static_cast<MonthItem *>(item)->month();
    }
    if (!isVisible() && m_scrollTarget.valid)
        return m_scrollTarget.month;
    return 0;
}

void CalendarView::scrollToMonthOfViewportYear(int month)
{
    if (m_viewportYear != 0)
        scrollToMonth(m_viewportYear, month, false);
}

void CalendarView::paintEvent(QPaintEvent *event)
{
    if (!m_calendar)
        return;
    QPainter p(viewport());
    const QColor text = viewport()->palette().color(QPalette::Text);
    shared().textColor = text;
    m_yearLabel->setColor(translucent(text, 50));
    if (!m_scaledBackground.isNull()) {
        const qreal opacity = p.opacity();
        p.setOpacity(m_backgroundOpacity / 100.0);
        p.drawPixmap(0, 0, m_scaledBackground);
        p.setOpacity(opacity);
    }
    m_yearLabel->setText(QString::number(m_viewportYear));
    m_yearLabel->paint(&p, event->rect());
    drawScrollers(p);

    const int v = verticalScrollBar()->value();
    p.setWindow(viewport()->rect().translated(0, v));
    m_calendar->paint(&p, event->rect().translated(0, v));
}

void CalendarView::drawScrollers(QPainter &painter)
{
    const QBrush brush = painter.brush();
    const QPen pen = painter.pen();
    painter.setPen(Qt::NoPen);
    const bool upActive = m_scroller.active && m_scroller.up;
    const bool downActive = m_scroller.active && !m_scroller.up;
    const QColor text = viewport()->palette().color(QPalette::Text);
    painter.setBrush(translucent(text, upActive ? 40 : 20));
    drawTriangle(painter, m_scrollerRects.up, true);
    painter.setBrush(translucent(text, downActive ? 40 : 20));
    drawTriangle(painter, m_scrollerRects.down, false);
    painter.setBrush(brush);
    painter.setPen(pen);
}

void CalendarView::drawTriangle(QPainter &painter, const QRect &rect, bool up)
{
    const int x = rect.x();
    const int y = rect.y();
    const int w = rect.width();
    const int h = rect.height();
    const QPolygon triangle(
        {QPoint(x + w / 2, up ? y : y + h), QPoint(x, up ? y + h : y), QPoint(x + w, up ? y + h : y)});
    painter.drawPolygon(triangle, Qt::OddEvenFill);
}

void CalendarView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const QPoint globalPos = event->globalPosition().toPoint();
    GraphicItem *item = itemAt(pos);
    if (!item) {
        if (event->button() == Qt::RightButton)
            emit emptyAreaContextMenu(globalPos);
    } else if (event->button() == Qt::LeftButton) {
        if (item->type() == DayType)
            setSelectedDate(static_cast<DayItem *>(item)->date(), false);
        m_drag.press(pos.y());
    } else if (item->type() == DayType) {
        emit dayContextMenu(globalPos, static_cast<DayItem *>(item)->date());
    } else if (item->type() == MonthType) {
        auto *month = static_cast<MonthItem *>(item);
        emit monthContextMenu(globalPos, month->year(), month->month());
    } else if (item->type() == YearType) {
        emit yearContextMenu(globalPos, static_cast<YearItem *>(item)->year());
    }
    QAbstractScrollArea::mousePressEvent(event);
    // The view answers every press itself; none goes on to the window behind it.
    event->accept();
}

void CalendarView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    QDate old = m_hoverDate;
    if (GraphicItem *item = itemAt(pos)) {
        if (item->type() == DayType) {
            const QDate date = static_cast<DayItem *>(item)->date();
            if (date != m_hoverDate)
                m_hoverDate = date;
            else
                old = QDate();
            setDayFlag(m_hoverDate, HoveredFlag);
        } else {
            m_hoverDate = QDate();
        }
    }
    if (old.isValid())
        clearDayFlag(old, HoveredFlag);

    QAbstractScrollArea::mouseMoveEvent(event);

    bool started = false;
    const int delta = m_drag.move(pos.y(), &started);
    if (started)
        viewport()->setCursor(Qt::ClosedHandCursor);
    if (delta != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + delta);

    const bool inZone = m_scrollerRects.up.contains(pos) || m_scrollerRects.down.contains(pos);
    if (!inZone) {
        m_startScrollTimer.stop();
        if (m_scroller.active)
            stopScroll();
    } else if (!m_scroller.active) {
        m_scroller.up = m_scrollerRects.up.contains(pos);
        m_startScrollTimer.start();
    }
}

void CalendarView::mouseReleaseEvent(QMouseEvent *)
{
    if (m_drag.release())
        viewport()->setCursor(Qt::ArrowCursor);
}

void CalendarView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        GraphicItem *item = itemAt(event->position().toPoint());
        if (!item) {
            emit emptyAreaDoubleClicked(event->position().toPoint());
        } else if (item->type() == DayType) {
            emit dayDoubleClicked(static_cast<DayItem *>(item)->date());
        } else if (item->type() == MonthType) {
            auto *month = static_cast<MonthItem *>(item);
            emit monthDoubleClicked(month->year(), month->month());
        } else if (item->type() == YearType) {
            emit yearDoubleClicked(static_cast<YearItem *>(item)->year());
        }
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
    event->accept();
}

void CalendarView::keyPressEvent(QKeyEvent *event)
{
    QAbstractScrollArea::keyPressEvent(event);
}

void CalendarView::leaveEvent(QEvent *event)
{
    if (m_scroller.active)
        stopScroll();
    m_startScrollTimer.stop();
    QAbstractScrollArea::leaveEvent(event);
}

void CalendarView::startScroll()
{
    m_scroller.start();
    m_scrollTimer.start();
    viewport()->update(m_scrollerRects.up);
    viewport()->update(m_scrollerRects.down);
}

void CalendarView::stopScroll()
{
    m_scrollTimer.stop();
    m_scroller.stop();
    viewport()->update(m_scrollerRects.up);
    viewport()->update(m_scrollerRects.down);
}

void CalendarView::autoScroll()
{
    QScrollBar *bar = verticalScrollBar();
    int value = 0;
    if (m_scroller.tick(bar->value(), bar->minimum(), bar->maximum(), &value))
        bar->setValue(value);
    else
        stopScroll();
}

void CalendarView::setSelectedDate(const QDate &date, bool scroll)
{
    if (!date.isValid() || !isYearInRange(date.year(), Common::Clock::today().year()))
        return;
    if (m_selectedDate.isValid())
        clearDayFlag(m_selectedDate, SelectedFlag);
    m_selectedDate = date;
    setDayFlag(date, SelectedFlag);
    emit selectionChanged(date);
    if (scroll)
        ensureDateVisible(date);
    if (DayItem *item = dayItem(date))
        updateItem(item);
}

bool CalendarView::ensureDateVisible(const QDate &date)
{
    // Before the first show, today is where the view opens anyway: at the top of its month.
    if (!m_laidOut && date == Common::Clock::today() && m_scrollTarget.valid)
        return true;
    if (std::abs(m_calendar->currentYear() - date.year()) < 2) {
        scrollToDay(date, true);
        return true;
    }
    if (!setCurrentYear(date.year()))
        return false;
    m_scrollTarget = {date.year(), date.month(), date.day(), true, true};
    return true;
}

bool CalendarView::setCurrentYear(int year)
{
    if (!isYearInRange(year, Common::Clock::today().year()))
        return false;
    while (m_calendar->currentYear() != year) {
        const bool stepped = year < m_calendar->currentYear() ? m_calendar->stepUp() : m_calendar->stepDown();
        if (!stepped)
            break;
    }
    m_scrollTarget = {year, 0, 0, true, false};
    scheduleRebuild();
    // The stack stops a hundred years from where it began; a year beyond that cannot be shown.
    return m_calendar->contains(year);
}

void CalendarView::scrollToItem(const GraphicItem *item, bool center)
{
    if (!item)
        return;
    verticalScrollBar()->setValue(scrollValueForItem(item->pos().y(), viewport()->height(), center));
}

void CalendarView::scrollToDay(const QDate &date, bool center)
{
    if (!date.isValid() || !m_calendar->contains(date.year()))
        return;
    if (isVisible() && !isRebuildPending())
        scrollToItem(dayItem(date), center);
    else
        m_scrollTarget = {date.year(), date.month(), date.day(), true, center};
}

void CalendarView::scrollToCurrentDay(bool center)
{
    scrollToDay(Common::Clock::today(), center);
}

void CalendarView::scrollToMonth(int year, int month, bool center)
{
    QR_ASSERT(month > 0 && month < 13);
    if (month < 1 || month > 12 || !m_calendar->contains(year))
        return;
    if (isVisible() && !isRebuildPending())
        scrollToItem(m_calendar->year(year)->month(month), center);
    else
        m_scrollTarget = {year, month, 0, true, center};
}

void CalendarView::scrollToCurrentMonth(bool center)
{
    const QDate today = Common::Clock::today();
    scrollToMonth(today.year(), today.month(), center);
}

void CalendarView::scrollToYear(int year)
{
    if (!m_calendar->contains(year))
        return;
    if (isVisible() && !isRebuildPending())
        scrollToItem(m_calendar->year(year), false);
    else
        m_scrollTarget = {year, 0, 0, true, false};
}

DayItem *CalendarView::dayItem(const QDate &date) const
{
    return m_calendar ? m_calendar->dayItem(date) : nullptr;
}

void CalendarView::updateItem(const GraphicItem *item)
{
    if (!QR_CHECK(item) || m_updatesLocked)
        return;
    viewport()->update(item->rect().translated(0, -verticalScrollBar()->value()));
}

void CalendarView::setDayFlag(const QDate &date, int flag)
{
    if (DayItem *item = dayItem(date)) {
        item->setFlag(flag);
        updateItem(item);
    }
    m_dayStates[date].flags |= flag;
}

void CalendarView::clearDayFlag(const QDate &date, int flag)
{
    if (DayItem *item = dayItem(date)) {
        item->clearFlag(flag);
        updateItem(item);
    }
    m_dayStates[date].flags &= ~flag;
}

void CalendarView::updateToday()
{
    if (m_today.isValid())
        clearDayFlag(m_today, TodayFlag);
    m_today = Common::Clock::today();
    setDayFlag(m_today, TodayFlag);
}

int CalendarView::addStatusPixmap(const QPixmap &pixmap)
{
    return DayItem::addStatusPixmap(pixmap);
}

void CalendarView::setDayStatus(const QDate &date, int status)
{
    auto it = m_dayStates.find(date);
    if (it != m_dayStates.end() && it->status == status)
        return;
    if (DayItem *item = dayItem(date)) {
        item->setStatusPixmapIndex(status);
        updateItem(item);
    }
    m_dayStates[date].status = status;
}

void CalendarView::clearDayStatus(const QDate &date)
{
    setDayStatus(date, -1);
}

void CalendarView::setStatus(const QSet<QDate> &dates, int status)
{
    clearStatus(status);
    for (const QDate &date : dates)
        setDayStatus(date, status);
    endUpdate();
}

void CalendarView::clearStatus(int status)
{
    for (DayState &state : m_dayStates) {
        if (status == -1 || state.status == status)
            state.status = -1;
    }
    updateFromCache();
    if (!m_updatesLocked)
        viewport()->update();
}

void CalendarView::beginUpdate()
{
    m_updatesLocked = true;
}

void CalendarView::endUpdate()
{
    m_updatesLocked = false;
    viewport()->update();
}

QColor CalendarView::dayColor(const QDate &date) const
{
    return m_dayStates.value(date).color;
}

void CalendarView::setDayColor(const QDate &date, const QColor &color)
{
    auto it = m_dayStates.find(date);
    if (it != m_dayStates.end() && it->color == color)
        return;
    if (DayItem *item = dayItem(date)) {
        item->setColor(color);
        updateItem(item);
    }
    m_dayStates[date].color = color;
}

void CalendarView::clearDayColor(const QDate &date)
{
    if (m_dayStates.contains(date))
        setDayColor(date, QColor());
}

void CalendarView::clearDayColors()
{
    const QList<QDate> dates = m_dayStates.keys();
    for (const QDate &date : dates)
        clearDayColor(date);
}

void CalendarView::updateFromCache()
{
    if (!m_calendar)
        return;
    for (auto it = m_dayStates.cbegin(); it != m_dayStates.cend(); ++it) {
        if (!m_calendar->contains(it.key().year()))
            continue;
        DayItem *item = dayItem(it.key());
        if (!QR_CHECK(item))
            continue;
        item->setFlag(it->flags);
        item->setColor(it->color);
        item->setStatusPixmapIndex(it->status);
    }
}
