#pragma once

#include "events/abstractcommonevent.h"

// A wedding day of one or two persons; after the day has passed its texts speak of the anniversary.
class WeddingEvent : public AbstractCommonEvent
{
    Q_OBJECT
public:
    explicit WeddingEvent(const QByteArray &id = QByteArray());

    // The fields a custom type of this kind may set, with their names and start values; made anew each call.
    static CustomTypeMetaInfo typeMetaInfo();

    QString caption() const override;
    QString decodeTag(const QString &tag, int number) override;

    void setCaption(const QString &caption) override;
    void loadFromVariant(const QVariant &value) override;
    void loadFromJson(const Common::JsonObject &object) override;
    QVariant saveToVariant(SaveFlags flags = NoSaveFlags) const override;
    void writeJson(Common::JsonWriter &writer, SaveFlags flags = NoSaveFlags) const override;
    void infoRows(QStringList &names, QStringList &values, bool withoutDate) const override;
    QString textTemplate() const override;
    void applyCustomTypeDefaults() override;

    QString personOneName() const { return m_personOne; }
    QString personTwoName() const { return m_personTwo; }
    void setPersonOneName(const QString &name);
    void setPersonTwoName(const QString &name);

    static QString prefixText();
    static QString postfixText();

private:
    template <class Map> void load(const Map &map);
    bool isWeddingDayFamily() const;

    QString m_personOne;
    QString m_personTwo;
};
