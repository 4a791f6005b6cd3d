#include "app/traymenu.h"

#include "app/application.h"

#include <QCoreApplication>

namespace TrayMenu {

QList<Entry> entries()
{
    const QString icons = QStringLiteral(":/Ostrevalder/icons/");
    return {
        {Shared, QT_TRANSLATE_NOOP("Application", "&Events editor"), icons + QStringLiteral("table.png"),
         [](Application &app) { app.showEditor(); }, &SharedActions::eventsEditor},
        {Separator, nullptr, QString(), nullptr, nullptr},
        {BarAction, nullptr, icons + QStringLiteral("creepingline16.png"),
         [](Application &app) { app.showHideCreepingLine(); }},
        {Shared, QT_TRANSLATE_NOOP("Application", "&New To-Do Gadget"), icons + QStringLiteral("todo_blue.png"),
         [](Application &app) { app.newTodoGadget(); }, &SharedActions::newToDoGadget},
        {Separator, nullptr, QString(), nullptr, nullptr},
        {Shared, QT_TRANSLATE_NOOP("Application", "&Settings"), icons + QStringLiteral("settings_16.png"),
         [](Application &app) { app.showSettings(); }, &SharedActions::settings},
        {Separator, nullptr, QString(), nullptr, nullptr},
        {Plain, QT_TRANSLATE_NOOP("Application", "Request a &feature"), icons + QStringLiteral("star.png"),
         [](Application &app) { app.showRequestFeatureDialog(); }},
        {Plain, QT_TRANSLATE_NOOP("Application", "&Report a bug"), icons + QStringLiteral("bug.png"),
         [](Application &app) { app.showReportBugDialog(); }},
        {Separator, nullptr, QString(), nullptr, nullptr},
        {UpdateAction, nullptr, QString(), [](Application &app) { app.showUpdateDialog(); }},
        {Plain, QT_TRANSLATE_NOOP("Application", "&About..."), QString(),
         [](Application &app) { app.showAboutDialog(); }},
        {Separator, nullptr, QString(), nullptr, nullptr},
        {Plain, QT_TRANSLATE_NOOP("Application", "E&xit"), QString(), [](Application &app) { app.exitApp(); }},
    };
}

QString barText(bool shown)
{
    return shown ? QCoreApplication::translate("Application", "Hide &Creeping Line")
                 : QCoreApplication::translate("Application", "Show &Creeping Line");
}

QString updateText(const QString &applicationName)
{
    return QCoreApplication::translate("Application", "New &version of %1 is available.").arg(applicationName);
}

} // namespace TrayMenu
