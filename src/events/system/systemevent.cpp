#include "events/system/systemevent.h"

#include <QUuid>

SystemEvent::SystemEvent(QObject *parent, int kind, int replaceKey)
    : QObject(parent), m_kind(kind), m_id(QUuid::createUuid().toString().toLatin1()), m_replaceKey(replaceKey)
{
}

QString SystemEvent::text(bool) const
{
    return QString();
}

bool SystemEvent::isExpired(int) const
{
    return false;
}

QByteArray SystemEvent::id() const
{
    return m_id;
}

QList<QAction *> SystemEvent::contextMenuActions() const
{
    return {};
}

QAction *SystemEvent::action() const
{
    return nullptr;
}

QAction *SystemEvent::doubleClickAction() const
{
    return nullptr;
}

int SystemEvent::replaceKey() const
{
    return m_replaceKey;
}

TextEvent::TextEvent(QObject *parent, const QString &text, int replaceKey)
    : SystemEvent(parent, PlainTextKind, replaceKey), m_text(text)
{
}

QString TextEvent::text(bool) const
{
    return m_text;
}
