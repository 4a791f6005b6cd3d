#pragma once

#include <QAction>
#include <QPointer>

// The commands the tray, the events editor and the bar all offer: made once by the application and
// handed to each, so that every window shows the same action. A window given none leaves its entry out.
struct SharedActions
{
    QPointer<QAction> newToDoGadget;
    QPointer<QAction> eventsEditor;
    QPointer<QAction> settings;
};
