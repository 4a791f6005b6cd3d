#pragma once

#include "events/system/openurlevent.h"

// Running-line notice of a newer program version; also keeps the version the user declined.
class UpdateEvent : public OpenUrlEvent
{
    Q_OBJECT
public:
    UpdateEvent(QObject *parent, const QString &version, const QString &url);

    QList<QAction *> contextMenuActions() const override;

    QString version() const { return m_version; }

    static QString dontRemindVersion();
    static void setDontRemindVersion(const QString &version);

signals:
    void hideMe(const QByteArray &id);

public slots:
    void onDontRemind();
    void onHide();

private:
    QString m_version;
    QAction *m_hideAction;
    QAction *m_dontRemindAction;
};
