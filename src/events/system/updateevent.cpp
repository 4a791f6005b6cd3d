#include "events/system/updateevent.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/settingkeys.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

namespace UpdateEventPrivate {
const char *const s_dontRemindKey = Setting::UpdateDontRemindVersion;

QString noticeText(const QString &version)
{
    return QStringLiteral("New version of %1 is available. Click to download %1 %2.")
        .arg(QCoreApplication::applicationName())
        .arg(version);
}
} // namespace UpdateEventPrivate

using namespace UpdateEventPrivate;

UpdateEvent::UpdateEvent(QObject *parent, const QString &version, const QString &url)
    : OpenUrlEvent(parent, noticeText(version), url, NewVersionKind), m_version(version),
      m_hideAction(new QAction(QStringLiteral("Hide"), this)),
      m_dontRemindAction(new QAction(QStringLiteral("Don't remind until next version"), this))
{
    bool connected = connect(m_hideAction, &QAction::triggered, this, &UpdateEvent::onHide);
    QR_ASSERT(connected);
    connected = connect(m_dontRemindAction, &QAction::triggered, this, &UpdateEvent::onDontRemind);
    QR_ASSERT(connected);
}

QList<QAction *> UpdateEvent::contextMenuActions() const
{
    return OpenUrlEvent::contextMenuActions() << m_hideAction << m_dontRemindAction;
}

QString UpdateEvent::dontRemindVersion()
{
    IApplication *app = IApplication::instance();
    if (!QR_CHECK(app && app->settings()))
        return QString();
    return app->settings()->value(QLatin1String(s_dontRemindKey)).toString();
}

void UpdateEvent::setDontRemindVersion(const QString &version)
{
    IApplication *app = IApplication::instance();
    if (!QR_CHECK(app && app->settings()))
        return;
    app->settings()->setValue(QLatin1String(s_dontRemindKey), version);
}

void UpdateEvent::onDontRemind()
{
    setDontRemindVersion(m_version);
    onHide();
}

void UpdateEvent::onHide()
{
    emit hideMe(id());
}
