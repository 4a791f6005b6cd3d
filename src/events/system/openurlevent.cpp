#include "events/system/openurlevent.h"

#include "core/log.h"

#include <QAction>
#include <QDesktopServices>

namespace OpenUrlEventPrivate {
OpenUrlEvent::UrlOpener &opener()
{
    static OpenUrlEvent::UrlOpener s_opener;
    return s_opener;
}
} // namespace OpenUrlEventPrivate

OpenUrlEvent::OpenUrlEvent(QObject *parent, const QString &text, const QString &url, int kind)
    : SystemEvent(parent, kind, -1), m_action(new QAction(this)), m_text(text), m_url(url)
{
    const bool connected = connect(m_action, &QAction::triggered, this, &OpenUrlEvent::openUrl);
    QR_ASSERT(connected);
    m_action->setText(tr("Open URL"));
}

QString OpenUrlEvent::text(bool) const
{
    return m_text;
}

QList<QAction *> OpenUrlEvent::contextMenuActions() const
{
    if (QAction *a = action())
        return {a};
    return {};
}

QAction *OpenUrlEvent::action() const
{
    return m_url.isEmpty() ? nullptr : m_action;
}

bool OpenUrlEvent::isOpenableUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void OpenUrlEvent::setUrlOpener(UrlOpener opener)
{
    OpenUrlEventPrivate::opener() = std::move(opener);
}

bool OpenUrlEvent::openWebPage(const QString &address)
{
    const QUrl url(address);
    if (!isOpenableUrl(url)) {
        QR_LOG("Refused to open an address that is not a web page: " + address.toUtf8());
        return false;
    }
    if (OpenUrlEventPrivate::opener())
        return OpenUrlEventPrivate::opener()(url);
    return QDesktopServices::openUrl(url);
}

void OpenUrlEvent::openUrl()
{
    openWebPage(m_url);
}
