#include "events/eventresources.h"

#include <QIcon>
#include <QImage>
#include <QtTest>

// The kinds load their pictures from these resource paths; a missing file shows as an empty icon.
class TestEventResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initEventResources(); }
    void picturesExistAtTheirSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QString base = QStringLiteral(":/Ostrevalder/icons/");
        for (int s : {16, 24, 32, 128})
            QTest::addRow("notspec%d", s) << base + QStringLiteral("notspec/notspec%1.png").arg(s) << QSize(s, s);
        for (int s : {16, 24, 48, 128}) {
            QTest::addRow("cake%d", s) << base + QStringLiteral("birthday/cake_%1.png").arg(s) << QSize(s, s);
            QTest::addRow("balloons%d", s) << base + QStringLiteral("holiday/balloons_%1.png").arg(s) << QSize(s, s);
            QTest::addRow("rings%d", s) << base + QStringLiteral("wedding/rings_%1.png").arg(s) << QSize(s, s);
            QTest::addRow("clock%d", s) << base + QStringLiteral("task/clock_%1.png").arg(s) << QSize(s, s);
        }
        QTest::newRow("male") << base + "gender/male_128.png" << QSize(128, 128);
        QTest::newRow("female") << base + "gender/female_128.png" << QSize(128, 128);
        QTest::newRow("done") << base + "done.png" << QSize(16, 16);
        QTest::newRow("divider") << base + "wedding/divider.png" << QSize(700, 54);
    }
    void picturesExistAtTheirSizes()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
    }
};

QTEST_MAIN(TestEventResources)
#include "tst_eventresources.moc"
