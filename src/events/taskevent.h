#pragma once

#include "events/abstractcommonevent.h"

class QAction;

// Something to be done on a date; it stays due until marked completed, which moves it onto its
// next occurrence or, when none follows, asks its holder to remove it.
class TaskEvent : public AbstractCommonEvent
{
    Q_OBJECT
public:
    explicit TaskEvent(const QByteArray &id = QByteArray());

    // The fields a custom type of this kind may set, with their names and start values; made anew each call.
    static CustomTypeMetaInfo typeMetaInfo();

    Period nextPeriod() const override;
    QList<QAction *> contextMenuActions() const override;

    QString formattedDays(int days) override;
    void infoRows(QStringList &names, QStringList &values, bool withoutDate) const override;

    bool markAsCompletedRequired() const;

public slots:
    void markDone();

private:
    mutable QAction *m_markAsDoneAction = nullptr;
};
