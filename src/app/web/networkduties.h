#pragma once

#include "app/web/webcontroller.h"

#include <QMap>
#include <QObject>

// What the program does with the web server whenever it can be reached: asks for a newer version and
// the server's messages until their replies came once, and uploads the statistics and the settings and
// asks for translation updates once per run. Turns the replies into the update notice and bar messages.
class NetworkDuties : public QObject
{
    Q_OBJECT

public:
    enum Duty { UpdateCheck = 0, Messages = 1, Statistics = 2, Settings = 3, Translations = 4 };

    // Listens to the controller for the rest of its life; every connection is made here, once.
    explicit NetworkDuties(WebController *web, QObject *parent = nullptr);

    bool isDone(Duty duty) const { return m_done.value(duty, false); }

public slots:
    void onNetworkStateChanged(bool connected);
    void performNetworkOperations();
    void checkForUpdate();
    void downloadSystemMessages();
    void onLastVersionReply(LastVersionInfo info);
    void onSystemMessagesReply(QList<SystemMessageInfo> messages);
    void downloadTranslation(QString url, QString md5);

signals:
    // A newer version than the running one is offered, and the user did not decline it.
    void newVersionAvailable();

private:
    WebController *m_web;
    QMap<int, bool> m_done;
};
