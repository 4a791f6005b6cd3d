#include "core/accelerators.h"

#include <QtTest>

class TestAccelerators : public QObject
{
    Q_OBJECT

private slots:
    void withKeyTakesTheFirstFreeLetter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("keyed");
        QTest::addColumn<QString>("takenAfter");
        QTest::newRow("free first letter") << "Work" << "" << "&Work" << "w";
        QTest::newRow("first letter taken, any case") << "Work" << "w" << "W&ork" << "wo";
        QTest::newRow("ampersand shown as it is") << "Tom & Ann" << "t" << "T&om && Ann" << "to";
        QTest::newRow("all letters taken") << "ab" << "ab" << "ab" << "ab";
        QTest::newRow("digit") << "2026" << "" << "&2026" << "2";
    }

    void withKeyTakesTheFirstFreeLetter()
    {
        QFETCH(QString, text);
        QFETCH(QString, taken);
        QFETCH(QString, keyed);
        QFETCH(QString, takenAfter);
        QCOMPARE(Accelerators::withKey(text, taken), keyed);
        QCOMPARE(taken, takenAfter);
    }

    void problemsNameTwinsAndMissingKeys()
    {
        QCOMPARE(Accelerators::problems({"&Open", "", "&Save", "Save &&Close", "&Exit"}).size(), 1);
        QCOMPARE(Accelerators::problems({"&Events editor", "&Exit"}).size(), 1);
        QVERIFY(Accelerators::problems({"&Events editor", "E&xit", "&Settings"}).isEmpty());
        QCOMPARE(Accelerators::key(QStringLiteral("A && B &c")), QLatin1Char('c'));
    }
};

QTEST_GUILESS_MAIN(TestAccelerators)
#include "tst_accelerators.moc"
