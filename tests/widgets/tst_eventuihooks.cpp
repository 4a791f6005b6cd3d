#include "core/clock.h"
#include "events/ui/eventuihooks.h"
#include "events/holidayevent.h"
#include "testhelpers.h"
#include "widgets/delayeduserinfo.h"

#include <QtTest>

// The widgets' side of the event model's hooks.
class TestEventUiHooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void brokenDateIsShownAsWarningAfterLoading()
    {
        struct Shown
        {
            QMessageBox::Icon icon;
            QString title, text;
        };
        QList<Shown> shown;
        DelayedUserInfo::setShowFunction([&](QMessageBox::Icon icon, const QString &title, const QString &text) {
            shown << Shown{icon, title, text};
        });
        installEventUiHooks();
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(9, 0)));

        HolidayEvent e;
        e.loadFromVariant(QVariantMap{{"version", 1},
                                      {"abstract", QVariantMap{{"version", 5}, {"caption", "Party"}, {"date", "x"}}}});
        QVERIFY(shown.isEmpty());
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.first().icon, QMessageBox::Warning);
        QCOMPARE(shown.first().title, QStringLiteral("Error"));
        QVERIFY(shown.first().text.contains("'Party'"));

        Common::Clock::unpin();
        AbstractCommonEvent::setUserErrorHandler({});
        DelayedUserInfo::setShowFunction({});
    }
};

QTEST_MAIN(TestEventUiHooks)
#include "tst_eventuihooks.moc"
