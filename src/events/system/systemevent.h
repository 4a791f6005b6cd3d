#pragma once

#include "events/system/isystemevent.h"

#include <QObject>

#include <memory>

// Base of the running-line entries the program makes itself; they carry no date and never expire.
class SystemEvent : public QObject, public ISystemEvent
{
    Q_OBJECT
public:
    enum Kind { NewVersionKind = 1, ServerMessageKind = 2, PlainTextKind = 3 };

    SystemEvent(QObject *parent, int kind, int replaceKey);

    QString text(bool withWhen) const override;
    bool isExpired(int days) const override;
    QByteArray id() const override;
    QList<QAction *> contextMenuActions() const override;

    QAction *action() const override;
    QAction *doubleClickAction() const override;
    int replaceKey() const override;

    int kind() const { return m_kind; }

private:
    int m_kind;
    QByteArray m_id;
    int m_replaceKey;
};

using SystemEventPtr = std::shared_ptr<SystemEvent>;

// A plain information line of the running line.
class TextEvent : public SystemEvent
{
    Q_OBJECT
public:
    TextEvent(QObject *parent, const QString &text, int replaceKey);

    QString text(bool withWhen) const override;

private:
    QString m_text;
};
