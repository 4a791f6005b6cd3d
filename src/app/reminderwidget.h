#pragma once

#include "events/abstractcommonevent.h"

#include <QFrame>
#include <QList>

#include <memory>

namespace Ui {
class Reminder;
}

// The window that says an event's reminder time has come: the event's text, picture and
// information, its sound, and a snooze for some minutes. One window per event; several cascade.
class ReminderWidget : public QFrame
{
    Q_OBJECT

public:
    explicit ReminderWidget(const AbstractCommonEventPtr &event);
    ~ReminderWidget() override;

    // Opens the event's window and plays its sound, or only brings an open one to the front; either
    // way without taking the keyboard from the window in use.
    static void showReminder(const AbstractCommonEventPtr &event);
    // The open windows, oldest first.
    static QList<ReminderWidget *> widgets();

    AbstractCommonEventPtr event() const { return m_event; }

    // How long after the last window has gone the memory of the burst is given back.
    static constexpr int kReleaseDelayMs = 300;
    // From this many windows open at once, the release also drops the style tables they grew.
    static constexpr int kManyWindows = 50;

    // An information value as the window shows it: escaped, with its links, its line breaks kept, and
    // no line ever broken inside an address.
    static QString infoHtml(const QString &value);

public slots:
    void snooze();

protected:
    // The event handler stays reachable beside the event() accessor.
    using QFrame::event;
    void changeEvent(QEvent *event) override;

private:
    void setupEvent();
    void placeWindow();
    // A window whose event was deleted closes.
    void closeIfEventGone();

    std::unique_ptr<Ui::Reminder> m_ui;
    AbstractCommonEventPtr m_event;
    bool m_textWasCached = false; // else the window made the event's texts, which go with it
    bool m_holdsCaret = false;
};
