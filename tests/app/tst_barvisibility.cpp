#include "app/barvisibility.h"

#include <QTest>

class TestBarVisibility : public QObject
{
    Q_OBJECT

private slots:
    void shouldCreate_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("starting");
        QTest::addColumn<bool>("showIfNotDisabled");
        QTest::addColumn<bool>("coming");
        QTest::addColumn<bool>("expected");
        for (int option : {0, 1, 2}) {
            for (int bits = 0; bits < 8; ++bits) {
                const bool starting = bits & 1, showIfNotDisabled = bits & 2, coming = bits & 4;
                bool expected = false;
                if (option == 2)
                    expected = starting || coming;
                else if (option == 1)
                    expected = showIfNotDisabled || coming;
                QTest::addRow("option %d start %d show %d coming %d", option, starting, showIfNotDisabled, coming)
                    << option << starting << showIfNotDisabled << coming << expected;
            }
        }
        // An unknown stored value acts as 1.
        QTest::newRow("option 7 coming") << 7 << false << false << true << true;
        QTest::newRow("option 7 nothing") << 7 << true << false << false << false;
    }

    void shouldCreate()
    {
        QFETCH(int, option);
        QFETCH(bool, starting);
        QFETCH(bool, showIfNotDisabled);
        QFETCH(bool, coming);
        QFETCH(bool, expected);
        QCOMPARE(BarVisibility::shouldCreate(option, starting, showIfNotDisabled, [&] { return coming; }), expected);
    }

    void neverAsksForEventsWhenDisabled()
    {
        bool asked = false;
        QVERIFY(!BarVisibility::shouldCreate(0, true, true, [&] { return asked = true; }));
        QVERIFY(!BarVisibility::shouldRemove(2, [&] { return asked = true; }));
        QVERIFY(!asked);
    }

    void shouldRemove_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("coming");
        QTest::addColumn<bool>("expected");
        QTest::newRow("1 nothing coming") << 1 << false << true;
        QTest::newRow("1 coming") << 1 << true << false;
        QTest::newRow("2 nothing coming") << 2 << false << false;
        QTest::newRow("0 is the option's own business") << 0 << false << false;
    }

    void shouldRemove()
    {
        QFETCH(int, option);
        QFETCH(bool, coming);
        QFETCH(bool, expected);
        QCOMPARE(BarVisibility::shouldRemove(option, [&] { return coming; }), expected);
    }
};

QTEST_APPLESS_MAIN(TestBarVisibility)
#include "tst_barvisibility.moc"
