#pragma once

#include "eventtypes/ieventtype.h"

// A user's custom type: a built-in kind with its own name, field switches, defaults and picture.
class CustomEventType : public IEventType
{
public:
    explicit CustomEventType(const CustomTypeInfo &info);

    // The storage keeps one object per id and updates it in place, so pointers stay valid.
    void setInfo(const CustomTypeInfo &info) { m_info = info; }

    QByteArray textId() const override { return m_info.id; }
    QByteArray id() const override { return m_info.id; }
    QString name() const override { return m_info.name; }
    QIcon icon() const override;
    AbstractCommonEventPtr createEvent() const override;
    CustomTypeInfo customTypeInfo() const override { return m_info; }

private:
    CustomTypeInfo m_info;
};
