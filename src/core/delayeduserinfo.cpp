#include "core/delayeduserinfo.h"

#include "core/log.h"

DelayedUserInfo::DelayedUserInfo(Common::UserMessages::Icon icon, const QString &title, const QString &text)
    : m_icon(icon), m_title(title), m_text(text)
{
    const bool queued = QMetaObject::invokeMethod(this, "show", Qt::QueuedConnection);
    QR_ASSERT(queued);
}

void DelayedUserInfo::show()
{
    // No buttons given: the box brings its own OK.
    Common::UserMessages::ask({m_icon, m_title, m_text, Common::UserMessages::NoButton});
    deleteLater();
}
