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
    QVariantMap map = m_otherFields;
    map.insert(s_version, 1);
    map.insert(s_text, m_text);
    map.insert(s_done, m_done);
    map.insert(s_modified, dateTimeToVariant(m_modified));
    return map;
}

bool ToDoRecord::objectFromMap(const QVariant &value)
{
    using namespace ToDoRecordPrivate;
    QVariantMap map = value.toMap();
    bool whole = value.userType() == QMetaType::QVariantMap;
    map.remove(s_version);
    const QVariant text = map.take(s_text);
    const QVariant done = map.take(s_done);
    const QVariant modified = map.take(s_modified);
    whole = whole && (!text.isValid() || text.userType() == QMetaType::QString) &&
            (!done.isValid() || done.userType() == QMetaType::Bool);
    m_text = text.toString();
    m_done = done.toBool();
    m_modified = modified.isValid() ? dateTimeFromVariant(modified) : QDateTime();
    m_otherFields = map;
    emit changed();
    return whole;
}
