#pragma once

#include "events/abstractcommonevent.h"

// A person's birthday; the caption and texts are made from the person's name and the age.
// A birth year of 1852 stands for "year not given".
class BirthdayEvent : public AbstractCommonEvent
{
    Q_OBJECT
public:
    static constexpr int s_noYear = 1852;

    explicit BirthdayEvent(const QByteArray &id = QByteArray());

    // The fields a custom type of this kind may set, with their names and start values; made anew each call.
    static CustomTypeMetaInfo typeMetaInfo();

    QString caption() const override;
    QIcon icon() const override;

    void setCaption(const QString &caption) override;
    void loadFromVariant(const QVariant &value) override;
    void loadFromJson(const Common::JsonObject &object) override;
    QVariant saveToVariant(SaveFlags flags = NoSaveFlags) const override;
    void writeJson(Common::JsonWriter &writer, SaveFlags flags = NoSaveFlags) const override;
    void infoRows(QStringList &names, QStringList &values, bool withoutDate) const override;
    QString textTemplate() const override;
    QString decodeTag(const QString &tag, int number) override;

    virtual int age() const;
    virtual int genderId() const { return m_genderId; }
    virtual void setGenderId(int genderId);
    virtual QString genderName() const;
    virtual QString personName() const { return m_personName; }
    virtual void setPersonName(const QString &name);

    bool ageCounted() const { return birthDate().year() != s_noYear; }
    QDate birthDate() const { return period().beginDate(); }

    // The kind's picture is the male one.
    static QIcon maleIcon();
    static QIcon femaleIcon();
    static QString prefixText();
    static QString postfixText();
    // Full years from the earlier to the later date; 29 February counts as come on 1 March.
    static int yearsBetween(const QDate &a, const QDate &b);

private:
    template <class Map> void load(const Map &map);
    int m_genderId = 0;
    QString m_personName;
};
