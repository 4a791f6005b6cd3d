#include "editor/eventstablemodel.h"

#include "core/applocale.h"
#include "core/clock.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "events/abstractcommonevent.h"
#include "events/eventsfactory.h"

#include <QFont>
#include <QIcon>
#include <QLocale>

namespace {

QString appTimeFormat()
{
    IApplication *app = IApplication::instance();
    return app ? app->timeFormat() : QStringLiteral("h:mm");
}

const QIcon &columnZeroIcon(bool recurring)
{
    static const QIcon once(QStringLiteral(":/Ostrevalder/icons/empty10.png"));
    static const QIcon recur(QStringLiteral(":/Ostrevalder/icons/recur.png"));
    return recurring ? recur : once;
}

bool isOnce(const AbstractCommonEvent &event)
{
    return event.occurrence().type() == IOccurrence::Once;
}

} // namespace

EventsTableModel::EventsTableModel(EventsManager *manager, QObject *parent) : EventsModel(manager, parent)
{
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, &EventsTableModel::clearCache);
    // Connected first: the proxies above read the changed rows again when they hear of them.
    connect(this, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int end = qMin((bottomRight.row() + 1) * ColumnCount, int(m_sortCached.size()));
                for (int slot = qMax(0, topLeft.row()) * ColumnCount; slot < end; ++slot)
                    m_sortCached[slot] = false;
            });
    // Rows come and go one at a time: the kept sort values move with them.
    connect(this, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        const int width = (last - first + 1) * ColumnCount;
        if (m_sortCache.size() == rowCount() * ColumnCount - width) {
            m_sortCache.insert(first * ColumnCount, width, QVariant());
            m_sortCached.insert(first * ColumnCount, width, false);
        }
    });
    connect(this, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        const int width = (last - first + 1) * ColumnCount;
        if (m_sortCache.size() == rowCount() * ColumnCount + width) {
            m_sortCache.remove(first * ColumnCount, width);
            m_sortCached.remove(first * ColumnCount, width);
        }
    });
    setChangesByRow(true);
}

int EventsTableModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QModelIndex EventsTableModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rows() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column);
}

QString EventsTableModel::captionText(const AbstractCommonEvent &event)
{
    const Period &period = event.period();
    if (period.hasNoEnd() || event.isExpired(0))
        return event.caption();
    const QDate base = isOnce(event) ? period.beginDate() : event.nextDate(Common::Clock::today());
    if (!base.isValid())
        return event.caption();
    const QDate end = base.addDays(period.lengthInDays());
    QString endText;
    if (!period.hasTime() || period.endDate() != period.beginDate())
        endText = QLocale::system().toString(end, QLocale::ShortFormat);
    else
        endText = tr("at ") + period.endTime().toString(appTimeFormat());
    return event.caption() + tr(" (%1 %2)").arg(tr("ends"), endText);
}

QVariant EventsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role >= NextDateRole && role != SortRole)
        return EventsModel::data(index, role);
    const AbstractCommonEvent *event = eventAt(index.row());
    if (!QR_CHECK(event))
        return QVariant();
    const int column = index.column();

    if (role == SortRole) {
        const int slot = index.row() * ColumnCount + column;
        if (m_sortCache.size() != rowCount() * ColumnCount) {
            m_sortCache = QVector<QVariant>(rowCount() * ColumnCount);
            m_sortCached = QVector<bool>(rowCount() * ColumnCount, false);
        }
        if (!m_sortCached.at(slot)) {
            m_sortCache[slot] = sortOrDisplay(*event, column, role);
            m_sortCached[slot] = true;
        }
        return m_sortCache.at(slot);
    }
    if (role == Qt::DisplayRole)
        return sortOrDisplay(*event, column, role);
    return decorationAndLook(*event, column, role);
}

QVariant EventsTableModel::sortOrDisplay(const AbstractCommonEvent &ev, int column, int role) const
{
    const AbstractCommonEvent *event = &ev;
    {
        switch (column) {
        case DateColumn:
            return event->nextPeriod().beginDate();
        case TypeColumn:
            return role == SortRole ? QVariant(event->typeName()) : QVariant();
        case DaysColumn: {
            const QDate begin = isOnce(*event) ? event->period().beginDate() : event->nextPeriod().beginDate();
            if (!begin.isValid())
                return QVariant();
            const int days = int(Common::Clock::today().daysTo(begin));
            if (role != SortRole)
                return days;
            // Within one day: all-day events first, then by their time; the whole part stays the day.
            const Period &period = event->period();
            const double withinDay =
                period.hasTime() ? (period.beginTime().msecsSinceStartOfDay() + 1) / (86400000.0 + 2) : 0.0;
            return days + withinDay;
        }
        case TimeColumn:
            if (!event->period().hasTime())
                return QVariant();
            return event->period().beginTime().toString(appTimeFormat());
        case CaptionColumn:
            return captionText(*event);
        case CommentColumn:
            return event->comment();
        default:
            return QVariant();
        }
    }
}

QVariant EventsTableModel::decorationAndLook(const AbstractCommonEvent &ev, int column, int role) const
{
    const AbstractCommonEvent *event = &ev;
    if (role == Qt::DecorationRole) {
        if (column == TypeColumn) {
            const CustomTypeInfo &info = event->customTypeMetaInfo();
            return info.isValid() ? EventsFactory::customTypeIcon(info) : EventsFactory::eventIcon(event->type());
        }
        if (column == DateColumn)
            return columnZeroIcon(!isOnce(*event));
        return QVariant();
    }
    if (role == Qt::ToolTipRole) {
        if (column == DateColumn && !isOnce(*event))
            return event->occurrence().description();
        return QVariant();
    }
    if (role == Qt::FontRole) {
        if (!event->isExpired(0))
            return QVariant();
        QFont font;
        font.setItalic(true);
        return font;
    }
    if (role == Qt::ForegroundRole)
        return event->isExpired(0) ? QVariant(QColor(Qt::gray)) : QVariant();
    if (role == Qt::TextAlignmentRole && column == DaysColumn)
        return int(Qt::AlignHCenter | Qt::AlignVCenter);
    return QVariant();
}

QVariant EventsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case DateColumn:
        return tr("Date");
    case DaysColumn:
        return tr("Days");
    case TypeColumn:
        return QString();
    case TimeColumn:
        return tr("Time");
    case CaptionColumn:
        return tr("Caption");
    case CommentColumn:
        return tr("Comment");
    default:
        return QVariant();
    }
}
