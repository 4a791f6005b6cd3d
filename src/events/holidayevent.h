#pragma once

#include "events/abstractcommonevent.h"

// A holiday: a named date with any recurrence.
class HolidayEvent : public AbstractCommonEvent
{
    Q_OBJECT
public:
    explicit HolidayEvent(const QByteArray &id = QByteArray());

    // The fields a custom type of this kind may set, with their names and start values; made anew each call.
    static CustomTypeMetaInfo typeMetaInfo();

    void loadFromVariant(const QVariant &value) override;
    void loadFromJson(const Common::JsonObject &object) override;
    QVariant saveToVariant(SaveFlags flags = NoSaveFlags) const override;
    void writeJson(Common::JsonWriter &writer, SaveFlags flags = NoSaveFlags) const override;
    void infoRows(QStringList &names, QStringList &values, bool withoutDate) const override;

private:
    template <class Map> void load(const Map &map);
};
