#include "core/jsonparser.h"
#include "core/log.h"
#include "core/usermessages.h"
#include "eventtestenv.h"
#include "events/holidayevent.h"
#include "events/notspecifiedevent.h"
#include "platform/timezonewatcher.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

// Stands in for a kind's edit form, which the GUI layer provides.
class FakeForm : public QObject, public IEventForm
{
public:
    explicit FakeForm(AbstractCommonEvent *event) : m_event(event) {}
    QWidget *widget() override { return nullptr; }
    QObject *object() override { return this; }
    bool accept(QString &errorText) override
    {
        if (m_caption.isEmpty()) {
            errorText = QStringLiteral("Caption cannot be empty");
            return false;
        }
        m_event->setCaption(m_caption);
        return true;
    }
    AbstractCommonEvent *m_event;
    QString m_caption;
};

// The part every kind shares; a holiday stands in for it, since it adds nothing of its own.
// The link search as one unanchored pattern search: slow on long runs, but plainly right; the
// fast search must give the same result for every text.
QString markupLinksByPatternSearch(const QString &text)
{
    static const QRegularExpression links(
        QStringLiteral("(?<mail>\\b\\w[\\w.-]*@\\w+(?:-\\w+|\\w*)(?:\\.[\\w-]+)*\\.[a-zA-Z]{2,})"
                       "|(?<web>(?<scheme>(?:https?|ftp)://)?[a-zA-Z0-9\\-.]+\\.[a-zA-Z]{2,3}(?::[a-zA-Z0-9]*)?/?"
                       "(?:[a-zA-Z0-9\\-._?,'/\\\\+&;%$#=~])*[^.,)(\\s<>\"])"));
    QString result;
    qsizetype pos = 0;
    QRegularExpressionMatchIterator it = links.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(pos, match.capturedStart() - pos).toHtmlEscaped();
        const QString found = match.captured().toHtmlEscaped();
        QString target;
        if (!match.captured(QStringLiteral("mail")).isEmpty())
            target = QStringLiteral("mailto:") + found;
        else if (!match.captured(QStringLiteral("scheme")).isEmpty())
            target = found;
        else
            target = QStringLiteral("http://") + found;
        result += QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + found + QStringLiteral("</a>");
        pos = match.capturedEnd();
    }
    result += text.mid(pos).toHtmlEscaped();
    return result;
}

class TestAbstractCommonEvent : public QObject
{
    Q_OBJECT

private:
    static QByteArray baseJson(const AbstractCommonEvent &e, AbstractCommonEvent::SaveFlags flags = {})
    {
        return Common::toJson(e.saveToVariant(flags).toMap().value("abstract"));
    }
    static QVariantMap wrap(const QVariantMap &base) { return QVariantMap{{"version", 1}, {"abstract", base}}; }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { Common::clearLogBuffer(); }

    void newEventsGetDistinctBracedIds()
    {
        EventTestEnv env;
        HolidayEvent a, b;
        QCOMPARE(a.id().size(), 38);
        QVERIFY(QRegularExpression("^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$")
                    .match(QString::fromLatin1(a.id()))
                    .hasMatch());
        QVERIFY(a.id() != b.id());
        HolidayEvent kept("{given}");
        QCOMPARE(kept.id(), QByteArray("{given}"));
        QCOMPARE(a.period(), Period(QDate(2026, 3, 10)));
        QCOMPARE(a.daysToWatch(), -1);
        QCOMPARE(a.occurrence().type(), IOccurrence::Once);
        const IConstEvent &root = a;
        const ICommonConstEvent &common = a;
        QCOMPARE(root.id(), common.id());
        QCOMPARE(root.text(true), common.text(true));
    }

    void settersEmitOnlyOnChange()
    {
        EventTestEnv env;
        HolidayEvent e;
        QSignalSpy data(&e, &AbstractCommonEvent::dataChanged);
        QSignalSpy period(&e, &AbstractCommonEvent::periodChanged);
        e.setCaption("A");
        e.setCaption("A");
        QCOMPARE(data.count(), 1);
        e.setCalendarId("cal", true);
        QCOMPARE(e.calendarId(), QByteArray("cal"));
        QCOMPARE(data.count(), 1);
        e.setCalendarId("cal2");
        QCOMPARE(data.count(), 2);
        e.setPeriod(Period(QDate(2026, 5, 1)));
        QCOMPARE(data.count(), 3);
        QCOMPARE(period.count(), 1);
        QCOMPARE(e.occurrence().startDate(), QDate(2026, 5, 1));
        e.setOccurrence(Occurrence(QDate(2026, 5, 1), IOccurrence::Yearly));
        QCOMPARE(period.count(), 2);
        e.setOccurrence(Occurrence(QDate(2026, 5, 1), IOccurrence::Yearly));
        QCOMPARE(period.count(), 2);
        e.setDaysToWatch(3);
        e.setDaysToWatch(3);
        QCOMPARE(data.count(), 5);
    }

    void baseMapIsByteExact()
    {
        EventTestEnv env;
        HolidayEvent e("{11111111-2222-3333-4444-555555555555}");
        e.setCaption(QStringLiteral("Zahnarzt ü"));
        e.setPeriod(Period(QDate(2026, 3, 11), QTime(10, 0)));
        e.setCalendarId("{cal}");
        QCOMPARE(baseJson(e),
                 QByteArray("{\"calendarId\": \"{cal}\",\"caption\": \"Zahnarzt \xc3\xbc\",\"comment\": \"\","
                            "\"customTypeMetaInfo\": {\"baseType\": 0,\"defaults\": {},\"id\": \"\",\"name\": \"\","
                            "\"parameters\": {},\"version\": 1,\"visibility\": {}},\"daysToWatch\": -1,"
                            "\"id\": \"{11111111-2222-3333-4444-555555555555}\",\"lastModified\": "
                            "\"2026-03-10T09:30:00\",\"occurrence\": {\"data\": {\"step\": 1,\"version\": 1},"
                            "\"type\": \"once\"},\"period\": {\"begin\": \"20260311T100000Z\",\"time\": true,"
                            "\"version\": 1},\"version\": 8}"));
        QVERIFY(!e.saveToVariant().toMap().value("abstract").toMap().contains("hasPhoto"));
        const QVariantMap withPhoto =
            e.saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag).toMap().value("abstract").toMap();
        QCOMPARE(withPhoto.value("hasPhoto"), QVariant(true));
    }

    void roundTripKeepsEveryField()
    {
        EventTestEnv env;
        HolidayEvent e;
        e.setCaption("Fest");
        e.setComment("bring cake");
        e.setPeriod(Period(QDate(2026, 4, 1), QDate(2026, 4, 3)));
        Occurrence weekly(QDate(2026, 4, 1), IOccurrence::Weekly);
        weekly.setStep(2);
        e.setOccurrence(weekly);
        e.setDaysToWatch(7);
        e.setCalendarId("c1");
        e.setLastModified(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
        CustomTypeInfo info;
        info.id = "t1";
        info.name = "Mine";
        info.baseType = EventTypeHoliday;
        e.setCustomTypeMetaInfo(info);

        // Through the JSON text, as the events file holds it.
        const QVariant stored = Common::readJson(Common::toJson(e.saveToVariant()));
        HolidayEvent copy;
        QSignalSpy data(&copy, &AbstractCommonEvent::dataChanged);
        copy.loadFromVariant(stored);
        QCOMPARE(data.count(), 1);
        QCOMPARE(copy.id(), e.id());
        QCOMPARE(copy.caption(), e.caption());
        QCOMPARE(copy.comment(), e.comment());
        QCOMPARE(copy.period(), e.period());
        QCOMPARE(copy.occurrence(), e.occurrence());
        QCOMPARE(copy.occurrence().startDate(), QDate(2026, 4, 1));
        QCOMPARE(copy.daysToWatch(), 7);
        QCOMPARE(copy.calendarId(), QByteArray("c1"));
        QCOMPARE(copy.lastModified(), e.lastModified());
        QCOMPARE(copy.customTypeMetaInfo(), info);
        QCOMPARE(Common::toJson(copy.saveToVariant()), Common::toJson(e.saveToVariant()));
    }

    void readsLegacyMaps_data()
    {
        QTest::addColumn<QVariantMap>("base");
        QTest::addColumn<Period>("period");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("step");
        QTest::newRow("v3 date map") << QVariantMap{{"version", 3},
                                                    {"caption", "x"},
                                                    {"date", QVariantMap{{"year", 2010}, {"month", 2}, {"day", 28}}},
                                                    {"occurrence", 0}}
                                     << Period(QDate(2010, 2, 28)) << int(IOccurrence::Once) << -1;
        QTest::newRow("v5 iso yearly") << QVariantMap{{"version", 5}, {"date", "2011-03-04"}, {"occurrence", 3}}
                                       << Period(QDate(2011, 3, 4)) << int(IOccurrence::Yearly) << 1;
        QTest::newRow("v4 weekly") << QVariantMap{{"version", 4}, {"date", "2011-03-04"}, {"occurrence", 1}}
                                   << Period(QDate(2011, 3, 4)) << int(IOccurrence::Weekly) << 1;
        QTest::newRow("v5 monthly") << QVariantMap{{"version", 5}, {"date", "2011-03-04"}, {"occurrence", 2}}
                                    << Period(QDate(2011, 3, 4)) << int(IOccurrence::Monthly) << 1;
        QTest::newRow("v6 fortnightly") << QVariantMap{{"version", 6},
                                                       {"period", Period(QDate(2012, 1, 2)).toJson()},
                                                       {"occurrence", 4}}
                                        << Period(QDate(2012, 1, 2)) << int(IOccurrence::Weekly) << 2;
    }
    void readsLegacyMaps()
    {
        QFETCH(QVariantMap, base);
        QFETCH(Period, period);
        QFETCH(int, type);
        QFETCH(int, step);
        EventTestEnv env;
        HolidayEvent e;
        const QByteArray idBefore = e.id();
        e.loadFromVariant(wrap(base));
        QCOMPARE(e.period(), period);
        QCOMPARE(int(e.occurrence().type()), type);
        QCOMPARE(e.occurrence().step(), step);
        QCOMPARE(e.occurrence().startDate(), period.beginDate());
        // A map without an id keeps the event's own rather than leaving it without one.
        QCOMPARE(e.id(), idBefore);
        QVERIFY(!e.wasRepairedOnLoad());
    }

    void eventMadeToBeLoadedTakesStoredOrNewId_data()
    {
        QTest::addColumn<QVariantMap>("base");
        QTest::addColumn<QByteArray>("id");
        QTest::newRow("stored id") << QVariantMap{{"version", 8}, {"id", "{stored}"}} << QByteArray("{stored}");
        QTest::newRow("empty id") << QVariantMap{{"version", 8}, {"id", ""}} << QByteArray();
        QTest::newRow("version 1 ignores id") << QVariantMap{{"version", 1}, {"id", "{stored}"}} << QByteArray();
        QTest::newRow("version 0") << QVariantMap{{"version", 0}} << QByteArray();
    }
    void eventMadeToBeLoadedTakesStoredOrNewId()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QVariantMap, base);
        QFETCH(QByteArray, id);
        EventTestEnv env;
        HolidayEvent a(AbstractCommonEvent::idToBeLoaded()), b(AbstractCommonEvent::idToBeLoaded());
        a.loadFromVariant(wrap(base));
        b.loadFromVariant(wrap(base));
        if (!id.isEmpty()) {
            QCOMPARE(a.id(), id);
            return;
        }
        QCOMPARE(a.id().size(), 38);
        QVERIFY(a.id() != AbstractCommonEvent::idToBeLoaded());
        QVERIFY(a.id() != b.id());
    }

    void unknownOldOccurrenceIsReportedAndBecomesOnce()
    {
        TestHelpers::expectFailedChecks();
        EventTestEnv env;
        HolidayEvent e;
        e.loadFromVariant(wrap({{"version", 5}, {"date", "2011-03-04"}, {"occurrence", 9}}));
        QVERIFY(logBuffer().contains("old occurrence type not found"));
        QCOMPARE(e.occurrence().type(), IOccurrence::Once);
        QCOMPARE(e.occurrence().startDate(), QDate(2011, 3, 4));
    }

    void versionBelowOneChangesNothing()
    {
        EventTestEnv env;
        HolidayEvent e;
        e.setCaption("keep");
        QSignalSpy data(&e, &AbstractCommonEvent::dataChanged);
        e.loadFromVariant(wrap({{"version", 0}, {"caption", "other"}}));
        QCOMPARE(e.caption(), QStringLiteral("keep"));
        QCOMPARE(data.count(), 0);
    }

    void unreadableBeginIsRepairedFlaggedAndToldTruthfully()
    {
        EventTestEnv env;
        Common::UserMessages::reset();
        HolidayEvent e;
        e.loadFromVariant(wrap({{"version", 8},
                                {"caption", "Party"},
                                {"period", QVariantMap{{"version", 1}, {"begin", "garbage"}, {"time", false}}},
                                {"occurrence", Occurrence(QDate(2026, 1, 1), IOccurrence::Once).toJson()}}));
        QCOMPARE(e.period(), Period(QDate(2026, 3, 10)));
        QVERIFY(e.wasRepairedOnLoad());
        QVERIFY(Common::UserMessages::told().isEmpty()); // never from inside loading
        QTRY_COMPARE(Common::UserMessages::told().size(), 1);
        const QList<Common::UserMessages::Message> shown = Common::UserMessages::told();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().icon, Common::UserMessages::Warning);
        QCOMPARE(shown.first().title, QStringLiteral("Error"));
        QVERIFY(shown.first().text.contains("'Party'"));
        QVERIFY(!shown.first().text.contains("report", Qt::CaseInsensitive));
        QVERIFY(shown.first().text.contains("moved to today"));
        Common::UserMessages::reset(); // asked directly, it tells only once the work has ended
        QMetaObject::invokeMethod(&e, "showUserError", Q_ARG(QString, "Bad {CAPTION}"));
        QVERIFY(Common::UserMessages::told().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(Common::UserMessages::toldLines(), QStringList{"Error: Bad Party"});
    }

    void expiryAndNextPeriod()
    {
        EventTestEnv env; // today 10 March 2026
        HolidayEvent yesterday;
        yesterday.setPeriod(Period(QDate(2026, 3, 9)));
        QVERIFY(yesterday.isExpired(0));
        QVERIFY(!yesterday.isExpired(1));
        QVERIFY(!yesterday.nextPeriod().isValid());

        HolidayEvent weekly;
        weekly.setPeriod(Period(QDate(2020, 1, 1)));
        weekly.setOccurrence(Occurrence(QDate(2020, 1, 1), IOccurrence::Weekly));
        QVERIFY(!weekly.isExpired(0));

        HolidayEvent span;
        span.setPeriod(Period(QDate(2026, 3, 9), QDate(2026, 3, 11)));
        QVERIFY(!span.isExpired(0));
        QCOMPARE(span.nextPeriod(), span.period());

        HolidayEvent yearly;
        yearly.setPeriod(Period(QDate(2000, 2, 1)));
        yearly.setOccurrence(Occurrence(QDate(2000, 2, 1), IOccurrence::Yearly));
        QCOMPARE(yearly.nextPeriod(), Period(QDate(2027, 2, 1)));
        yearly.setPeriod(Period(QDate(2000, 6, 1)));
        QCOMPARE(yearly.nextPeriod(), Period(QDate(2026, 6, 1)));

        HolidayEvent timed;
        timed.setPeriod(Period(QDate(2026, 3, 9), QTime(8, 0)));
        // Whole days count by the calendar, as for whole-day events.
        QVERIFY(timed.isExpired(0));
        QVERIFY(!timed.isExpired(1));
    }

    void runningLineTexts_data()
    {
        QTest::addColumn<Period>("period");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("withoutWhen");
        QTest::addColumn<QString>("when");
        QTest::newRow("today") << Period(QDate(2026, 3, 10)) << 0 << "Today is Dentist"
                               << " Dentist"
                               << "Today is";
        QTest::newRow("tomorrow timed") << Period(QDate(2026, 3, 11), QTime(10, 0)) << 0
                                        << "Tomorrow at 10:00 is Dentist"
                                        << " Dentist"
                                        << "Tomorrow at 10:00 is";
        QTest::newRow("42 days") << Period(QDate(2026, 4, 21)) << 0 << "42 days till Dentist"
                                 << " Dentist"
                                 << "42 days till";
        QTest::newRow("100 days falls back to the last choice")
            << Period(QDate(2026, 6, 18)) << 0 << "100 days till Dentist"
            << " Dentist"
            << "100 days till";
        QTest::newRow("yearly, a day after") << Period(QDate(2026, 3, 9)) << 4 << "364 days till Dentist"
                                             << " Dentist"
                                             << "364 days till";
        QTest::newRow("second of three days")
            << Period(QDate(2026, 3, 9), QDate(2026, 3, 11)) << 0 << "Today is Dentist (day 2/3)"
            << " Dentist (day 2/3)"
            << "Today is";
        QTest::newRow("overdue timed") << Period(QDate(2026, 3, 1), QTime(8, 0)) << 0
                                       << "Today at 8:00 is Dentist (overdue)"
                                       << " Dentist (overdue)"
                                       << "Today at 8:00 is";
        QTest::newRow("daily, today's time skipped @Europe/Berlin")
            << Period(QDate(2026, 3, 29), QTime(2, 30)) << 1 << "Today at 3:30 is Dentist"
            << " Dentist"
            << "Today at 3:30 is";
    }
    void runningLineTexts()
    {
        QFETCH(Period, period);
        QFETCH(int, occurrence);
        QFETCH(QString, full);
        QFETCH(QString, withoutWhen);
        QFETCH(QString, when);
        const QByteArray tag = QTest::currentDataTag(), zone = tag.mid(tag.indexOf('@') + 1);
        TestHelpers::ScopedTimeZone tz(tag.contains('@') ? zone.constData() : "UTC");
        EventTestEnv env(tag.contains('@') ? QDateTime(period.beginDate(), QTime(0, 0))
                                           : QDateTime(QDate(2026, 3, 10), QTime(9, 30)));
        HolidayEvent e;
        e.setCaption("Dentist");
        e.setPeriod(period);
        e.setOccurrence(Occurrence(period.beginDate(), IOccurrence::Type(occurrence)));
        QCOMPARE(e.text(true), full);
        QCOMPARE(e.text(false), withoutWhen);
        QCOMPARE(e.cachedText(), when);
    }

    void settingsRemoveTodayAndDayOfSpan()
    {
        EventTestEnv env;
        env.properties->setValue("removeTextToday", true);
        env.properties->setValue("removeTextDayXfromY", true);
        HolidayEvent e;
        e.setCaption("Dentist");
        e.setPeriod(Period(QDate(2026, 3, 9), QDate(2026, 3, 11)));
        QCOMPARE(e.text(true), QStringLiteral(" Dentist"));
        QCOMPARE(e.cachedText(), QString());
    }

    void lineBreaksBecomeBlanksAndCacheFollowsChanges()
    {
        EventTestEnv env;
        HolidayEvent e;
        e.setCaption("Line\none\ttab");
        QCOMPARE(e.text(true), QStringLiteral("Today is Line one tab"));
        e.setCaption(QStringLiteral("Kuchen \U0001F382"));
        QCOMPARE(e.text(true), QStringLiteral("Today is Kuchen \U0001F382"));
        e.setCaption("Line\none\ttab");
        e.setPeriod(Period(QDate(2026, 3, 11)));
        QCOMPARE(e.cachedText(), QStringLiteral("Tomorrow is"));
        // The next day rebuilds the texts without any change to the event.
        Common::Clock::pin(QDateTime(QDate(2026, 3, 11), QTime(0, 0, 1)));
        QCOMPARE(e.text(true), QStringLiteral("Today is Line one tab"));
    }

    void formattedDaysReportsNegativeCounts()
    {
        TestHelpers::expectFailedChecks();
        EventTestEnv env;
        HolidayEvent e;
        e.formattedDays(-1);
        QVERIFY(logBuffer().contains("days >= 0"));
    }

    void markupLinks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");
        QTest::newRow("plain") << "no links here"
                               << "no links here";
        QTest::newRow("markup is shown, not run")
            << "<b>x</b> <a href=\"javascript:evil()\">y</a>"
            << "&lt;b&gt;x&lt;/b&gt; &lt;a href=&quot;javascript:evil()&quot;&gt;y&lt;/a&gt;";
        QTest::newRow("https") << "see https://example.org/a?b=1&c=2."
                               << "see <a href=\"https://example.org/a?b=1&amp;c=2\">https://example.org/a?b=1&amp;"
                                  "c=2</a>.";
        QTest::newRow("without scheme") << "www.example.com"
                                        << "<a href=\"http://www.example.com\">www.example.com</a>";
        QTest::newRow("ftp") << "ftp://files.example.net/x"
                             << "<a href=\"ftp://files.example.net/x\">ftp://files.example.net/x</a>";
        QTest::newRow("mail") << "write to john.doe@example.org now"
                              << "write to <a href=\"mailto:john.doe@example.org\">john.doe@example.org</a> now";
        QTest::newRow("other scheme not linked as such") << "javascript:alert(1)"
                                                         << "javascript:alert(1)";
        QTest::newRow("quote cannot leave the attribute")
            << "http://example.org/\"onmouseover=x"
            << "<a href=\"http://example.org/\">http://example.org/</a>&quot;onmouseover=x";
        // Brackets and quotes around an address are not part of it.
        QTest::newRow("in angle brackets") << "<https://example.org/a>"
                                           << "&lt;<a href=\"https://example.org/a\">https://example.org/a</a>&gt;";
        QTest::newRow("in quotes") << "\"www.example.com\" and <john@example.org>"
                                   << "&quot;<a href=\"http://www.example.com\">www.example.com</a>&quot; and "
                                      "&lt;<a href=\"mailto:john@example.org\">john@example.org</a>&gt;";
    }
    void markupLinks()
    {
        QFETCH(QString, text);
        QFETCH(QString, html);
        QCOMPARE(AbstractCommonEvent::markupLinks(text), html);
    }

    void markupLinksAgreesWithThePatternSearch()
    {
        // Short random texts of the characters that build, end or break addresses.
        const QString alphabet = QStringLiteral("aAb1_.-@:/,;?&\"'()<> \u00e9\u0430xhtpfwmoc");
        const QStringList words{QStringLiteral("http://"),  QStringLiteral("https://"), QStringLiteral("ftp://"),
                                QStringLiteral("www."),     QStringLiteral(".com"),     QStringLiteral(".org"),
                                QStringLiteral("@mail.de"), QStringLiteral("a@b"),      QStringLiteral(".."),
                                QStringLiteral("-x"),       QStringLiteral(":8080/")};
        QRandomGenerator random(20261207);
        for (int i = 0; i < 20000; ++i) {
            QString text;
            const int pieces = random.bounded(1, 14);
            for (int k = 0; k < pieces; ++k) {
                if (random.bounded(3) == 0)
                    text += words.at(random.bounded(int(words.size())));
                else
                    text += alphabet.at(random.bounded(int(alphabet.size())));
            }
            const QString expected = markupLinksByPatternSearch(text);
            const QString html = AbstractCommonEvent::markupLinks(text);
            if (html != expected)
                QFAIL(qPrintable(QStringLiteral("text \"%1\": \"%2\" instead of \"%3\"").arg(text, html, expected)));
        }
        // A lone surrogate makes the pattern search find nothing; the text is still shown escaped.
        const QString broken = QStringLiteral("<www.example.com ") + QChar(0xD800);
        QCOMPARE(AbstractCommonEvent::markupLinks(broken), markupLinksByPatternSearch(broken));
    }

    void markupLinksOfLongRunsIsLinear_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("tail");
        QTest::newRow("letters and dots") << "a." << QString();
        QTest::newRow("digits and dots") << "1." << QString();
        QTest::newRow("hyphens and dots") << "-." << QString();
        QTest::newRow("at signs") << "a@" << QString();
        QTest::newRow("mail names") << "a.b-"
                                    << "@x";
        QTest::newRow("domain without top level") << "a@b." << QString();
        QTest::newRow("schemes") << "http://" << QString();
        QTest::newRow("ends in an address") << "a."
                                            << "example.org";
    }
    void markupLinksOfLongRunsIsLinear()
    {
        QFETCH(QString, unit);
        QFETCH(QString, tail);
        // An imported description may hold 4 Mi characters; the information frame must not freeze. A
        // text twice as long takes at most twice the steps, give or take its ends (the time is bench_links' row).
        qsizetype steps[2] = {};
        for (const int twice : {0, 1}) {
            const QString text = unit.repeated(qsizetype(2048) << twice) + tail;
            const QString html = AbstractCommonEvent::markupLinks(text, &steps[twice]);
            QVERIFY(html.size() >= text.size());
        }
        QVERIFY2(steps[0] > 0 && steps[1] <= 2 * steps[0] + 16,
                 qPrintable(QStringLiteral("%1 steps, then %2").arg(steps[0]).arg(steps[1])));
    }

    void editorValuesAndForms()
    {
        TestHelpers::expectFailedChecks();
        EventTestEnv env;
        HolidayEvent e;
        QPointer<FakeForm> made;
        AbstractCommonEvent::setFormMaker(EventTypeHoliday, [&](AbstractCommonEvent *event, QWidget *) {
            made = new FakeForm(event);
            return made.data();
        });
        e.eventWidget(nullptr);
        QVERIFY(made);
        QString error;
        QVERIFY(!e.acceptEditor(error));
        QCOMPARE(error, QStringLiteral("Caption cannot be empty"));
        made->m_caption = "Fest";
        QVERIFY(e.acceptEditor(error));
        QCOMPARE(e.caption(), QStringLiteral("Fest"));
        delete made;
        QVERIFY(!e.openForm());
        QVERIFY(!e.acceptEditor(error)); // no form open: refused, reported
        AbstractCommonEvent::setFormMaker(EventTypeHoliday, {});

        Common::Clock::advance(60000);
        AbstractCommonEvent::EditorValues values;
        values.calendarId = "chosen";
        values.photoChanged = true;
        values.photoIsDefault = false;
        values.photo = QPixmap(128, 128);
        values.photo.fill(Qt::blue);
        e.acceptCommonEditorValues(values);
        QCOMPARE(e.calendarId(), QByteArray("chosen"));
        QCOMPARE(e.lastModified(), Common::Clock::now());
        QVERIFY(e.hasStoredPhoto());
        values.photoIsDefault = true;
        e.acceptCommonEditorValues(values);
        QVERIFY(!e.hasStoredPhoto());
        QVERIFY(e.photo(false).toImage().pixelColor(64, 64) != QColor(Qt::blue));
    }

    void photosGoThroughStorageAndCache()
    {
        EventTestEnv env;
        NotSpecifiedEvent e;
        QVERIFY(!e.hasStoredPhoto());
        const QPixmap kindPicture = e.photo(false);
        QCOMPARE(kindPicture.size(), QSize(128, 128));

        QPixmap red(128, 128);
        red.fill(Qt::red);
        QSignalSpy data(&e, &AbstractCommonEvent::dataChanged);
        e.setPhoto(red);
        QCOMPARE(data.count(), 1);
        QVERIFY(e.hasStoredPhoto());
        QVERIFY(env.storage->contains(e.id() + "photo128x128"));
        QCOMPARE(e.photo(false).toImage().pixelColor(5, 5), QColor(Qt::red));

        QVERIFY(e.removePhoto());
        QVERIFY(!e.hasPhotoFlag());
        QVERIFY(!e.hasStoredPhoto());
        QVERIFY(e.restorePhoto());
        QVERIFY(e.hasPhotoFlag());
        QVERIFY(e.hasStoredPhoto());

        // A re-created event finds its photo in the storage.
        e.clearPhotoCache();
        NotSpecifiedEvent again(e.id());
        QCOMPARE(again.photo(false).toImage().pixelColor(5, 5), QColor(Qt::red));
    }

    void cornerOnlyForBuiltInKindsThatAllowIt()
    {
        EventTestEnv env;
        HolidayEvent holiday;
        // A holiday has no default photo: without a stored photo it gets no corner.
        QCOMPARE(holiday.photo(true).toImage(), holiday.photo(false).toImage());
        QPixmap white(128, 128);
        white.fill(Qt::white);
        holiday.setPhoto(white);
        QVERIFY(holiday.photo(true).toImage() != holiday.photo(false).toImage());

        CustomTypeInfo info;
        info.id = "type";
        holiday.setCustomTypeMetaInfo(info);
        QVERIFY(!holiday.cornerAllowed());
    }

    void keptAnswersFollowChanges()
    {
        EventTestEnv env; // 10 March 2026, 9:30
        NotSpecifiedEvent e;
        e.setPeriod(Period(QDate(2026, 3, 9), QTime(12, 0)));
        e.setOccurrence(Occurrence(QDate(2026, 3, 9), IOccurrence::Daily));
        QCOMPARE(e.nextPeriod().beginDate(), QDate(2026, 3, 10));
        QCOMPARE(e.reminderDateTime(), QDateTime(QDate(2026, 3, 10), QTime(11, 45)));
        e.setOccurrence(Occurrence(QDate(2026, 3, 9), IOccurrence::Weekly));
        QCOMPARE(e.nextPeriod().beginDate(), QDate(2026, 3, 16));
        QCOMPARE(e.reminderDateTime(), QDateTime(QDate(2026, 3, 16), QTime(11, 45)));
        Common::Clock::pin(QDateTime(QDate(2026, 3, 17), QTime(9, 0)));
        QCOMPARE(e.nextPeriod().beginDate(), QDate(2026, 3, 23));
        QCOMPARE(e.reminderDateTime(), QDateTime(QDate(2026, 3, 23), QTime(11, 45)));
    }

    void keptRemindersFollowTheMomentTheEventAndTheZone_data()
    {
        QTest::addColumn<QDateTime>("first"); // wall readings, made local in the zone of the test
        QTest::addColumn<QDateTime>("later");
        QTest::addColumn<int>("change"); // 1: a new notice, 2: the zone changes
        const QDateTime night(QDate(2026, 3, 10), QTime(0, 0), Qt::UTC);
        QTest::newRow("reminder passed") << night << night.addSecs(3 * 3600) << 0;
        QTest::newRow("asked earlier") << night.addSecs(3 * 3600) << night.addSecs(3600) << 0;
        QTest::newRow("new notice") << night << night << 1;
        const QDateTime gapDay(QDate(2026, 3, 29), QTime(0, 0), Qt::UTC); // Berlin skips 2:30, Tokyo does not
        QTest::newRow("zone changed") << gapDay << gapDay << 2;
    }

    // Last: the zone stays pinned, as in the program.
    void keptRemindersFollowTheMomentTheEventAndTheZone()
    {
        QFETCH(QDateTime, first);
        QFETCH(QDateTime, later);
        QFETCH(int, change);
        const auto local = [](const QDateTime &wall) { return QDateTime(wall.date(), wall.time()); };
        QTemporaryDir dir;
        const QString zoneFile = dir.filePath(QStringLiteral("localtime"));
        QVERIFY(QFile::link(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"), zoneFile));
        qunsetenv("TZ");
        TimeZoneWatcher::pinSystemZone();
        TimeZoneWatcher watcher(zoneFile);
        EventTestEnv env;
        NotSpecifiedEvent e;
        e.setPeriod(Period(QDate(2026, 3, 1), QTime(2, 30)));
        e.setOccurrence(Occurrence(QDate(2026, 3, 1), IOccurrence::Daily));
        e.reminderDateTimeAfter(local(first));
        if (change == 1)
            e.setNotifyMinutes(60);
        else if (change == 2 && QFile::remove(zoneFile) && QFile::link("/usr/share/zoneinfo/Asia/Tokyo", zoneFile))
            watcher.checkZone();
        NotSpecifiedEvent fresh;
        fresh.loadFromVariant(e.saveToVariant());
        QCOMPARE(e.reminderDateTimeAfter(local(later)), fresh.reminderDateTimeAfter(local(later)));
    }
};

QTEST_MAIN(TestAbstractCommonEvent)
#include "tst_abstractcommonevent.moc"
