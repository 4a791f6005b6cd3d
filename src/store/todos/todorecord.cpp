#include "store/todos/todorecord.h"

#include "core/clock.h"
#include "core/dateconversions.h"
#include "core/log.h"

#include <QVariantMap>

namespace ToDoRecordPrivate {
const QString s_version = QStringLiteral("version");
const QString s_text = QStringLiteral("text");
const QString s_done = QStringLiteral("done");
const QString s_modified = QStringLiteral("modified");

} // namespace ToDoRecordPrivate

ToDoRecord::ToDoRecord() : m_modified(Common::Clock::now()) {}

IToDoRecordPtr ToDoRecord::create()
{
    return IToDoRecordPtr(new ToDoRecord);
}

void ToDoRecord::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_modified = Common::Clock::now();
    emit textChanged();
    emit changed();
}

void ToDoRecord::setDone(bool done)
{
    if (done == m_done)
        return;
    m_done = done;
    m_modified = Common::Clock::now();
    emit doneChanged();
    emit changed();
}

QVariant ToDoRecord::objectToMap() const
{
    using namespace ToDoRecordPrivate;
    QVariantMap map;
    map.insert(s_version, 1);
    map.insert(s_text, m_text);
    map.insert(s_done, m_done);
    map.insert(s_modified, dateTimeToVariant(m_modified));
    return map;
}

void ToDoRecord::objectFromMap(const QVariant &value)
{
    using namespace ToDoRecordPrivate;
    const QVariantMap map = value.toMap();
    if (map.isEmpty()) {
        m_text.clear();
        m_done = false;
        m_modified = QDateTime();
    } else {
        QR_ASSERT(map[s_version].toInt() == 1);
        m_text = map.value(s_text).toString();
        m_done = map.value(s_done).toBool();
        m_modified = dateTimeFromVariant(map.value(s_modified));
    }
    emit changed();
}
