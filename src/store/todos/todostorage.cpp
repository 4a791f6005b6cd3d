#include "store/todos/todostorage.h"

#include "core/datafileguard.h"
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
    QVariantMap map = m_otherValues;
    map.insert(ToDoStoragePrivate::s_eventsList, list);
    map.insert(ToDoStoragePrivate::s_version, 1);
    return map;
}

bool ToDoStorage::objectFromMap(QVariantMap map, Common::DataFileGuard::Problem *problem)
{
    using namespace ToDoStoragePrivate;
    dropAll();
    bool whole = true;
    bool newer = false;
    const auto versionOf = [&newer](const QVariantMap &m) {
        const QVariant version = m.value(s_version);
        newer = newer || (version.isValid() && version.toInt() != 1);
    };
    m_otherValues.clear();
    if (!map.isEmpty()) {
        versionOf(map);
        map.remove(s_version);
        const QVariant list = map.take(s_eventsList);
        whole = list.userType() == QMetaType::QVariantList;
        // Whatever else the list held comes back with it.
        m_otherValues = map;
        const QVariantList items = whole ? list.toList() : QVariantList();
        for (const QVariant &item : items) {
            if (item.userType() != QMetaType::QVariantMap) {
                whole = false;
                continue;
            }
            versionOf(item.toMap());
            IToDoRecordPtr record = ToDoRecord::create();
            whole = record->objectFromMap(item) && whole;
            connectToEvent(record);
            EventManagerTemplate::addEvent(record);
        }
    }
    if (problem)
        *problem = newer ? Common::DataFileGuard::NewerVersion : Common::DataFileGuard::UnknownShape;
    emit allDataChanged();
    emit somethingChanged();
    return whole && !newer;
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
    auto *record = qobject_cast<ToDoRecord *>(event->qObject());
    if (!QR_CHECK(record))
        return;
    connect(record, &ToDoRecord::textChanged, this, &ToDoStorage::onTextChanged);
    connect(record, &ToDoRecord::doneChanged, this, &ToDoStorage::onDoneChanged);
    connect(record, &ToDoRecord::changed, this, &ToDoStorage::onEventChanged);
}

void ToDoStorage::disconnectFromEvent(const IToDoRecordPtr &event)
{
    auto *record = qobject_cast<ToDoRecord *>(event->qObject());
    QR_ASSERT(disconnect(record, &ToDoRecord::textChanged, this, &ToDoStorage::onTextChanged));
    QR_ASSERT(disconnect(record, &ToDoRecord::doneChanged, this, &ToDoStorage::onDoneChanged));
    QR_ASSERT(disconnect(record, &ToDoRecord::changed, this, &ToDoStorage::onEventChanged));
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
