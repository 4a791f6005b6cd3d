#include "app/traymenu.h"

#include <QCoreApplication>

namespace TrayMenu {

QList<Entry> entries()
{
    const QString icons = QStringLiteral(":/Ostrevalder/icons/");
    return {
        {Plain, QT_TRANSLATE_NOOP("Application", "&Events editor"), icons + QStringLiteral("table.png"), "showEditor()"},
        {Separator, nullptr, QString(), QByteArray()},
        {BarAction, nullptr, icons + QStringLiteral("creepingline16.png"), "showHideCreepingLine()"},
        {Plain, QT_TRANSLATE_NOOP("Application", "&New To-Do Gadget"), icons + QStringLiteral("todo_blue.png"),
         "newTodoGadget()"},
        {Separator, nullptr, QString(), QByteArray()},
        {Plain, QT_TRANSLATE_NOOP("Application", "&Settings"), icons + QStringLiteral("settings_16.png"),
         "showSettings()"},
        {Separator, nullptr, QString(), QByteArray()},
        {Plain, QT_TRANSLATE_NOOP("Application", "Request a &feature"), icons + QStringLiteral("star.png"),
         "showRequestFeatureDialog()"},
        {Plain, QT_TRANSLATE_NOOP("Application", "&Report a bug"), icons + QStringLiteral("bug.png"),
         "showReportBugDialog()"},
        {Separator, nullptr, QString(), QByteArray()},
        {UpdateAction, nullptr, QString(), "showUpdateDialog()"},
        {Plain, QT_TRANSLATE_NOOP("Application", "&About..."), QString(), "showAboutDialog()"},
        {Separator, nullptr, QString(), QByteArray()},
        {Plain, QT_TRANSLATE_NOOP("Application", "E&xit"), QString(), "exitApp()"},
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
