#include "core/version.h"

#include <QtTest>

class TestVersion : public QObject
{
    Q_OBJECT

private slots:
    void comparesAsTotalOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order"); // -1: a < b, 0: a == b, 1: a > b

        QTest::newRow("numeric not textual") << "2.0.9"
                                             << "2.0.10" << -1;
        QTest::newRow("2.0.1 < 2.0.10") << "2.0.1"
                                        << "2.0.10" << -1;
        QTest::newRow("missing part counts as 0") << "1.2"
                                                  << "1.2.1" << -1;
        QTest::newRow("trailing zero part") << "2.0"
                                            << "2.0.0" << 0;
        QTest::newRow("leading zeros") << "1.02"
                                       << "1.2" << 0;
        QTest::newRow("alpha < beta") << "1.2a"
                                      << "1.2b" << -1;
        QTest::newRow("beta < release") << "1.2b"
                                        << "1.2" << -1;
        QTest::newRow("alpha < release") << "1.2a"
                                         << "1.2" << -1;
        QTest::newRow("suffix after missing parts") << "1.2a"
                                                    << "1.2.0" << -1;
        QTest::newRow("numbers before suffix") << "1.3a"
                                               << "1.2" << 1;
        QTest::newRow("same") << "2.0.1"
                              << "2.0.1" << 0;
        QTest::newRow("major wins") << "10.0"
                                    << "9.99.99" << 1;
        QTest::newRow("upper-case B is no suffix") << "1.2B"
                                                   << "1.1" << -1;
        QTest::newRow("empty text is zero") << ""
                                            << "0" << 0;
        QTest::newRow("empty middle part") << "1..2"
                                           << "1.0.2" << 0;
        QTest::newRow("non-numeric part") << "1.x"
                                          << "1.0" << 0;
        QTest::newRow("long parts do not overflow") << "1.99999999999999999999"
                                                    << "1.100000000000000000000" << -1;
    }

    void comparesAsTotalOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const Version va(a);
        const Version vb(b);
        QCOMPARE(va < vb, order < 0);
        QCOMPARE(vb<va, order> 0);
        QCOMPARE(va == vb, order == 0);
        QCOMPARE(vb == va, order == 0);
        QCOMPARE(va > vb, order > 0);
        QCOMPARE(vb > va, order < 0);
        QCOMPARE(va >= vb, order >= 0);
        QCOMPARE(vb >= va, order <= 0);
    }

    void keepsTextUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "2.0.1";
        QTest::newRow("alpha") << "1.2a";
        QTest::newRow("beta") << "1.2b";
        QTest::newRow("upper case") << "1.2B";
        QTest::newRow("leading zero") << "1.02";
        QTest::newRow("empty") << "";
    }

    void keepsTextUnchanged()
    {
        QFETCH(QString, text);
        QCOMPARE(Version(text).toString(), text);
    }
};

QTEST_GUILESS_MAIN(TestVersion)
#include "tst_version.moc"
