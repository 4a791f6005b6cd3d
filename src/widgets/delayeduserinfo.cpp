#include "widgets/delayeduserinfo.h"

#include "core/log.h"

namespace DelayedUserInfoPrivate {

DelayedUserInfo::ShowFunction &showFunction()
{
    static DelayedUserInfo::ShowFunction s_function;
    return s_function;
}

} // namespace DelayedUserInfoPrivate

DelayedUserInfo::DelayedUserInfo(QMessageBox::Icon icon, const QString &title, const QString &text)
    : m_icon(icon), m_title(title), m_text(text)
{
    QMetaObject::invokeMethod(this, &DelayedUserInfo::show, Qt::QueuedConnection);
}

void DelayedUserInfo::setShowFunction(ShowFunction function)
{
    DelayedUserInfoPrivate::showFunction() = std::move(function);
}

void DelayedUserInfo::show()
{
    if (DelayedUserInfoPrivate::showFunction()) {
        DelayedUserInfoPrivate::showFunction()(m_icon, m_title, m_text);
    } else {
        QMessageBox box(m_icon, m_title, m_text);
        box.exec();
    }
    deleteLater();
}
