#include "core/clock.h"
#include "core/encodingdetector.h"
#include "core/properties.h"
#include "events/birthdayevent.h"
#include "events/occurrence.h"
#include "events/period.h"
#include "fakeapplication.h"
#include "store/eventsimporter.h"
#include "store/eventsmanager.h"
#include "events/notspecifiedevent.h"
#include "testhelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <memory>

namespace {

struct Imported
{
    QList<AbstractCommonEventPtr> events;
    bool hasError = false;
    QString error;
    ImportNotes notes;
};

Imported importFile(int format, const QString &path, const QByteArray &encoding = QByteArray())
{
    EventsImporter importer(format);
    Imported result;
    result.events = importer.import(path, encoding);
    result.hasError = importer.hasError();
    result.error = importer.errorString();
    result.notes = importer.notes();
    return result;
}

// Restores the default locale when a test ends.
class ScopedLocale
{
public:
    explicit ScopedLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

QByteArray vevent(const QByteArray &body)
{
    return "BEGIN:VEVENT\r\n" + body + "\r\nEND:VEVENT\r\n";
}

QByteArray calendar(const QByteArray &blocks)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + blocks + "END:VCALENDAR\r\n";
}

} // namespace

class TestEventsImporter : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_properties;

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir->filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!TestHelpers::writeFile(path, content))
            qFatal("cannot write test file");
        return path;
    }

    Imported importIcs(const QByteArray &text, const QString &name = QStringLiteral("cal.ics"))
    {
        return importFile(EventsImporter::ICalendarFormat, write(name, text));
    }

    Imported importCsv(const QByteArray &text, const QByteArray &encoding = "UTF-8")
    {
        return importFile(EventsImporter::CsvFormat, write(QStringLiteral("rows.csv"), text), encoding);
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<FakeApplication>();
        m_properties = std::make_unique<Properties>(nullptr, m_dir->filePath(QStringLiteral("prop.dat")));
        m_properties->addProperty("daysToWatch", 9);
        m_app->m_properties = m_properties.get();
        Common::Clock::pin(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
    }

    void cleanup()
    {
        Common::Clock::unpin();
        m_app.reset();
        m_properties.reset();
        m_dir.reset();
    }

    void choosesFormatFromSuffix_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("format");
        QTest::newRow("evt") << "/a/b.evt" << int(EventsImporter::QuillaneEventsFormat);
        QTest::newRow("upper ics") << "B.ICS" << int(EventsImporter::ICalendarFormat);
        QTest::newRow("mixed csv") << "x.Csv" << int(EventsImporter::CsvFormat);
        QTest::newRow("vcs refused") << "y.vcs" << -1;
        QTest::newRow("none") << "/tmp/noext" << -1;
    }

    void choosesFormatFromSuffix()
    {
        QFETCH(QString, fileName);
        QFETCH(int, format);
        QCOMPARE(EventsImporter::formatForFileName(fileName), format);
        QCOMPARE(EventsImporter::unknownFormatText(), QStringLiteral("Unknown file format"));
    }

    void refusesUnknownFormatIndex()
    {
        TestHelpers::expectFailedChecks();
        EventsImporter importer(3);
        QVERIFY(importer.import(write(QStringLiteral("x.evt"), "{}"), QByteArray()).isEmpty());
        QVERIFY(importer.hasError());
    }

    // The own events file.

    void ownFormatKeepsIdsAndOrder()
    {
        const QString path = m_dir->filePath(QStringLiteral("export.evt"));
        QList<QByteArray> ids;
        {
            EventsManager manager(path);
            for (const char *caption : {"first", "second", "third"}) {
                auto event = std::make_shared<NotSpecifiedEvent>(ids.value(1)); // the third repeats the second's id
                event->setPeriod(Period(QDate(2024, 5, 1)));
                event->setCaption(QString::fromLatin1(caption));
                manager.addEvent(event);
                ids << event->id();
            }
        }
        const QByteArray before = TestHelpers::readFile(path);
        const Imported imported = importFile(EventsImporter::QuillaneEventsFormat, path, "no-such-codec");
        QVERIFY(!imported.hasError);
        QCOMPARE(imported.events.size(), 3);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(imported.events[i]->id(), ids[i]);
        QVERIFY(imported.events[2]->id() != ids[1]);
        QCOMPARE(imported.events[2]->caption(), QStringLiteral("third"));
        QCOMPARE(TestHelpers::readFile(path), before); // reading never writes
    }

    void ownFormatRefusesNewerFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("newer.evt"));
        {
            EventsManager manager(path);
            auto event = std::make_shared<NotSpecifiedEvent>();
            event->setPeriod(Period(QDate(2024, 5, 1)));
            manager.addEvent(event);
        }
        QByteArray text = TestHelpers::readFile(path);
        QVERIFY(text.contains("\"3.3.0\""));
        text.replace("\"3.3.0\"", "\"99.0\"");
        QVERIFY(TestHelpers::writeFile(path, text));
        const Imported imported = importFile(EventsImporter::QuillaneEventsFormat, path);
        QVERIFY(imported.events.isEmpty());
        QVERIFY(imported.hasError);
        QCOMPARE(imported.error, QStringLiteral("Events file was saved with newer version of the program."));
    }

    void ownFormatSkipsEntriesItCannotRead()
    {
        // One entry of an unknown kind does not cost the file's other events.
        const QString path = m_dir->filePath(QStringLiteral("partly.evt"));
        QByteArray id;
        {
            EventsManager manager(path);
            auto event = std::make_shared<NotSpecifiedEvent>();
            event->setPeriod(Period(QDate(2024, 5, 1)));
            event->setCaption(QStringLiteral("kept"));
            manager.addEvent(event);
            id = event->id();
        }
        QByteArray text = TestHelpers::readFile(path);
        QVERIFY(text.contains("\"eventsList\": ["));
        text.replace("\"eventsList\": [", "\"eventsList\": [{\"data\": {},\"type\": 42}, ");
        QVERIFY(TestHelpers::writeFile(path, text));
        const Imported imported = importFile(EventsImporter::QuillaneEventsFormat, path);
        QVERIFY(!imported.hasError);
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->id(), id);
        QCOMPARE(TestHelpers::readFile(path), text);
    }

    void ownFormatWithoutEvents_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty list") << QByteArray("{\"Events\":{\"version\":\"3.3.0\",\"eventsList\":[]}}")
                                    << QString();
        QTest::newRow("empty file") << QByteArray() << QString();
        QTest::newRow("not json") << QByteArray("\x01\x02garbage")
                                  << QStringLiteral("Invalid or unknown events file format");
        QTest::newRow("not an object") << QByteArray("[1,2]")
                                       << QStringLiteral("Invalid or unknown events file format");
    }

    void ownFormatWithoutEvents()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, error);
        const QString path = write(QStringLiteral("empty.evt"), content);
        const Imported imported = importFile(EventsImporter::QuillaneEventsFormat, path);
        QVERIFY(imported.events.isEmpty());
        QCOMPARE(imported.error, error);
        QCOMPARE(TestHelpers::readFile(path), content);
        QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("*.bak*")}, QDir::Files), QStringList());
    }

    void ownFormatMissingFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("gone.evt"));
        const Imported imported = importFile(EventsImporter::QuillaneEventsFormat, path);
        QVERIFY(imported.hasError);
        QCOMPARE(imported.error, QStringLiteral("Cannot open file: ") + path);
        QVERIFY(!QFile::exists(path));
    }

    // iCalendar.

    void icsChoosesKinds()
    {
        const Imported imported = importIcs(calendar(
            "BEGIN:VTODO\r\nUID:t\r\nDUE;VALUE=DATE:20240710\r\nSUMMARY:File taxes\r\nEND:VTODO\r\n" +
            vevent("UID:b\r\nDTSTART;VALUE=DATE:19800315\r\nDTEND;VALUE=DATE:19800316\r\nSUMMARY:Anna's birthday") +
            vevent("UID:h\r\nDTSTART;VALUE=DATE:20241225\r\nCATEGORIES:Public Holidays\r\nSUMMARY:Christmas") +
            vevent("UID:th\r\nDTSTART:20241225T100000\r\nCATEGORIES:HOLIDAY\r\nSUMMARY:Timed") +
            vevent("UID:a\r\nDTSTART:20240701T100000Z\r\nSUMMARY:Meeting")));
        QVERIFY(!imported.hasError);
        QCOMPARE(imported.events.size(), 5);
        QCOMPARE(imported.events[0]->type(), EventTypeTask);
        QCOMPARE(imported.events[0]->period(), Period(QDate(2024, 7, 10)));
        QCOMPARE(imported.events[1]->type(), EventTypeBirthday);
        auto birthday = std::dynamic_pointer_cast<BirthdayEvent>(imported.events[1]);
        QVERIFY(birthday);
        QCOMPARE(birthday->personName(), QStringLiteral("Anna"));
        QCOMPARE(birthday->period(), Period(QDate(1980, 3, 15)));
        QCOMPARE(birthday->occurrence().type(), IOccurrence::Yearly);
        QCOMPARE(imported.events[2]->type(), EventTypeHoliday);
        QCOMPARE(imported.events[3]->type(), EventTypeNotSpecified);
        QCOMPARE(imported.events[4]->type(), EventTypeNotSpecified);
        for (const auto &event : imported.events)
            QCOMPARE(event->daysToWatch(), 9);
        QCOMPARE(imported.events[4]->id(), QByteArray("a"));
    }

    void icsHolidayFolderMakesAllDayHolidays()
    {
        const QByteArray text = calendar(vevent("DTSTART;VALUE=DATE:20241225\r\nSUMMARY:Christmas") +
                                         vevent("DTSTART:20241225T100000\r\nSUMMARY:Service"));
        const Imported imported = importIcs(text, QStringLiteral("Holidays/de.ics"));
        QCOMPARE(imported.events.size(), 2);
        QCOMPARE(imported.events[0]->type(), EventTypeHoliday);
        QCOMPARE(imported.events[1]->type(), EventTypeNotSpecified);
    }

    void icsPeriods_data()
    {
        QTest::addColumn<QByteArray>("dates");
        QTest::addColumn<Period>("period");
        const QDate may1(2024, 5, 1);
        QTest::newRow("all-day range, exclusive end")
            << QByteArray("DTSTART;VALUE=DATE:20240501\r\nDTEND;VALUE=DATE:20240503") << Period(may1, may1.addDays(1));
        QTest::newRow("one all-day") << QByteArray("DTSTART;VALUE=DATE:20240501\r\nDTEND;VALUE=DATE:20240502")
                                     << Period(may1);
        QTest::newRow("timed keeps its end") << QByteArray("DTSTART:20240501T100000\r\nDTEND:20240501T110000")
                                             << Period(QDateTime(may1, QTime(10, 0)), QDateTime(may1, QTime(11, 0)));
        QTest::newRow("timed ending at midnight")
            << QByteArray("DTSTART:20240501T220000\r\nDTEND:20240502T000000")
            << Period(QDateTime(may1, QTime(22, 0)), QDateTime(may1.addDays(1), QTime(0, 0)));
        QTest::newRow("midnight to midnight is one whole day")
            << QByteArray("DTSTART:20240501T000000\r\nDTEND:20240502T000000") << Period(may1);
        QTest::newRow("utc to local") << QByteArray("DTSTART:20240501T100000Z")
                                      << Period(QDateTime(may1, QTime(12, 0)));
        QTest::newRow("tzid to local") << QByteArray("DTSTART;TZID=America/New_York:20240501T100000")
                                       << Period(QDateTime(may1, QTime(16, 0)));
        QTest::newRow("timed elsewhere, at midnight here")
            << QByteArray("DTSTART;TZID=America/Los_Angeles:20240501T150000")
            << Period(QDateTime(may1.addDays(1), QTime(0, 0)));
        QTest::newRow("whole day elsewhere") << QByteArray("DTSTART;TZID=Australia/Sydney:20240501T000000\r\n"
                                                           "DTEND;TZID=Australia/Sydney:20240502T000000")
                                             << Period(may1);
        QTest::newRow("end only") << QByteArray("DTEND:20240501T100000") << Period(QDateTime(may1, QTime(10, 0)));
        QTest::newRow("end before begin ignored")
            << QByteArray("DTSTART:20240501T100000\r\nDTEND:20240430T100000") << Period(QDateTime(may1, QTime(10, 0)));
        // A time in UTC or a zone is a moment wherever the user is (after "@"); a floating midnight is a day.
        const QDate jan1(2027, 1, 1), dec31(2026, 12, 31);
        const QByteArray utcMidnight = "DTSTART:20270101T000000Z\r\nRRULE:FREQ=DAILY";
        QTest::newRow("utc midnight @Europe/Berlin") << utcMidnight << Period(jan1, QTime(1, 0));
        QTest::newRow("utc midnight @America/Sao_Paulo") << utcMidnight << Period(dec31, QTime(21, 0));
        QTest::newRow("utc midnight to midnight @America/Sao_Paulo")
            << QByteArray("DTSTART:20270101T000000Z\r\nDTEND:20270102T000000Z")
            << Period(dec31, QTime(21, 0), jan1, QTime(21, 0));
        QTest::newRow("zoned midnight @America/Sao_Paulo")
            << QByteArray("DTSTART;TZID=Europe/Berlin:20270101T000000") << Period(dec31, QTime(20, 0));
        QTest::newRow("floating midnight @America/Sao_Paulo") << QByteArray("DTSTART:20270101T000000") << Period(jan1);
        QTest::newRow("utc midnight flagged all-day @America/Sao_Paulo")
            << QByteArray("DTSTART:20270101T000000Z\r\nX-MICROSOFT-CDO-ALLDAYEVENT:TRUE") << Period(jan1);
        // Days whose midnight the clock skips here; exact hours over a short day end at another hour.
        QTest::newRow("skipped midnight to midnight @America/Santiago")
            << QByteArray("DTSTART:20270905T000000\r\nDTEND:20270906T000000\r\nRRULE:FREQ=DAILY")
            << Period(QDate(2027, 9, 5));
        QTest::newRow("skipped midnight flagged all-day @Africa/Cairo")
            << QByteArray("DTSTART:20270430T000000\r\nX-MICROSOFT-CDO-ALLDAYEVENT:TRUE") << Period(QDate(2027, 4, 30));
        QTest::newRow("ends on a skipped midnight @Atlantic/Azores")
            << QByteArray("DTSTART:20270327T000000\r\nDTEND:20270328T000000") << Period(QDate(2027, 3, 27));
        const QByteArray shortDay = "DTSTART;TZID=America/Los_Angeles:20270314T000000\r\nDURATION:";
        QTest::newRow("PT24H over a short day")
            << shortDay + "PT24H"
            << Period(QDateTime(QDate(2027, 3, 14), QTime(9, 0)), QDateTime(QDate(2027, 3, 15), QTime(9, 0)));
        QTest::newRow("P1D over a short day") << shortDay + "P1D" << Period(QDate(2027, 3, 14));
        // A series whose first time the clock skips here keeps its time; only that first date is moved.
        QTest::newRow("floating series from a skipped time @America/Santiago")
            << QByteArray("DTSTART:20270905T003000\r\nRRULE:FREQ=DAILY") << Period(QDate(2027, 9, 5), QTime(0, 30));
        QTest::newRow("zoned series from a skipped time @Europe/Berlin")
            << QByteArray("DTSTART;TZID=Europe/Berlin:20270328T023000\r\nDTEND;TZID=Europe/Berlin:20270328T033000\r\n"
                          "RRULE:FREQ=WEEKLY")
            << Period(QDate(2027, 3, 28), QTime(2, 30), QDate(2027, 3, 28), QTime(3, 30));
    }

    void icsPeriods()
    {
        QFETCH(QByteArray, dates);
        QFETCH(Period, period);
        const QByteArray tag = QTest::currentDataTag();
        TestHelpers::ScopedTimeZone tz(tag.contains('@') ? tag.mid(tag.indexOf('@') + 1).constData() : "Europe/Berlin");
        const Imported imported = importIcs(calendar(vevent(dates + "\r\nSUMMARY:x")));
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->period(), period);
    }

    void icsMovesFutureBirthdaysToNoYear()
    {
        const Imported imported = importIcs(calendar(vevent("DTSTART;VALUE=DATE:20250229\r\nSUMMARY:Bob's birthday") +
                                                     vevent("DTSTART;VALUE=DATE:20240229\r\nSUMMARY:Eve's birthday") +
                                                     vevent("DTSTART;VALUE=DATE:20250301\r\nSUMMARY:Future")));
        QCOMPARE(imported.events.size(), 2); // 2025-02-29 does not exist
        QCOMPARE(imported.events[0]->period(), Period(QDate(2024, 2, 29)));
        QCOMPARE(imported.events[1]->period(), Period(QDate(2025, 3, 1)));
        const Imported future = importIcs(calendar(vevent("DTSTART;VALUE=DATE:20280229\r\nSUMMARY:Bob's birthday")));
        QCOMPARE(future.events.size(), 1);
        QCOMPARE(future.events[0]->period(), Period(QDate(1852, 2, 29)));
        QCOMPARE(future.events[0]->occurrence().type(), IOccurrence::Yearly);
    }

    void icsTexts()
    {
        const Imported imported =
            importIcs(calendar(vevent("DTSTART:20240501T100000\r\nSUMMARY:Plain") +
                               vevent("DTSTART:20240501T100000\r\nSUMMARY:Both\r\nLOCATION:Room 1\\, "
                                      "west\r\nDESCRIPTION:Bring a\r\n  pen\\nand paper") +
                               vevent("DTSTART:20240501T100000\r\nDESCRIPTION:Only text") +
                               vevent("DTSTART:20240501T100000\r\nLOCATION:Nowhere") +
                               vevent("DTSTART:20240501T100000\r\nSUMMARY:Rule\r\nRRULE:FREQ=WEEKLY;INTERVAL=2")));
        QCOMPARE(imported.events.size(), 4);
        QCOMPARE(imported.events[0]->comment(), QString());
        QCOMPARE(imported.events[1]->caption(), QStringLiteral("Both"));
        QCOMPARE(imported.events[1]->comment(), QStringLiteral("Room 1, west, Bring a pen\nand paper"));
        QCOMPARE(imported.events[2]->caption(), QStringLiteral("Only text"));
        QCOMPARE(imported.events[2]->comment(), QStringLiteral("Only text"));
        QCOMPARE(imported.events[3]->occurrence().type(), IOccurrence::Weekly);
        QCOMPARE(imported.events[3]->occurrence().step(), 2);
        QCOMPARE(imported.events[3]->occurrence().startDate(), QDate(2024, 5, 1));
    }

    void icsGivesRepeatedUidsNewIds()
    {
        const QByteArray text = calendar(vevent("UID:same\r\nDTSTART:20240501T100000\r\nSUMMARY:Series") +
                                         vevent("UID:same\r\nDTSTART:20240508T110000\r\nSUMMARY:Moved one") +
                                         vevent("DTSTART:20240509T110000\r\nSUMMARY:No uid"));
        const Imported first = importIcs(text);
        QCOMPARE(first.events.size(), 3);
        QCOMPARE(first.events[0]->id(), QByteArray("same"));
        QVERIFY(!first.events[1]->id().isEmpty());
        QVERIFY(first.events[1]->id() != "same");
        QVERIFY(!first.events[2]->id().isEmpty());
        // The first keeps its UID on every import, so importing again replaces it.
        const Imported second = importIcs(text);
        QCOMPARE(second.events[0]->id(), QByteArray("same"));
    }

    void icsUnreadableFile()
    {
        const Imported imported =
            importFile(EventsImporter::ICalendarFormat, m_dir->filePath(QStringLiteral("no.ics")));
        QVERIFY(imported.events.isEmpty());
        QVERIFY(imported.hasError);
        QCOMPARE(imported.error, QStringLiteral("Invalid or unknown iCalendar format"));
        const Imported empty = importIcs("just text");
        QVERIFY(empty.events.isEmpty());
        QVERIFY(!empty.hasError);
    }

    // Calendars written by other programs, as shipped with python3-icalendar.
    void icsFromOtherPrograms()
    {
        const QDir dir(QStringLiteral("/usr/lib/python3/dist-packages/icalendar/tests"));
        const QStringList files = dir.entryList({QStringLiteral("*.ics")}, QDir::Files);
        if (files.isEmpty())
            QSKIP("python3-icalendar is not installed");
        int total = 0;
        for (const QString &name : files) {
            const Imported imported = importFile(EventsImporter::ICalendarFormat, dir.filePath(name));
            QVERIFY2(!imported.hasError, qPrintable(name));
            for (const auto &event : imported.events)
                QVERIFY2(event->period().isValid(), qPrintable(name));
            total += imported.events.size();
        }
        QVERIFY(total > 10);
    }

    // CSV.

    void csvDayFirst()
    {
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        const Imported imported = importCsv("Datum,Titel,Notiz\n"
                                            "24.12,Christmas\n"
                                            "24.12.2015,Christmas\n"
                                            "24.12.15,two-digit year\n"
                                            "2015-12-32,iso date\n"
                                            "30.02.2015,no such day\n"
                                            ",no date\n"
                                            "24.12.2015 10:30,Meeting,,room 4\n"
                                            "24.12.2015 25:99,Bad time,a,b\n"
                                            "3.5.1980,Anna's birthday\n"
                                            "1.1.2016,\"Party, big\"\n");
        QVERIFY(!imported.hasError);
        QCOMPARE(imported.events.size(), 7);
        auto e = imported.events;
        QCOMPARE(e[0]->period(), Period(QDate(1852, 12, 24)));
        QCOMPARE(e[0]->occurrence().type(), IOccurrence::Yearly);
        QCOMPARE(e[0]->id(), QByteArray("ueF5YKvcVeDBy2UkYUZoiVVYWdc="));
        QCOMPARE(e[1]->period(), Period(QDate(2015, 12, 24)));
        QCOMPARE(e[1]->occurrence().type(), IOccurrence::Once);
        QCOMPARE(e[1]->id(), QByteArray("+mt6l2HqcGLiLodt5LeWxpKoWfM="));
        QCOMPARE(e.takeAt(2)->period(), Period(QDate(2015, 12, 24)));
        QCOMPARE(e[2]->period(), Period(QDateTime(QDate(2015, 12, 24), QTime(10, 30))));
        QCOMPARE(e[2]->comment(), QStringLiteral("room 4"));
        QCOMPARE(e[2]->id(), QByteArray("qdGJsOAqbB1JIJHk31joz8t9zkk="));
        QCOMPARE(e[3]->period(), Period(QDate(2015, 12, 24)));
        QCOMPARE(e[3]->comment(), QStringLiteral("a; b"));
        QCOMPARE(e[4]->type(), EventTypeBirthday);
        QCOMPARE(std::dynamic_pointer_cast<BirthdayEvent>(e[4])->personName(), QStringLiteral("Anna"));
        QCOMPARE(e[4]->period(), Period(QDate(1980, 5, 3)));
        QCOMPARE(e[4]->occurrence().type(), IOccurrence::Yearly);
        QCOMPARE(e[5]->caption(), QStringLiteral("Party, big"));
        for (const auto &event : e)
            QCOMPARE(event->daysToWatch(), 9);
    }

    void csvKeepsTimesThatClocksSkip()
    {
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const Imported imported = importCsv("29.03.2015 02:30,Night shift\n");
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->period(), Period(QDate(2015, 3, 29), QTime(2, 30)));
    }

    void csvMonthFirst()
    {
        ScopedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
        const Imported imported = importCsv("12/24/2015 10:30 PM,\"Party, big\"\n12/24,Christmas\n24/12/2015,x\n");
        QCOMPARE(imported.events.size(), 2);
        QCOMPARE(imported.events[0]->period(), Period(QDateTime(QDate(2015, 12, 24), QTime(22, 30))));
        QCOMPARE(imported.events[0]->id(), QByteArray("LSPAa95IAOsMZve0GcWtYddNG08="));
        QCOMPARE(imported.events[1]->period(), Period(QDate(1852, 12, 24)));
    }

    void csvTwoDigitYears_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QDateTime>("begin"); // invalid: the row is dropped
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale american(QLocale::English, QLocale::UnitedStates);
        // The clock stands at 1 June 2024: two-digit years read as 1974 to 2073.
        QTest::newRow("de coming year") << german << QByteArray("24.12.27 10:00,x")
                                        << QDateTime(QDate(2027, 12, 24), QTime(10, 0));
        QTest::newRow("de last of the window")
            << german << QByteArray("01.01.73 08:15,x") << QDateTime(QDate(2073, 1, 1), QTime(8, 15));
        QTest::newRow("de first of the window")
            << german << QByteArray("01.01.74 08:15,x") << QDateTime(QDate(1974, 1, 1), QTime(8, 15));
        QTest::newRow("de leap day") << german << QByteArray("29.02.28 09:00,x")
                                     << QDateTime(QDate(2028, 2, 29), QTime(9, 0));
        QTest::newRow("de four digits stay")
            << german << QByteArray("24.12.1927 10:00,x") << QDateTime(QDate(1927, 12, 24), QTime(10, 0));
        QTest::newRow("de without time") << german << QByteArray("04.03.27,x")
                                         << QDateTime(QDate(2027, 3, 4), QTime(0, 0));
        QTest::newRow("us coming year") << american << QByteArray("12/24/27 10:00 AM,x")
                                        << QDateTime(QDate(2027, 12, 24), QTime(10, 0));
        QTest::newRow("us past year") << american << QByteArray("7/4/76 6:30 PM,x")
                                      << QDateTime(QDate(1976, 7, 4), QTime(18, 30));
        QTest::newRow("us four digits stay")
            << american << QByteArray("12/24/1927 10:00 PM,x") << QDateTime(QDate(1927, 12, 24), QTime(22, 0));
        QTest::newRow("us without time") << american << QByteArray("12/24/27,x")
                                         << QDateTime(QDate(2027, 12, 24), QTime(0, 0));
    }
    void csvTwoDigitYears()
    {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, row);
        QFETCH(QDateTime, begin);
        ScopedLocale scoped(locale);
        const Imported imported = importCsv(row + '\n');
        QVERIFY(!imported.hasError);
        if (!begin.isValid()) {
            QVERIFY(imported.events.isEmpty());
            return;
        }
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->period().beginDateTime(), begin);
    }

    void csvDateOrders_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("read"); // the dates, then the message after its count: one order per file
        const QLocale de(QLocale::German, QLocale::Germany), us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de, month first")
            << de << QByteArray("12/31/2026 2:30 PM,a\n4/1/2027,b\n4/13/2027,c\n13/4/2027,d")
            << "2026-12-31 14:30 2027-04-01 2027-04-13\n1 row was left out: its date fits only day first, but the "
               "file's dates were read month first (row 4).\nThe file's dates do not agree on an order; they were "
               "read month first, as most dates that fit only one order are written: 4/1/2027 is 1 April 2027.";
        const QByteArray mixed = "12/25/2027,a\n3/4/2027,b\n25/12/2027,c\n05/06/2027,d\n04/03/27,e";
        QTest::newRow("de, as many each way")
            << de << mixed
            << "2027-04-03 2027-12-25 2027-06-05 2027-03-04\n1 row was left out: its date fits only month first, "
               "but the file's dates were read day first (row 1).\nThe file's dates do not agree on an order; they "
               "were read day first, as your system writes dates: 3/4/2027 is 3 April 2027.";
        QTest::newRow("us, as many each way")
            << us << mixed
            << "2027-12-25 2027-03-04 2027-05-06 2027-04-03\n1 row was left out: its date fits only day first, but "
               "the file's dates were read month first (row 3).\nThe file's dates do not agree on an order; they "
               "were read month first, as your system writes dates: 3/4/2027 is 4 March 2027.";
        QTest::newRow("de, two-digit year month first")
            << de << QByteArray("12/25/2027,a\n3/4/27,b")
            << "2027-12-25\n1 row was left out: a two-digit year is read only in your system's order, day first, "
               "and the file's dates were read month first (row 2).";
        QTest::newRow("us, times with seconds")
            << us << QByteArray("1/20/2027 9:05:00,a\n3/14/2027 2:15:00 PM,b\n1/21/2027 25:99,c\n1/22/2027 9.30,d")
            << "2027-01-20 09:05 2027-03-14 14:15 2027-01-21 2027-01-22\n2 events have times that could not be "
               "read; they were imported for their whole days: \"c\" (25:99); \"d\" (9.30).";
        QTest::newRow("de, times with seconds")
            << de << QByteArray("4.3.2027 9:30:00,a\n24.12.2027 18:00:00,b") << "2027-03-04 09:30 2027-12-24 18:00";
        QTest::newRow("us, day first") << us << QByteArray("31.12.2026 14:30,a\n01.04.2027,b")
                                       << "2026-12-31 14:30 2027-04-01";
        QTest::newRow("year first") << de << QByteArray("2026-12-31 14:30,a\n2027-02-30,c")
                                    << "2026-12-31 14:30\n1 row was left out: its date is not a valid date (row 2).";
        QTest::newRow("de, either way") << de << QByteArray("4/1/2027,a\n5/5/2027,b")
                                        << "2027-01-04 2027-05-05\nEvery date fits both orders; they were read day "
                                           "first, as your system writes dates: 4/1/2027 is 4 January 2027.";
        QTest::newRow("us, either way") << us << QByteArray("4/4/2027,a\n4/1,b")
                                        << "2027-04-04 1852-04-01\nEvery date fits both orders; they were read "
                                           "month first, as your system writes dates: 4/1 is 1 April.";
        const QLocale ja(QLocale::Japanese, QLocale::Japan);
        QTest::newRow("us, dots") << us << QByteArray("05.01.2027,a\n06.02.2027,b") << "2027-01-05 2027-02-06";
        QTest::newRow("ja, two-digit year day first")
            << ja << QByteArray("25/12/2027,a\n3/4/27,b")
            << "2027-12-25\n1 row was left out: a two-digit year is read only in your system's order, year first, then "
               "month and day, and the file's dates were read day first (row 2).";
        QTest::newRow("us, time in a column of its own")
            << us
            << QByteArray("1/13/2027,09:00,Dentist\n1/14/2027,,Meeting\n1/15/2027 9.30,Quarterly planning with the "
                          "regional sales teams and the new product managers")
            << "2027-01-15\n1 row was left out: its second column, where the caption is read, is empty (row 2).\n1 row "
               "was left out: its second column holds a time, where the caption is read; a time is read after the date "
               "in the first column (row 1).\n1 event has a time that could not be read; it was imported for its whole "
               "day: \"Quarterly planning with the regional sales teams and the new…\" (9.30).";
    }

    void csvDateOrders()
    {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, rows);
        ScopedLocale scoped(locale);
        const Imported imported = importCsv(rows + '\n');
        QStringList read;
        for (const AbstractCommonEventPtr &event : imported.events)
            read << event->period().text(QStringLiteral("yyyy-MM-dd"), QStringLiteral("hh:mm"));
        const QStringList message = EventsImporter::resultText(int(read.size()), imported.notes).split('\n');
        QTEST((QStringList{read.join(QLatin1Char(' '))} + message.mid(1)).join(QLatin1Char('\n')), "read");
    }

    void csvSameFileSameIds()
    {
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        const QByteArray text = "24.12.2015,Christmas\n1.1.2016,New year,Room A\n1.1.2016,New year,Room B\n";
        const Imported first = importCsv(text);
        const Imported second = importCsv(text);
        QCOMPARE(first.events.size(), 3);
        QVERIFY(first.events[1]->id() != first.events[2]->id());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(first.events[i]->id(), second.events[i]->id());
    }

    void csvEncodings()
    {
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        const QString caption = QStringLiteral("Новый год");
        const QByteArray cp1251 = QTextCodec::codecForName("windows-1251")->fromUnicode(caption);
        Imported imported = importCsv("1.1.2016," + cp1251 + "\n", "windows-1251");
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->caption(), caption);
        // The byte-order mark is no part of the first date.
        imported = importCsv("\xEF\xBB\xBF"
                             "1.1.2016," +
                                 caption.toUtf8() + "\n",
                             "windows-1251");
        QCOMPARE(imported.events.size(), 1);
        QCOMPARE(imported.events[0]->caption(), caption);
        imported = importCsv("1.1.2016,x\n", "no-such-encoding");
        QVERIFY(imported.hasError);
        QCOMPARE(imported.error, QStringLiteral("Unknown text encoding: no-such-encoding"));
    }

    void csvFailures_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("one column") << QByteArray("24.12.2015\n1.1.2016\n") << QString();
        QTest::newRow("comma only in quotes") << QByteArray("\"24.12.2015,x\"\n") << QString();
        const QString semicolons =
            ": its fields are separated by semicolons, but the program reads fields separated by commas.";
        QTest::newRow("semicolons") << QByteArray("Datum;Betreff\n24.12.2027;Feier\n") << semicolons;
        QTest::newRow("semicolons, a comma in a caption")
            << QByteArray("Datum;Betreff\n05.01.2027 09:00;Besprechung, Raum 4\n06.01.2027 10:00;Feier\n")
            << semicolons;
    }

    void csvFailures()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        const Imported imported = importCsv(text);
        QVERIFY(imported.events.isEmpty());
        QCOMPARE(imported.error, QStringLiteral("Invalid or unknown Csv format") + reason);
    }

    void csvSurvivesGarbage()
    {
        QByteArray garbage;
        quint32 seed = 99;
        for (int i = 0; i < 100000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            garbage += char(seed >> 24);
        }
        for (const QByteArray &encoding : {QByteArray("UTF-8"), QByteArray("UTF-16"), QByteArray("windows-1251")}) {
            const Imported imported = importCsv(garbage + "\n24.12.2015,Christmas\n", encoding);
            QVERIFY(!imported.hasError || imported.error == QStringLiteral("Invalid or unknown Csv format") ||
                    imported.error.startsWith(QStringLiteral("The file is not ")));
        }
    }

    // What an import leaves out is counted for the message after it.
    void notesWhatIsLeftOut_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("imported");
        QTest::addColumn<QString>("message");
        QTest::newRow("CSV with dropped rows")
            << int(EventsImporter::CsvFormat)
            << QByteArray("Datum,Betreff\n24.12.2015,Christmas\n\n,no date\n30.02.2016,no such day\n"
                          "1.1.2016,New year\n")
            << 2
            << "Imported 2 events\n1 row was left out: its first column holds no date (row 4).\n"
               "1 row was left out: its date is not a valid date (row 5).";
        QTest::newRow("CSV with one dropped row")
            << int(EventsImporter::CsvFormat) << QByteArray("24.12.2015,Christmas\nsoon,Party\n") << 1
            << "Imported 1 events\n1 row was left out: its first column holds no date (row 2).";
        QTest::newRow("CSV with nothing readable")
            << int(EventsImporter::CsvFormat) << QByteArray("Date,Subject\nsoon,Party\n") << 0
            << "Nothing was imported: the file holds no event that could be read.\n"
               "1 row was left out: its first column holds no date (row 2).\nThe program reads the date, with a time "
               "after it, from a row's first column and the caption from the second.";
        QTest::newRow("CSV with dates either way, nothing imported")
            << int(EventsImporter::CsvFormat) << QByteArray("4/1/2027,\n5/5/2027,\n") << 0
            << "Nothing was imported: the file holds no event that could be read.\n"
               "2 rows were left out: they have a date but no caption (rows 1, 2).";
        QTest::newRow("iCalendar exceptions")
            << int(EventsImporter::ICalendarFormat)
            << calendar(vevent("UID:w\r\nDTSTART:20240603T090000\r\nRRULE:FREQ=WEEKLY\r\n"
                               "EXDATE:20240610T090000\r\nSUMMARY:Weekly") +
                        vevent("UID:w\r\nRECURRENCE-ID:20240617T090000\r\nDTSTART:20240618T090000\r\n"
                               "SUMMARY:Weekly, moved") +
                        vevent("UID:d\r\nDTSTART:20240603T090000\r\nRRULE:FREQ=DAILY\r\nSUMMARY:Daily"))
            << 3
            << "Imported 3 events\n1 repeating event has dates that were cancelled (EXDATE or a cancelled "
               "occurrence); these are not kept, so the event is shown and reminded on those dates too.\n1 changed or "
               "moved occurrence "
               "(RECURRENCE-ID) was imported as a separate event; its repeating event is still shown and "
               "reminded on the original date.";
        QTest::newRow("iCalendar with nothing readable")
            << int(EventsImporter::ICalendarFormat)
            << calendar(vevent("SUMMARY:no date") + vevent("DTSTART:2024") + vevent("DTSTART:20240603")) << 0
            << "Nothing was imported: the file holds no event that could be read.\n"
               "3 entries were left out: they have no readable date or no text.";
        QTest::newRow("empty iCalendar") << int(EventsImporter::ICalendarFormat) << calendar(QByteArray()) << 0
                                         << "Nothing was imported: the file holds no event that could be read.";
    }

    void notesWhatIsLeftOut()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, text);
        QFETCH(int, imported);
        QFETCH(QString, message);
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        const Imported result =
            importFile(format, write(format == EventsImporter::CsvFormat ? "rows.csv" : "cal.ics", text), "UTF-8");
        QVERIFY(!result.hasError);
        QCOMPARE(result.events.size(), imported);
        QCOMPARE(EventsImporter::resultText(imported, result.notes), message);
    }

    // What the file means comes in, or the message says what was not kept.
    void icsKeepsWhatTheFileMeans_data()
    {
        QTest::addColumn<QByteArray>("blocks");
        QTest::addColumn<QStringList>("events"); // caption, period, dates in the first two weeks
        QTest::addColumn<QString>("message");
        const QByteArray weekly = "UID:t\r\nDTSTART:20240603T090000\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Team";
        QTest::newRow("cancelled occurrence")
            << vevent(weekly) + vevent("UID:t\r\nRECURRENCE-ID:20240610T090000\r\nSTATUS:CANCELLED\r\n"
                                       "DTSTART:20240610T090000\r\nSUMMARY:Team")
            << QStringList{"Team 03.06.2024 09:00 | 06-03 06-10"}
            << "Imported 1 events\n1 repeating event has dates that were cancelled (EXDATE or a cancelled "
               "occurrence); these are not kept, so the event is shown and reminded on those dates too.";
        QTest::newRow("cancelled event, alarms")
            << vevent("DTSTART:20240603T090000\r\nSTATUS:CANCELLED\r\nSUMMARY:Called off") +
                   vevent("DTSTART:20240604T090000\r\nSUMMARY:Dentist\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM")
            << QStringList{"Dentist 04.06.2024 09:00 | 06-04"}
            << "Imported 1 events\n1 cancelled event (STATUS:CANCELLED) was left out.\nThe alarms (VALARM) of 1 "
               "event were not read; it gets the program's own reminder instead: \"Dentist\".";
        QTest::newRow("extra dates")
            << vevent("UID:r\r\nDTSTART:20240605T100000\r\nDTEND:20240605T110000\r\nSUMMARY:Visit\r\n"
                      "RDATE:20240612T100000,20240605T100000\r\nRDATE:20240619T140000")
            << QStringList{"Visit 05.06.2024 10:00 - 05.06.2024 11:00 | 06-05",
                           "Visit 12.06.2024 10:00 - "
                           "12.06.2024 11:00 | 06-12",
                           "Visit 19.06.2024 14:00 - 19.06.2024 15:00 | 06-19"}
            << "Imported 3 events\n2 extra dates of events (RDATE) were imported as events of their own.";
        QTest::newRow("extra date of a series whose first time the clocks skip")
            << vevent("DTSTART:20270328T023000\r\nRRULE:FREQ=WEEKLY\r\nRDATE:20270404T023000\r\nSUMMARY:Night")
            << QStringList{"Night 28.03.2027 02:30 | 03-28 04-04"} << "Imported 1 events";
        QTest::newRow("extra date on a later date the clocks skip")
            << vevent("DTSTART:20270321T023000\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\nRDATE:20270328T023000\r\nSUMMARY:Night")
            << QStringList{"Night 21.03.2027 02:30 | 03-21 03-28"} << "Imported 1 events";
        QTest::newRow("a date both left out and extra")
            << vevent("DTSTART:20270321T023000\r\nRRULE:FREQ=WEEKLY\r\nEXDATE:20270328T023000\r\n"
                      "RDATE:20270328T023000\r\nSUMMARY:Night")
            << QStringList{"Night 21.03.2027 02:30 | 03-21 03-28"}
            << "Imported 1 events\n1 repeating event has dates that were cancelled (EXDATE or a cancelled "
               "occurrence); these are not kept, so the event is shown and reminded on those dates too.";
        QTest::newRow("rules kept exactly or not at all")
            << vevent("DTSTART:20240603T091500\r\nRRULE:FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR\r\nSUMMARY:Standup") +
                   vevent("DTSTART:20240628T160000\r\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\r\n"
                          "SUMMARY:Report") +
                   vevent("DTSTART:20240603T090000\r\nRRULE:FREQ=HOURLY;COUNT=3\r\nSUMMARY:Pills")
            << QStringList{"Standup 03.06.2024 09:15 | 06-03 06-04 06-05 06-06 06-07 06-10 06-11 06-12 06-13 06-14",
                           "Report 28.06.2024 16:00 | 06-28", "Pills 03.06.2024 09:00 | 06-03"}
            << "Imported 3 events\n2 events lost their repetition and were imported on their first date only: "
               "\"Report\": its rule picks some of its dates, such as the last weekday of a month; \"Pills\": it "
               "repeats more than once a day.";
        const QByteArray eastern = "(UTC-05:00) Eastern Time (US & Canada)";
        QTest::newRow("zone from the file")
            << "BEGIN:VTIMEZONE\r\nTZID:" + eastern +
                   "\r\nBEGIN:STANDARD\r\nDTSTART:16011104T020000\r\nRRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\r\n"
                   "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
                   "DTSTART:16010311T020000\r\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\r\nTZOFFSETFROM:-0500\r\n"
                   "TZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n" +
                   vevent("DTSTART;TZID=\"" + eastern + "\":20240603T090000\r\nSUMMARY:Summer") +
                   vevent("DTSTART;TZID=\"" + eastern + "\":20240315T090000\r\nSUMMARY:Between changes") +
                   vevent("DTSTART;TZID=\"" + eastern + "\":20240115T090000\r\nSUMMARY:Winter") +
                   vevent("DTSTART;TZID=Mars/Olympus:20240115T090000\r\nSUMMARY:Nowhere")
            << QStringList{"Summer 03.06.2024 15:00 | 06-03", "Between changes 15.03.2024 14:00 | 03-15",
                           "Winter 15.01.2024 15:00 | 01-15", "Nowhere 15.01.2024 09:00 | 01-15"}
            << "Imported 4 events\n1 event was read in local time: the file does not describe its time zone: "
               "\"Nowhere\" (Mars/Olympus).";
        QByteArray utcSeries;
        QStringList utcEvents, named;
        for (const char *name : {"A", "B", "C", "D", "E", "F"}) {
            utcSeries += vevent("DTSTART:20240603T090000Z\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:" + QByteArray(name));
            utcEvents << QLatin1String(name) + QStringLiteral(" 03.06.2024 11:00 | 06-03 06-10");
            named << QStringLiteral("\"%1\" (on 22 dates a year the file has it 1 hour earlier)")
                         .arg(QLatin1String(name));
        }
        QTest::newRow("more series from other zones than are named")
            << utcSeries << utcEvents
            << "Imported 6 events\n6 repeating events from other time zones repeat here on the local day and hour of "
               "their first date, so some of their dates differ from the file: " +
                   named.mid(0, 5).join(QLatin1String("; ")) + " and 1 more.";
        QTest::newRow("duration") << vevent("DTSTART:20240603T090000\r\nDURATION:PT1H30M\r\nSUMMARY:Talk") +
                                         vevent("DTSTART;VALUE=DATE:20240610\r\nDURATION:P2D\r\nSUMMARY:Trip")
                                  << QStringList{"Talk 03.06.2024 09:00 - 03.06.2024 10:30 | 06-03",
                                                 "Trip 10.06.2024 - 11.06.2024 | 06-10"}
                                  << "Imported 2 events";
    }

    void icsKeepsWhatTheFileMeans()
    {
        QFETCH(QByteArray, blocks);
        QFETCH(QStringList, events);
        QFETCH(QString, message);
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const Imported result = importIcs(calendar(blocks));
        QVERIFY(!result.hasError);
        QStringList got;
        for (const AbstractCommonEventPtr &event : result.events) {
            const Period period = event->period();
            QStringList dates;
            for (const QDate &date :
                 event->occurrence().occurrences(period.beginDate(), period.beginDate().addDays(13)))
                dates << date.toString(QStringLiteral("MM-dd"));
            got << event->caption() + QLatin1Char(' ') +
                       period.text(QStringLiteral("dd.MM.yyyy"), QStringLiteral("hh:mm")) + QStringLiteral(" | ") +
                       dates.join(QLatin1Char(' '));
        }
        QCOMPARE(got, events);
        QCOMPARE(EventsImporter::resultText(int(result.events.size()), result.notes), message);
    }

    // A series repeats in its own zone; here it keeps those dates, or the message says which differ.
    void icsRepeatsInItsOwnZone_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("series"); // local start, then up to ten local dates
        QTest::addColumn<QString>("note");
        const QByteArray la = "DTSTART;TZID=America/Los_Angeles:";
        QTest::newRow("weekdays move a day") << la + "20270104T233000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TU;COUNT=10"
                                             << "05.01.2027 08:30 | 01-05 01-06 01-12 01-13 01-19 01-20 01-26 "
                                                "01-27 02-02 02-03"
                                             << "";
        QTest::newRow("until in the file's zone")
            << QByteArray("BEGIN:VTIMEZONE\r\nTZID:Pacific\r\nBEGIN:STANDARD\r\nDTSTART:16011104T020000\r\n"
                          "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\r\nTZOFFSETFROM:-0700\r\nTZOFFSETTO:-0800\r\n"
                          "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010311T020000\r\n"
                          "RRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\r\nTZOFFSETFROM:-0800\r\nTZOFFSETTO:-0700\r\n"
                          "END:DAYLIGHT\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nDTSTART;TZID=Pacific:20270104T233000\r\n"
                          "RRULE:FREQ=WEEKLY;UNTIL=20270323T063000Z")
            << "05.01.2027 08:30 | 01-05 01-12 01-19 01-26 02-02 02-09 02-16 02-23 03-02 03-09"
            << "\"S\" (on 1 of its 12 dates the file has it 1 hour earlier; on 1 of its 12 dates the file has it but "
               "it "
               "does not repeat here)";
        QTest::newRow("month end moves to the 1st")
            << la + "20270131T233000\r\nRRULE:FREQ=MONTHLY"
            << "01.02.2027 08:30 | 02-01 03-01 04-01 05-01 06-01 07-01 08-01 09-01 10-01 11-01"
            << "\"S\" (on 1 date a year the file has it 1 hour earlier; it also repeats here on 5 dates a year that "
               "the "
               "file does not have)";
        QTest::newRow("leap day moves to 1 March")
            << la + "20280229T233000\r\nRRULE:FREQ=YEARLY"
            << "01.03.2028 08:30 | 03-01"
            << "\"S\": in your time zone its dates follow no rule the program can repeat";
        QTest::newRow("clocks change on other dates")
            << QByteArray("DTSTART;TZID=America/New_York:20270104T090000\r\nRRULE:FREQ=WEEKLY;COUNT=12")
            << "04.01.2027 15:00 | 01-04 01-11 01-18 01-25 02-01 02-08 02-15 02-22 03-01 03-08"
            << "\"S\" (on 2 of its 12 dates the file has it 1 hour earlier)";
        QTest::newRow("UTC start") << QByteArray("DTSTART:20270105T090000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=TU")
                                   << "05.01.2027 10:00 | 01-05 01-12 01-19 01-26 02-02 02-09 02-16 02-23 03-02 03-09"
                                   << "\"S\" (on 31 dates a year the file has it 1 hour later)";
        QTest::newRow("UTC on two weekdays")
            << QByteArray("DTSTART:20270104T090000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE")
            << "04.01.2027 10:00 | 01-04 01-06 01-11 01-13 01-18 01-20 01-25 01-27 02-01 02-03"
            << "\"S\" (on 62 dates a year the file has it 1 hour later)";
        QTest::newRow("parts add up to the whole")
            << la + "20270131T233000\r\nRRULE:FREQ=MONTHLY;BYDAY=-1SU"
            << "01.02.2027 08:30 | 02-01 03-01 04-05 05-03 06-07 07-05 08-02 09-06 10-04 11-01"
            << "\"S\" (on 1 date a year the file has it 1 hour earlier; on 8 dates a year the file has it 7 days "
               "earlier; on 1 date a year the file has it but it does not repeat here; it also repeats here on 1 date "
               "a year that the file does not have)";
        QTest::newRow("hours differ by 1 to 2")
            << QByteArray("DTSTART;TZID=Australia/Sydney:20270107T190000\r\nRRULE:FREQ=WEEKLY;BYDAY=TH")
            << "07.01.2027 09:00 | 01-07 01-14 01-21 01-28 02-04 02-11 02-18 02-25 03-04 03-11"
            << "\"S\" (on 31 dates a year the file has it 1 to 2 hours later)";
        QTest::newRow("last Friday by position")
            << QByteArray("DTSTART:20270129T160000\r\nRRULE:FREQ=MONTHLY;BYDAY=FR;BYSETPOS=-1")
            << "29.01.2027 16:00 | 01-29 02-26 03-26 04-30 05-28 06-25 07-30 08-27 09-24 10-29"
            << "";
        QTest::newRow("last Sunday of March by position")
            << QByteArray("DTSTART:20270328T100000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=SU;BYSETPOS=-1;COUNT=2")
            << "28.03.2027 10:00 | 03-28 03-26"
            << "";
        QTest::newRow("daily from a skipped time until its fifth @America/New_York")
            << QByteArray("DTSTART:20270314T023000\r\nRRULE:FREQ=DAILY;UNTIL=20270318T023000")
            << "14.03.2027 02:30 | 03-14 03-15 03-16 03-17 03-18"
            << "";
        QTest::newRow("clocks skip its first time there as here @Europe/London")
            << QByteArray("DTSTART;TZID=Europe/Paris:20270328T023000\r\nRRULE:FREQ=WEEKLY;COUNT=3")
            << "28.03.2027 01:30 | 03-28 04-04 04-11"
            << "";
        QTest::newRow("yearly month day is every month")
            << QByteArray("DTSTART:20270115T090000\r\nRRULE:FREQ=YEARLY;BYMONTHDAY=15;COUNT=3")
            << "15.01.2027 09:00 | 01-15 02-15 03-15"
            << "";
    }

    void icsRepeatsInItsOwnZone()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, series);
        QFETCH(QString, note);
        const QByteArray tag = QTest::currentDataTag();
        TestHelpers::ScopedTimeZone tz(tag.contains('@') ? tag.mid(tag.indexOf('@') + 1).constData() : "Europe/Berlin");
        const QByteArray block = lines.contains("BEGIN:VEVENT") ? lines : "BEGIN:VEVENT\r\n" + lines;
        const Imported result = importIcs(calendar(block + "\r\nSUMMARY:S\r\nEND:VEVENT\r\n"));
        QCOMPARE(result.events.size(), 1);
        const Period period = result.events[0]->period();
        QStringList dates{period.text(QStringLiteral("dd.MM.yyyy"), QStringLiteral("hh:mm")), "|"};
        const IOccurrence &occurrence = result.events[0]->occurrence();
        for (QDate date = period.beginDate(); date.isValid() && dates.size() < 12;
             date = occurrence.nextDate(date.addDays(1)))
            dates << date.toString(QStringLiteral("MM-dd"));
        QCOMPARE(dates.join(QLatin1Char(' ')), series);
        const QString message = EventsImporter::resultText(1, result.notes);
        QCOMPARE(message.section(QLatin1String(": "), 1), note.isEmpty() ? note : note + QLatin1Char('.'));
    }

    // The guessed encoding reads the rows back as written; rows that cannot be events are counted.
    void csvGuessedEncodings_data()
    {
        QTest::addColumn<QByteArray>("codec");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("certain");
        QTest::addColumn<QString>("message");
        QTest::newRow("Greek cp1253")
            << QByteArray("windows-1253")
            << "12.04.2026,Συνάντηση με τον Γιάννη,Να φέρεις τα έγγραφα για το έργο\n05.05.2026,,\n"
               "01.05.2026,Γενέθλια της Άννας,Αγόρασε λουλούδια και τούρτα\n03.06.2026,Ραντεβού στον οδοντίατρο,"
               "Ώρα δέκα το πρωί\n"
            << false << "Imported 3 events\n1 row was left out: it has a date but no caption (row 2).";
        QTest::newRow("Turkish cp1254")
            << QByteArray("windows-1254")
            << "12.04.2026,Ayşe ile toplantı,Çalışma belgelerini getir\n01.05.2026,Doğum günü partisi,Öğretmenler "
               "için çiçek al\n31.02.2026,Diş hekimi randevusu,Sabah onda, ığdır yolu üzerinde\n"
            << false << "Imported 2 events\n1 row was left out: its date is not a valid date (row 3).";
        QTest::newRow("ISO-8859-15 with the euro")
            << QByteArray("ISO-8859-15")
            << "12.04.2026,Facture électricité,Montant 120 € à payer avant vendredi\n01.05.2026,Anniversaire de "
               "Cécile,Acheter des fleurs pour 25 €\n03.06.2026,Réunion à l'école,Prévoir 10 € pour la coopérative\n"
            << false << "Imported 3 events";
        QTest::newRow("Shift_JIS")
            << QByteArray("Shift_JIS")
            << "12.04.2026,会議の準備,資料を持ってくること\n01.05.2026,誕生日パーティー,花とケーキを"
               "買う\n03.06.2026,歯医者の予約,午前十時に行く\n04.06.2026,東京駅で待ち合わせ,"
               "新幹線の切符を忘れないで\n"
            << false << "Imported 4 events";
        QTest::newRow("GB18030") << QByteArray("GB18030")
                                 << "12.04.2026,项目会议,请带上所有文件和报告\n01.05.2026,生日聚会,买花和蛋糕给妈妈\n"
                                    "03.06.2026,看牙医,上午十点在医院见面\n04.06.2026,去北京出差,记得带护照和火车票\n"
                                 << false << "Imported 4 events";
        QTest::newRow("UTF-16 without BOM")
            << QByteArray("UTF-16LE") << "12.04.2026,Встреча с Иваном,Обсудить проект\n01.05.2026,Maifeier\n"
            << false << "Imported 2 events";
        QTest::newRow("UTF-8 with one stray byte")
            << QByteArray("UTF-8")
            << "12.04.2026,Geburtstag von Jürgen Müller,Blumen für Oma\n01.05.2026,Maifeier – Café Größe,\x01\n"
            << false << "Imported 2 events\n1 character could not be read in the chosen encoding; it shows as \uFFFD.";
    }

    void csvGuessedEncodings()
    {
        QFETCH(QByteArray, codec);
        QFETCH(QString, rows);
        QFETCH(bool, certain);
        QFETCH(QString, message);
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        rows.replace(QStringLiteral("12.04."), QStringLiteral("13.04.")); // a day above 12 sets the day order
        QByteArray bytes = QTextCodec::codecForName(codec)->fromUnicode(rows);
        bytes.replace('\x01', '\xFF'); // a byte that is no UTF-8
        const EncodingDetector::Result guess = EncodingDetector::detect(bytes);
        QCOMPARE(guess.certain, certain);
        // What is shown unsure is confirmed by the user, who sees where it does not decode.
        EventsImporter importer(EventsImporter::CsvFormat);
        importer.setKeepUndecodable(!guess.certain);
        const QList<AbstractCommonEventPtr> events = importer.import(write("rows.csv", bytes), guess.codec);
        QVERIFY2(!importer.hasError(), qPrintable(importer.errorString()));
        QStringList captions, expected;
        for (const QString &line : rows.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString caption = line.section(QLatin1Char(','), 1, 1);
            if (!caption.isEmpty() && !line.startsWith(QLatin1String("31.02")))
                expected << caption;
        }
        for (const AbstractCommonEventPtr &event : events)
            captions << event->caption();
        if (codec != "UTF-8")
            QCOMPARE(captions, expected);
        else
            QCOMPARE(captions.join(QLatin1Char('|')), expected.join(QLatin1Char('|')));
        QCOMPARE(EventsImporter::resultText(int(events.size()), importer.notes()), message);
    }

    void notesEventsFileReadInPart()
    {
        ImportNotes notes;
        notes.partlyRead = true;
        QCOMPARE(EventsImporter::resultText(4, notes),
                 QStringLiteral("Imported 4 events\nSome events of the file could not be read and were left out."));
    }

    // Text in another encoding must not come in as replacement characters.
    void refusesTextNotInItsEncoding_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("text");
        const QByteArray meeting =
            QTextCodec::codecForName("windows-1251")->fromUnicode(QStringLiteral("Встреча с Иваном"));
        QTest::newRow("CSV") << int(EventsImporter::CsvFormat) << "1.1.2016," + meeting + "\n";
        QTest::newRow("iCalendar") << int(EventsImporter::ICalendarFormat)
                                   << calendar(vevent("DTSTART:20240603\r\nSUMMARY:" + meeting));
        QTest::newRow("cut character at end") << int(EventsImporter::CsvFormat) << QByteArray("1.1.2016,Gr\xC3");
    }

    void refusesTextNotInItsEncoding()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, text);
        ScopedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        const Imported result =
            importFile(format, write(format == EventsImporter::CsvFormat ? "rows.csv" : "cal.ics", text), "UTF-8");
        QVERIFY(result.hasError);
        QVERIFY(result.events.isEmpty());
        QVERIFY2(result.error.startsWith(QStringLiteral("The file is not UTF-8 text")), qPrintable(result.error));
    }

    void csvUnreadableFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("missing.csv"));
        const Imported imported = importFile(EventsImporter::CsvFormat, path, "UTF-8");
        QVERIFY(imported.hasError);
        QCOMPARE(imported.error, QStringLiteral("Cannot open file: ") + path);
    }
};

QTEST_GUILESS_MAIN(TestEventsImporter)
#include "tst_eventsimporter.moc"
