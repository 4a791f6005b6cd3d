#pragma once

#include "events/system/systemevent.h"

#include <QUrl>

#include <functional>

class QAction;

// A running-line message whose click opens a web address, such as the server's news.
class OpenUrlEvent : public SystemEvent
{
    Q_OBJECT
public:
    OpenUrlEvent(QObject *parent, const QString &text, const QString &url, int kind);

    QString text(bool withWhen) const override;
    QList<QAction *> contextMenuActions() const override;
    QAction *action() const override;

    QString url() const { return m_url; }

    // Only web pages are opened: the address comes from a server over plain HTTP.
    static bool isOpenableUrl(const QUrl &url);
    // Opens a web page from the server in the browser; any other address is refused and logged.
    static bool openWebPage(const QString &url);
    // Tests replace the desktop's browser launcher; an empty function restores it.
    using UrlOpener = std::function<bool(const QUrl &)>;
    static void setUrlOpener(UrlOpener opener);

public slots:
    void openUrl();

private:
    QAction *m_action;
    QString m_text;
    QString m_url;
};
