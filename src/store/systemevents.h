#pragma once

#include "events/system/systemevent.h"
#include "store/eventmanagertemplate.h"

#include <QObject>

// The running-line entries the program makes itself, in order. A new entry with a replace key
// other than -1 takes the place of the listed entries that carry the same key.
class SystemEvents : public QObject, public EventManagerTemplate<SystemEventPtr>
{
    Q_OBJECT

public:
    explicit SystemEvents(QObject *parent = nullptr);

    void addEvent(SystemEventPtr event) override;
    void removeEvent(SystemEventPtr event) override;

signals:
    void eventAdded(int index);
    void eventAboutToRemove(int index);
    void eventRemoved();
};
