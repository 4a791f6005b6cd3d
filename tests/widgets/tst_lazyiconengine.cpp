#include "widgets/lazyiconengine.h"

#include <QtTest>

class TestLazyIconEngine : public QObject
{
    Q_OBJECT

private slots:
    // Made on the first picture asked for, once, and that picture is the made icon's.
    void picturesAreMadeOnFirstUse()
    {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        int made = 0;
        const QIcon icon(new LazyIconEngine([&] { return ++made, QIcon(red); }));
        QVERIFY(!icon.isNull() && made == 0);
        QCOMPARE(icon.pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
        QCOMPARE(made, 1);
    }
};

QTEST_MAIN(TestLazyIconEngine)
#include "tst_lazyiconengine.moc"
