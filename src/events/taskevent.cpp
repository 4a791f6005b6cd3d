#include "events/taskevent.h"

#include "core/log.h"
#include "events/eventkinds.h"
#include "events/eventresources.h"

#include <QAction>
#include <QCoreApplication>

CustomTypeMetaInfo TaskEvent::typeMetaInfo()
{
    return EventKinds::fieldTable(EventTypeTask);
}

TaskEvent::TaskEvent(const QByteArray &id) : AbstractCommonEvent(EventTypeTask, id) {}

bool TaskEvent::markAsCompletedRequired() const
{
    const CustomTypeInfo &info = customTypeMetaInfo();
    if (!info.isValid())
        return true;
    return info.parameters.value("markAsCompletedRequiredField").toBool();
}

Period TaskEvent::nextPeriod() const
{
    // A task that must be marked completed keeps its date until it is.
    if (markAsCompletedRequired())
        return period();
    return AbstractCommonEvent::nextPeriod();
}

QString TaskEvent::formattedDays(int days)
{
    if (days < 0)
        return QString();
    return AbstractCommonEvent::formattedDays(days);
}

QList<QAction *> TaskEvent::contextMenuActions() const
{
    if (!markAsCompletedRequired())
        return {};
    static const QString s_markText = tr("Mark as Completed");
    static const QString s_removeText = s_markText + QLatin1Char(' ') + tr("and Remove");
    if (!m_markAsDoneAction) {
        auto *self = const_cast<TaskEvent *>(this);
        initEventResources();
        m_markAsDoneAction = new QAction(self);
        m_markAsDoneAction->setIcon(QIcon(QStringLiteral(":/Ostrevalder/icons/done.png")));
        const bool connected = connect(m_markAsDoneAction, &QAction::triggered, self, &TaskEvent::markDone);
        QR_ASSERT(connected);
    }
    m_markAsDoneAction->setText(occurrence().type() == IOccurrence::Once ? s_removeText : s_markText);
    return {m_markAsDoneAction};
}

void TaskEvent::markDone()
{
    QR_ASSERT(markAsCompletedRequired());
    QDate current = nextPeriod().beginDate();
    if (!current.isValid())
        current = period().beginDate();
    const QDate next = nextDate(current.addDays(1));
    if (!next.isValid()) {
        requestRemoval();
        return;
    }
    const Period &p = period();
    const qint64 length = p.lengthInDays();
    // A span that ended on its begin day (times from an import) becomes that single day.
    if (p.hasNoEnd() || length < 1)
        setPeriod(Period(next));
    else
        setPeriod(Period(next, next.addDays(length)));
}

void TaskEvent::infoRows(QStringList &names, QStringList &values, bool withoutDate) const
{
    appendWhenRows(names, values, withoutDate);
    appendCommentRow(names, values, true);
}
