#pragma once

#include "widgets/sharedactions.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Application;

// The tray menu's entries in their order; a separator is an entry without text and command.
namespace TrayMenu {

// A Shared entry is the action the application makes once from it and hands to the other windows too.
enum Role { Plain, Shared, BarAction, UpdateAction, Separator };

struct Entry
{
    Role role = Plain;
    const char *text = nullptr;               // source text, translated in the context "Application"
    QString icon;                             // resource path; empty for none
    void (*command)(Application &) = nullptr; // run, queued, when the entry is chosen
    QPointer<QAction> SharedActions::*shared = nullptr;
};

QList<Entry> entries();
// Texts of the entries that change: the bar's switch and the update notice.
QString barText(bool shown);
QString updateText(const QString &applicationName);

} // namespace TrayMenu
