#pragma once

#include "core/usermessages.h"

#include <QObject>
#include <QString>

// Tells the user later, from the event loop, through the program's one message sink: work that finds a
// problem half way (an event composing its text, a file being read) neither waits on a message box nor
// runs again inside the box's loop. Create it with new and forget it; it goes once it has told.
class DelayedUserInfo : public QObject
{
    Q_OBJECT

public:
    DelayedUserInfo(Common::UserMessages::Icon icon, const QString &title, const QString &text);

public slots:
    void show();

private:
    Common::UserMessages::Icon m_icon;
    QString m_title;
    QString m_text;
};
