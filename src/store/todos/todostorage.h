#pragma once

#include "core/datafileguard.h"
#include "store/eventmanagertemplate.h"
#include "store/todos/todorecord.h"

#include <QObject>
#include <QVariantMap>

// The to-dos of one gadget, in order; passes every change of a record or of the list on as signals.
class ToDoStorage : public QObject, public EventManagerTemplate<IToDoRecordPtr>
{
    Q_OBJECT

public:
    ToDoStorage();
    ~ToDoStorage() override;

    QVariantMap objectToMap() const;
    // False, with `problem` set, when the map was not read whole: of a newer version or of a shape this one
    // does not know. Records are taken as far as they can be read; values beside the list are kept.
    bool objectFromMap(QVariantMap map, Common::DataFileGuard::Problem *problem = nullptr);

    void addEvent(IToDoRecordPtr event) override;
    void insertEvent(int index, IToDoRecordPtr event) override;
    void removeEvent(IToDoRecordPtr event) override;
    void move(int index, int delta) override;
    void clear();

signals:
    void todoTextChanged(int index);
    void todoDoneChanged(int index);
    void todoChanged(int index);
    void todoAboutToBeAdded(int index);
    void todoAdded();
    void todoAboutToBeRemove(int index);
    void todoRemoved();
    void todoAboutToBeMoved(int index, int step);
    void todoMoved();
    void allDataChanged();
    void somethingChanged();

private slots:
    void onTextChanged();
    void onDoneChanged();
    void onEventChanged();

private:
    void connectToEvent(const IToDoRecordPtr &event);
    void disconnectFromEvent(const IToDoRecordPtr &event);
    // Empties the list and disconnects the records it held.
    void dropAll();
    int findEventBySender(QObject *sender) const;

    QVariantMap m_otherValues;
};
