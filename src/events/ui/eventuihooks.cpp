#include "events/ui/eventuihooks.h"

#include "events/abstractcommonevent.h"
#include "widgets/delayeduserinfo.h"

void installEventUiHooks()
{
    AbstractCommonEvent::setUserErrorHandler([](const QString &title, const QString &text) {
        // Deletes itself after the box is closed.
        new DelayedUserInfo(QMessageBox::Warning, title, text);
    });
}
