#include "events/customtypeinfo.h"

#include <QtTest>

// The custom-type record each event carries, and its map.
class TestCustomTypeInfo : public QObject
{
    Q_OBJECT

private slots:
    void emptyRecordIsNotValidAndWritesEveryKey()
    {
        const CustomTypeInfo info;
        QVERIFY(!info.isValid());
        const QVariantMap map = info.toJson().toMap();
        QCOMPARE(map.keys(),
                 (QStringList{"baseType", "defaults", "id", "name", "parameters", "version", "visibility"}));
        QCOMPARE(map.value("version").toInt(), 1);
        QCOMPARE(map.value("id").toString(), QString());
        QVERIFY(map.value("visibility").toMap().isEmpty());
    }

    void madeFromDescriptionCopiesMapsOnly()
    {
        CustomTypeMetaInfo meta;
        meta.fieldsVisibility.insert("commentField", true);
        meta.defaultValues.insert("1prefixField", QStringLiteral("Dear"));
        meta.parameters.insert("markAsCompletedRequiredField", true);
        meta.fieldNames.insert("commentField", QStringLiteral("Comment"));
        const CustomTypeInfo info(meta);
        QVERIFY(!info.isValid());
        QCOMPARE(info.fieldsVisibility, meta.fieldsVisibility);
        QCOMPARE(info.defaultValues, meta.defaultValues);
        QCOMPARE(info.parameters, meta.parameters);
    }

    void roundTripsThroughItsMap()
    {
        CustomTypeInfo info;
        info.id = "{1234}";
        info.name = QStringLiteral("Namenstag ü");
        info.baseType = 1;
        info.fieldsVisibility.insert("yearField", false);
        info.fieldsVisibility.insert("commentField", true);
        info.defaultValues.insert("2postfixField", QStringLiteral("'s name day"));
        info.parameters.insert("x", 5);
        QVERIFY(info.isValid());
        QCOMPARE(info.photoId(), QByteArray("{1234}photo"));
        const QVariantMap map = info.toJson().toMap();
        QCOMPARE(map.value("visibility").toMap().value("yearField"), QVariant(false));
        QCOMPARE(map.value("baseType"), QVariant(1));
        QCOMPARE(CustomTypeInfo::fromJson(map), info);
    }

    void invalidVariantGivesEmptyRecord_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("null") << QVariant();
        QTest::newRow("string") << QVariant(QStringLiteral("{\"id\": 1}"));
        QTest::newRow("list") << QVariant(QVariantList{1, 2});
    }
    void invalidVariantGivesEmptyRecord()
    {
        QFETCH(QVariant, value);
        const CustomTypeInfo info = CustomTypeInfo::fromJson(value);
        QVERIFY(!info.isValid());
        QCOMPARE(info, CustomTypeInfo());
    }
};

QTEST_GUILESS_MAIN(TestCustomTypeInfo)
#include "tst_customtypeinfo.moc"
