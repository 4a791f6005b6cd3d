#include "store/todos/todostorage.h"

#include "core/log.h"

namespace ToDoStoragePrivate {
const QString s_version = QStringLiteral("version");
const QString s_eventsList = QStringLiteral("eventsList");
} // namespace ToDoStoragePrivate

ToDoStorage::ToDoStorage() = default;

ToDoStorage::~ToDoStorage() = default;

QVariantMap ToDoStorage::objectToMap() const
{
    QVariantList list;
    list.reserve(m_events.count());
    for (const IToDoRecordPtr &record : m_events)
        list.append(record->objectToMap());
    QVariantMap map;
    map.insert(ToDoStoragePrivate::s_eventsList, list);
    map.insert(ToDoStoragePrivate::s_version, 1);
    return map;
}

void ToDoStorage::objectFromMap(QVariantMap map)
{
    using namespace ToDoStoragePrivate;
    dropAll();
    if (!map.isEmpty()) {
        QR_ASSERT(map[s_version].toInt() == 1);
        const QVariantList list = map.value(s_eventsList).toList();
        for (const QVariant &item : list) {
            IToDoRecordPtr record = ToDoRecord::create();
            record->objectFromMap(item);
            connectToEvent(record);
            EventManagerTemplate::addEvent(record);
        }
    }
    emit allDataChanged();
    emit somethingChanged();
}

void ToDoStorage::addEvent(IToDoRecordPtr event)
{
    if (!event || m_events.contains(event)) {
        EventManagerTemplate::addEvent(event); // reports the caller's error
        return;
    }
    emit todoAboutToBeAdded(count());
    EventManagerTemplate::addEvent(event);
    connectToEvent(event);
    emit todoAdded();
    emit somethingChanged();
}

void ToDoStorage::insertEvent(int index, IToDoRecordPtr event)
{
    if (!event || m_events.contains(event) || index < 0 || index > count()) {
        EventManagerTemplate::insertEvent(index, event); // reports the caller's error
        return;
    }
    emit todoAboutToBeAdded(index);
    EventManagerTemplate::insertEvent(index, event);
    connectToEvent(event);
    emit todoAdded();
    emit somethingChanged();
}

void ToDoStorage::removeEvent(IToDoRecordPtr event)
{
    const int index = indexOf(event);
    QR_ASSERT(index != -1);
    if (index == -1) {
        EventManagerTemplate::removeEvent(event); // reports the caller's error, changes nothing
        return;
    }
    emit todoAboutToBeRemove(index);
    disconnectFromEvent(event);
    EventManagerTemplate::removeEvent(event);
    emit todoRemoved();
    emit somethingChanged();
}

void ToDoStorage::move(int index, int delta)
{
    if (index < 0 || index >= count() || index + delta < 0 || index + delta >= count()) {
        EventManagerTemplate::move(index, delta); // reports the caller's error, changes nothing
        return;
    }
    emit todoAboutToBeMoved(index, delta);
    EventManagerTemplate::move(index, delta);
    emit todoMoved();
    emit somethingChanged();
}

void ToDoStorage::clear()
{
    dropAll();
    emit allDataChanged();
    emit somethingChanged();
}

void ToDoStorage::dropAll()
{
    // A dropped record may live on with another holder; its changes are no longer ours.
    for (const IToDoRecordPtr &record : std::as_const(m_events))
        disconnectFromEvent(record);
    EventManagerTemplate::clear();
}

void ToDoStorage::connectToEvent(const IToDoRecordPtr &event)
{
    QObject *object = event->qObject();
    QR_ASSERT(connect(object, SIGNAL(textChanged()), this, SLOT(onTextChanged())));
    QR_ASSERT(connect(object, SIGNAL(doneChanged()), this, SLOT(onDoneChanged())));
    QR_ASSERT(connect(object, SIGNAL(changed()), this, SLOT(onEventChanged())));
}

void ToDoStorage::disconnectFromEvent(const IToDoRecordPtr &event)
{
    QObject *object = event->qObject();
    QR_ASSERT(disconnect(object, SIGNAL(textChanged()), this, SLOT(onTextChanged())));
    QR_ASSERT(disconnect(object, SIGNAL(doneChanged()), this, SLOT(onDoneChanged())));
    QR_ASSERT(disconnect(object, SIGNAL(changed()), this, SLOT(onEventChanged())));
}

int ToDoStorage::findEventBySender(QObject *sender) const
{
    auto *record = qobject_cast<ToDoRecord *>(sender);
    QR_ASSERT(record);
    int index = -1;
    if (record) {
        for (int i = 0; i < m_events.count(); ++i) {
            if (m_events.at(i)->qObject() == record) {
                index = i;
                break;
            }
        }
    }
    QR_ASSERT(index != -1);
    return index;
}

void ToDoStorage::onTextChanged()
{
    const int index = findEventBySender(sender());
    if (index == -1)
        return;
    IToDoRecordPtr record = m_events.at(index);
    if (index != count() - 1 && record->text().isEmpty()) {
        removeEvent(record);
        return;
    }
    emit todoTextChanged(index);
    emit somethingChanged();
}

void ToDoStorage::onDoneChanged()
{
    const int index = findEventBySender(sender());
    if (index == -1)
        return;
    emit todoDoneChanged(index);
    emit somethingChanged();
}

void ToDoStorage::onEventChanged()
{
    const int index = findEventBySender(sender());
    if (index == -1)
        return;
    emit todoChanged(index);
    emit somethingChanged();
}
