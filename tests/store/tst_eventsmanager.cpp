#include "core/backgroundwriter.h"
#include "core/clock.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/safefile.h"
#include "core/settingkeys.h"
#include "core/usermessages.h"
#include "events/birthdayevent.h"
#include "events/eventsfactory.h"
#include "events/notspecifiedevent.h"
#include "events/weddingevent.h"
#include "fakeapplication.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

using TestHelpers::readFile;
using TestHelpers::writeFile;

// Records the manager's signals in order, with what the events file held at that moment.
class ManagerSignals : public QObject
{
public:
    ManagerSignals(EventsManager *manager, const QString &file) : m_file(file)
    {
        auto one = [this](const char *name) {
            return [this, name](int i) { note(QString("%1(%2)").arg(name).arg(i)); };
        };
        auto none = [this](const char *name) { return [this, name]() { note(name); }; };
        connect(manager, &EventsManager::eventAdded, this, one("eventAdded"));
        connect(manager, &EventsManager::eventAboutToRemove, this, one("eventAboutToRemove"));
        connect(manager, &EventsManager::eventRemoved, this, none("eventRemoved"));
        connect(manager, &EventsManager::eventChanged, this, one("eventChanged"));
        connect(manager, &EventsManager::layoutChanged, this, none("layoutChanged"));
        connect(manager, &EventsManager::removeRequired, this, one("removeRequired"));
        connect(manager, &EventsManager::calendarAdded, this, none("calendarAdded"));
        connect(manager, &EventsManager::calendarAboutToBeRemoved, this, one("calendarAboutToBeRemoved"));
        connect(manager, &EventsManager::calendarRemoved, this, none("calendarRemoved"));
        connect(manager, &EventsManager::calendarChanged, this, one("calendarChanged"));
        connect(manager, &EventsManager::calendarAboutToBeMoved, this,
                [this](int i, int s) { note(QString("calendarAboutToBeMoved(%1,%2)").arg(i).arg(s)); });
        connect(manager, &EventsManager::calendarMoved, this, none("calendarMoved"));
        connect(manager, &EventsManager::calendarsChanged, this, none("calendarsChanged"));
        connect(manager, &EventsManager::defaultCalendarChanged, this,
                [this](int o, int n) { note(QString("defaultCalendarChanged(%1,%2)").arg(o).arg(n)); });
    }
    QStringList take() { return std::exchange(m_log, {}); }
    // How many events the file held at each signal.
    QList<int> fileCounts() { return std::exchange(m_counts, {}); }

private:
    void note(const QString &text)
    {
        m_log << text;
        const QVariant events = Common::readJsonOrNull(readFile(m_file)).toMap().value("Events");
        m_counts << int(events.toMap().value("eventsList").toList().count());
    }
    QString m_file;
    QStringList m_log;
    QList<int> m_counts;
};

class TestEventsManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeApplication> m_app;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString eventsFile() const { return path("events.dat"); }
    static int assertCount() { return int(logBuffer().count("ASSERT")); }

    static AbstractCommonEventPtr makeEvent(int kind, const QString &caption, const Period &period,
                                            IOccurrence::Type rule = IOccurrence::Once)
    {
        AbstractCommonEventPtr event = EventsFactory::createEvent(kind);
        if (kind != EventTypeWedding) // a wedding's caption is made of the couple's names
            event->setCaption(caption);
        event->setPeriod(period);
        event->setOccurrence(Occurrence(period.beginDate(), rule));
        return event;
    }

    static QStringList captions(const EventsManager &manager)
    {
        QStringList result;
        for (const AbstractCommonEventPtr &event : manager.events())
            result << event->caption();
        return result;
    }

    static QVariantMap fileContent(const QString &file)
    {
        return Common::readJson(readFile(file)).toMap().value("Events").toMap();
    }

    // The fields every kind shares, from one entry of "eventsList".
    static QVariantMap commonData(const QVariant &entry)
    {
        return entry.toMap().value("data").toMap().value("abstract").toMap();
    }

    // A manager with three appointments, "a", "b" and "c", saved to the events file.
    std::unique_ptr<EventsManager> threeEvents()
    {
        auto manager = std::make_unique<EventsManager>(eventsFile());
        manager->addEvents({makeEvent(0, "a", Period(QDate(2026, 3, 1))), makeEvent(0, "b", Period(QDate(2026, 3, 2))),
                            makeEvent(0, "c", Period(QDate(2026, 3, 3)))});
        return manager;
    }

    // The text of one "eventsList" entry, as an event of that kind writes it.
    static QByteArray entryText(int kind, const QString &caption, const QByteArray &calendarId = QByteArray())
    {
        AbstractCommonEventPtr event = makeEvent(kind, caption, Period(QDate(2026, 1, 1)));
        event->setCalendarId(calendarId, true);
        return "{\"data\": " + Common::toJson(event->saveToVariant()) + ",\"type\": " + QByteArray::number(kind) +
               ",\"typeId\": \"" + event->textId() + "\"}";
    }

    // Event `i` of a mixed set: every kind, every rule, timed and spanning periods, texts that need
    // escaping or hold surrogate pairs, and a custom type's record now and then.
    static AbstractCommonEventPtr variedEvent(int i)
    {
        static const QStringList texts{
            "plain",
            "quote \" back\\slash",
            "tab\tnew\nline\r\b\f",
            QString::fromUtf8("\xF0\x9F\xA6\xB7 \xD0\xB2\xD1\x81\xD1\x82\xD1\x80\xD0\xB5\xD1\x87\xD0\xB0"),
            QString(QChar(0xD800)) + "lone",
            ""};
        const QDate day = i % 19 == 0 ? QDate(950, 2, 3) : QDate(2026, 1, 1).addDays(i * 3);
        Period period(day);
        if (i % 4 == 1)
            period = Period(day, QTime(i % 24, i % 60));
        else if (i % 4 == 2)
            period = Period(day, day.addDays(2));
        else if (i % 4 == 3)
            period = Period(day, QTime(9, 30), day.addDays(1), QTime(17, 0));
        AbstractCommonEventPtr event =
            makeEvent(i % 5, texts.at(i % texts.size()) + QString::number(i), period, IOccurrence::Type(i % 5));
        Occurrence rule = event->occurrence();
        if (i % 5 != 0)
            rule.setStep(1 + i % 3);
        event->setOccurrence(rule);
        event->setComment(texts.at((i + 1) % texts.size()));
        event->setDaysToWatch(i % 30);
        // Stamps as the clock gives them (milliseconds), in other time specs, and invalid.
        QDateTime stamp(day, QTime(i % 24, 7, 9, i % 3 ? 0 : 123));
        if (i % 11 == 0)
            stamp = QDateTime(day, QTime(1, 2, 3), Qt::UTC);
        else if (i % 13 == 0)
            stamp = QDateTime();
        else if (i % 17 == 0)
            stamp = QDateTime(day, QTime(4, 5, 6), Qt::OffsetFromUTC, 3600);
        event->setLastModified(stamp);
        if (auto *any = dynamic_cast<NotSpecifiedEvent *>(event.get())) {
            any->setNotifyMinutes(i % 90);
            any->setNotifyDays(i % 3);
            any->setLocation(texts.at((i + 2) % texts.size()));
            any->setSoundPath(i % 2 ? QStringLiteral("/s/\u00e9.wav") : QString());
            any->setMovingLineEnabled(i % 2);
            any->setReminderEnabled(i % 3);
        } else if (auto *birthday = dynamic_cast<BirthdayEvent *>(event.get())) {
            birthday->setGenderId(i % 3);
            birthday->setPersonName(texts.at((i + 3) % texts.size()));
        } else if (auto *wedding = dynamic_cast<WeddingEvent *>(event.get())) {
            wedding->setPersonOneName(texts.at(i % texts.size()));
            wedding->setPersonTwoName(texts.at((i + 4) % texts.size()));
        }
        if (i % 7 == 0) {
            CustomTypeInfo info;
            info.id = "{type " + QByteArray::number(i) + "}";
            info.name = texts.at(i % texts.size());
            info.baseType = i % 5;
            info.fieldsVisibility.insert("commentField", i % 2);
            info.fieldsVisibility.insert("locationField", true);
            info.defaultValues.insert("timeValueKey", i % 2 == 0);
            info.parameters.insert("ratio", 0.25 * i);
            info.parameters.insert("count", i);
            event->setCustomTypeMetaInfo(info);
        }
        return event;
    }

    static QByteArray newerFile(const QString &caption)
    {
        return "{\"Events\": {\"calendarsList\": [{\"id\": \"{c}\",\"name\": \"Mine\",\"version\": 1}],"
               "\"defaultCalendar\": \"{c}\",\"eventsList\": [" +
               entryText(0, caption, "{c}") + "],\"version\": \"99.0\"}}";
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion("3.3.0");
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<FakeApplication>();
        Common::Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(9, 30)));
        Common::clearLogBuffer();
    }

    void cleanup()
    {
        Common::Clock::unpin();
        m_app.reset();
        m_dir.reset();
    }

    void firstStartMakesDefaultCalendar()
    {
        EventsManager manager(eventsFile());
        QCOMPARE(manager.calendarsCount(), 1);
        const CalendarInfo calendar = manager.calendars().first();
        QCOMPARE(calendar.name, QString("Default Calendar"));
        QVERIFY(QRegularExpression("^\\{[0-9a-f-]{36}\\}$").match(QString::fromLatin1(calendar.id)).hasMatch());
        QCOMPARE(manager.defaultCalendarId(), calendar.id);
        QCOMPARE(manager.count(), 0);
        QVERIFY(!manager.hasError());
        QVERIFY(!QFile::exists(eventsFile()));
        // No file, so nothing of an earlier version to speak of.
        QVERIFY(!logBuffer().contains("earlier version"));
        QCOMPARE(manager.sourceFile(), eventsFile());
        QCOMPARE(manager.name(), QByteArray("events.dat"));

        manager.addEvent(makeEvent(1, "x", Period(QDate(2000, 5, 1)), IOccurrence::Yearly));
        QVERIFY(QFile::exists(eventsFile()));
        QCOMPARE(manager.eventByIndex(0)->calendarId(), calendar.id);
    }

    void fileRoundTripIsExact()
    {
        auto manager = threeEvents();
        manager->addEvent(makeEvent(4, "task \u00fc \"q\"", Period(QDate(2026, 4, 1), QTime(8, 0))));
        manager->addCalendar(CalendarInfo("Zweiter"));
        const QByteArray written = readFile(eventsFile());
        QVERIFY(written.startsWith("{\"Events\": {\"calendarsList\": [{\"id\": \"{"));
        QVERIFY(written.endsWith("\"version\": \"3.3.0\"}}"));
        QVERIFY(!written.contains('\n'));
        QVERIFY(written.contains("\"type\": 4,\"typeId\": \"task\"}"));

        const QVariantMap content = fileContent(eventsFile());
        QCOMPARE(content.keys(), (QStringList{"calendarsList", "defaultCalendar", "eventsList", "version"}));
        const QVariantList events = content.value("eventsList").toList();
        QCOMPARE(events.count(), 4);
        QCOMPARE(events.first().toMap().keys(), (QStringList{"data", "type", "typeId"}));
        QVERIFY(!commonData(events.first()).contains("hasPhoto"));

        manager.reset();
        EventsManager again(eventsFile());
        QCOMPARE(captions(again), (QStringList{"a", "b", "c", "task \u00fc \"q\""}));
        QCOMPARE(again.calendarsCount(), 2);
        again.setState(again.state());
        QCOMPARE(readFile(eventsFile()), written);
        QVERIFY(!again.hasError());
        QCOMPARE(assertCount(), 0);
    }

    void fileTextIsTheWritersText_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("otherKeys");
        QTest::newRow("few") << 3 << false;
        QTest::newRow("many, with other keys") << 600 << true;
        QTest::newRow("written in slices") << 4500 << false;
    }

    void fileTextIsTheWritersText()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(int, count);
        QFETCH(bool, otherKeys);
        if (otherKeys)
            QVERIFY(writeFile(eventsFile(), "{\"A\": {\"eventsList\": []},\"Z\": \"z\"}"));
        EventsManager manager(eventsFile());
        manager.addCalendar(CalendarInfo(",\"eventsList\": []"));
        QList<AbstractCommonEventPtr> events;
        for (int i = 0; i < count; ++i)
            events << variedEvent(i);
        // A value the writer cannot take is written on the calling thread, with its warning.
        CustomTypeInfo odd;
        odd.id = "{odd}";
        odd.parameters.insert("list", QStringList{"a"});
        events.at(1)->setCustomTypeMetaInfo(odd);
        events.last()->setCustomTypeMetaInfo(odd);
        manager.addEvents(events);
        QVariantMap whole;
        if (otherKeys)
            whole = QVariantMap{{"A", QVariantMap{{"eventsList", QVariantList()}}}, {"Z", "z"}};
        whole.insert("Events", manager.toMap());
        QCOMPARE(readFile(eventsFile()), Common::toJson(whole));
    }

    // The file's entries are read without maps; reading the same text into maps and loading those
    // must give the same events, the same skips and the same errors, on odd input too.
    void readsAsTheMapsRead_data()
    {
        QTest::addColumn<QByteArray>("entries");
        {
            QTemporaryDir dir;
            const QString file = dir.filePath("source.dat");
            EventsManager source(file);
            QList<AbstractCommonEventPtr> events;
            for (int i = 0; i < 40; ++i)
                events << variedEvent(i);
            source.addEvents(events);
            const QByteArray text = readFile(file);
            const qsizetype from = text.indexOf("\"eventsList\": [") + 15;
            const qsizetype to = text.lastIndexOf("],\"version\"");
            QTest::newRow("every kind") << text.mid(from, to - from);
        }
        const QByteArray good = R"({"data": {"abstract": {"id": "{i}", "caption": "c", "version": 8,
            "period": {"begin": "20260105T000000Z", "time": false, "version": 1},
            "lastModified": "2026-01-01T10:00:00"}, "version": 1}, "type": 0})";
        QTest::newRow("type as text, double, bool")
            << QByteArray(R"({"type": "2", "data": {}}, {"type": 2.7, "data": {}}, {"type": true}, {"type": null})");
        QTest::newRow("not objects") << QByteArray(R"(1, "text", [1, 2], null, {}, [{"type": 0}])");
        QTest::newRow("data not an object") << QByteArray(R"({"type": 0, "data": [1]}, {"type": 1, "data": "x"})");
        QTest::newRow("repeated names") << QByteArray(
            R"({"type": 1, "type": 0, "data": {"abstract": {"id": "{a}", "caption": "first",
                "caption": "last", "version": 8, "lastModified": "2026-01-01T10:00:00",
                "period": {"begin": "x"}, "period": {"begin": "20260105T093000Z", "time": true, "version": 1}},
                "abstract": 5, "abstract": {"id": "{b}", "version": 8, "caption": "again",
                "lastModified": "2026-01-01T10:00:00",
                "period": {"begin": "20260106T000000Z", "version": 1}}, "version": 1}})");
        QTest::newRow("values of other types")
            << QByteArray(R"({"type": 0, "data": {"version": "1", "notifyMinutes": "25", "notifyDaysKey": 2.5,
                "movingLineEnabledKey": "false", "reminderEnabledKey": 0, "location": 7, "soundPath": [1],
                "abstract": {"id": 12, "version": "8", "caption": true, "comment": {"a": 1}, "daysToWatch": "9",
                "lastModified": 5, "calendarId": 3, "hasPhoto": "no",
                "period": {"begin": "20260105T000000Z", "end": 4, "time": "yes", "version": 1},
                "occurrence": {"type": "weekly", "data": {"step": "2", "days": "x"}},
                "customTypeMetaInfo": {"id": "t", "name": 1, "baseType": "2", "visibility": [1],
                "defaults": {"a": [1, {"b": null}]}, "parameters": 3, "version": 1}}}})");
        QTest::newRow("parts of other types")
            << QByteArray(R"({"type": 4, "data": {"id": "{q}", "version": 8, "lastModified": "2026-01-01T10:00:00",
                "period": [1], "occurrence": "daily", "customTypeMetaInfo": [{"id": "x"}]}},
                {"type": 4, "data": {"id": "{r}", "version": 8, "period": {}, "occurrence": {},
                "customTypeMetaInfo": {}}},
                {"type": 4, "data": {"id": "{s}", "version": 8, "period": {"version": 2, "begin": "20260105T000000Z",
                "version": 1}, "occurrence": {"type": "monthly", "data": [], "type": "weekly"},
                "customTypeMetaInfo": {"id": "a", "id": "b", "visibility": {"commentField": "true"}}}})");
        QTest::newRow("old versions") << QByteArray(
            R"({"type": 1, "data": {"version": 1, "relation": "aunt", "abstract": {"version": 3,
                "id": "{o}", "caption": "Anna", "date": {"year": 1990, "month": 2, "day": 3}, "occurrence": 3,
                "lastModified": "2026-01-01T10:00:00"}}},
                {"type": 4, "data": {"version": 6, "id": "{p}", "date": "2020-02-02", "occurrence": 9,
                "lastModified": "2026-01-01T10:00:00"}})");
        QTest::newRow("lenient text") << QByteArray(
            "// a comment\n" + good +
            ",\n{type: 3, data: {abstract: {id: \"{w}\", version: 8, "
            "lastModified: \"2026-01-01T10:00:00\", period: {begin: \"20260105T000000Z\", "
            "version: 1}}, version: 1}},");
        QTest::newRow("no begin date") << QByteArray(R"({"type": 2, "data": {"abstract": {"id": "{n}", "version": 8,
            "lastModified": "2026-01-01T10:00:00"}, "version": 1}})");
    }

    void readsAsTheMapsRead()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(QByteArray, entries);
        Common::Clock::pin(QDateTime(QDate(2026, 2, 1), QTime(12, 0)));
        const QByteArray text =
            "{\"Events\": {\"calendarsList\": [{\"id\": \"{c}\",\"name\": \"Mine\",\"version\": 1}],"
            "\"defaultCalendar\": \"{c}\",\"eventsList\": [" +
            entries + "],\"version\": \"3.3.0\"}}";
        QVERIFY(writeFile(eventsFile(), text));
        const int asserts = assertCount();
        const EventsManager read(eventsFile());
        const int readAsserts = assertCount() - asserts;
        EventsManager mapped(path("none.dat"));
        mapped.objectFromMap(Common::readJson(text).toMap().value("Events").toMap());
        QCOMPARE(assertCount() - asserts - readAsserts, readAsserts);
        QCOMPARE(read.count(), mapped.count());
        QCOMPARE(read.errorString(), mapped.errorString());
        for (int i = 0; i < read.count(); ++i) {
            const AbstractCommonEventPtr a = read.eventByIndex(i);
            const AbstractCommonEventPtr b = mapped.eventByIndex(i);
            QCOMPARE(a->type(), b->type());
            QCOMPARE(a->wasRepairedOnLoad(), b->wasRepairedOnLoad());
            QVariantMap one = a->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag).toMap();
            QVariantMap other = b->saveToVariant(AbstractCommonEvent::SaveWithPhotoFlag).toMap();
            // An entry without an id gets a new one each time it is read.
            if (a->id() != b->id() && !text.contains("\"" + a->id() + "\"")) {
                one.remove("id");
                other.remove("id");
                QVariantMap abstractOne = one.value("abstract").toMap();
                QVariantMap abstractOther = other.value("abstract").toMap();
                abstractOne.remove("id");
                abstractOther.remove("id");
                one.insert("abstract", abstractOne);
                other.insert("abstract", abstractOther);
            }
            QCOMPARE(Common::toJson(one), Common::toJson(other));
        }
        Common::Clock::unpin();
    }

    void stampInDaylightGapSurvivesSave()
    {
        TestHelpers::expectFailedChecks();
        // 02:30 does not exist on that day there: no valid local time, but the stored text stays.
        const TestHelpers::ScopedTimeZone zone("Europe/Berlin");
        const QByteArray stamp = "\"lastModified\": \"2026-03-29T02:30:00\"";
        QVERIFY(writeFile(eventsFile(), "{\"Events\": {\"eventsList\": [{\"type\": 4, \"data\": {\"id\": \"{g}\", "
                                        "\"version\": 8, " +
                                            stamp +
                                            ", \"period\": {\"begin\": "
                                            "\"20260105T000000Z\", \"version\": 1}}}],\"version\": \"3.3.0\"}}"));
        EventsManager manager(eventsFile());
        QCOMPARE(manager.count(), 1);
        QVERIFY(manager.save());
        QVERIFY(readFile(eventsFile()).contains(stamp));
        QVERIFY(!manager.eventByIndex(0)->lastModified().isValid());
    }

    void newerFileIsKeptAside()
    {
        const QByteArray newer = newerFile("from the future");
        QVERIFY(writeFile(eventsFile(), newer));
        EventsManager manager(eventsFile());
        QVERIFY(manager.hasError());
        QCOMPARE(manager.errorString(), QString("Events file was saved with newer version of the program."));
        QCOMPARE(manager.count(), 0);
        QCOMPARE(manager.calendarsCount(), 1);
        QVERIFY(manager.calendars().first().id != "{c}");
        QCOMPARE(readFile(eventsFile()), newer);

        manager.addEvent(makeEvent(0, "new", Period(QDate(2026, 3, 1))));
        QVERIFY(!manager.hasError());
        QCOMPARE(readFile(path("events.bak")), newer);
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 1);

        const QByteArray second = newerFile("second");
        QVERIFY(writeFile(eventsFile(), second));
        EventsManager other(eventsFile());
        other.addCalendar(CalendarInfo("x"));
        QCOMPARE(readFile(path("events.bak")), newer);
        QCOMPARE(readFile(path("events.bak1")), second);
        QCOMPARE(generateNewBakName(eventsFile()), path("events.bak2"));
    }

    void missingVersionCountsAsOldest()
    {
        QVERIFY(writeFile(eventsFile(), "{\"Events\": {\"eventsList\": []},\"Zeta\": [1, 2]}"));
        EventsManager manager(eventsFile());
        QVERIFY(!manager.hasError());
        QVERIFY(logBuffer().contains("Events file was saved by an earlier version of the program: 2.0.1\n"));
        QCOMPARE(manager.calendarsCount(), 1);
        manager.addCalendar(CalendarInfo("x"));
        QVERIFY(readFile(eventsFile()).endsWith("\"version\": \"3.3.0\"},\"Zeta\": [1, 2]}"));
        QVERIFY(!QFile::exists(path("events.bak")));
    }

    void unreadableFileIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut off") << QByteArray("{\"Events\": {\"calendarsList\": [{\"id\": \"{c}\"");
        QTest::newRow("top is a list") << QByteArray("[1, 2]");
        QTest::newRow("events is text") << QByteArray("{\"Events\": \"oops\"}");
        QTest::newRow("cut off after entries")
            << QByteArray("{\"Events\": {\"eventsList\": [" + entryText(0, "a") + "," + entryText(1, "b") + ",{\"da");
    }

    void unreadableFileIsKeptAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QVERIFY(manager.hasError());
        QCOMPARE(manager.count(), 0);
        QCOMPARE(readFile(eventsFile()), content);
        manager.addEvent(makeEvent(0, "new", Period(QDate(2026, 3, 1))));
        QCOMPARE(readFile(path("events.bak")), content);
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 1);
        QVERIFY(!manager.hasError());
    }

    void lastListOfRepeatedNamesCounts_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<bool>("error");
        const QByteArray a = entryText(0, "a"), b = entryText(3, "b"), c = entryText(4, "c");
        const QByteArray version = ",\"version\": \"3.3.0\"}";
        QTest::newRow("list twice") << "{\"eventsList\": [" + a + "," + b + "],\"eventsList\": [" + c + "]" + version
                                    << QStringList{"c"} << false;
        QTest::newRow("empty list last") << "{\"eventsList\": [" + a + "],\"eventsList\": []" + version << QStringList()
                                         << false;
        QTest::newRow("text last") << "{\"eventsList\": [" + a + "],\"eventsList\": \"x\"" + version << QStringList()
                                   << true;
        QTest::newRow("events twice, no list last")
            << "{\"eventsList\": [" + a + "]" + version + ",\"Events\": {\"version\": \"3.3.0\"}" << QStringList()
            << false;
        QTest::newRow("list in another member")
            << "{\"other\": {\"eventsList\": [" + a + "]},\"eventsList\": [" + b + "]" + version << QStringList{"b"}
            << true;
    }
    void lastListOfRepeatedNamesCounts()
    {
        QFETCH(QByteArray, events);
        QFETCH(QStringList, captions);
        QFETCH(bool, error);
        QVERIFY(writeFile(eventsFile(), "{\"Events\": " + events + "}"));
        EventsManager manager(eventsFile());
        QCOMPARE(this->captions(manager), captions);
        QCOMPARE(manager.hasError(), error);
    }

    // Long lists are read in parts on several threads: the result must be the whole file's.
    void longListReadsAsAWhole_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("count");
        const QByteArray list = "\"eventsList\": [";
        QTest::newRow("plain") << QByteArray() << QByteArray() << list << QByteArray("]") << false << 6000;
        // Parts begin where a comma and an entry's opening stand; here also inside entries.
        QTest::newRow("false beginnings") << QByteArray("{\"data\": {\"abstract\"")
                                          << QByteArray("{\"data\": {\"zz\": [0, {\"data\": 1}],\"abstract\"") << list
                                          << QByteArray("]") << true << 6000;
        QTest::newRow("pictures to restore")
            << QByteArray("\"abstract\": {") << QByteArray("\"abstract\": {\"hasPhoto\": true,") << list
            << QByteArray("]") << false << 6000;
        QTest::newRow("list twice, last counts")
            << QByteArray() << QByteArray() << list + entryText(0, "x") + ", " + entryText(1, "y") + "]," + list
            << QByteArray("]") << false << 6000;
        QTest::newRow("broken near the end")
            << QByteArray() << QByteArray() << list << QByteArray(", {\"da") << true << 0;
    }
    void longListReadsAsAWhole()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, error);
        QFETCH(int, count);
        QByteArray content = "{\"Events\": {" + before;
        QStringList expected;
        for (int i = 0; i < 6000; ++i) {
            QByteArray entry = entryText(i % 2 * 4, QString("e%1").arg(i));
            if (!from.isEmpty())
                entry.replace(from, to);
            content += (i ? ", " : "") + entry;
            expected << QString("e%1").arg(i);
        }
        // Two entries are read whole: the pictures' flags of each kind as a whole reading leaves them.
        QVERIFY(writeFile(eventsFile(), content.left(content.indexOf(", {\"data\":", content.indexOf("\"e1\""))) +
                                            after + ",\"version\": \"3.3.0\"}}"));
        QHash<int, bool> photoFlags;
        for (const AbstractCommonEventPtr &event : EventsManager(eventsFile()).events())
            photoFlags.insert(event->type(), event->hasPhotoFlag());
        QCOMPARE(photoFlags.size(), count ? 2 : 0);
        QVERIFY(writeFile(eventsFile(), content + after + ",\"version\": \"3.3.0\"}}"));
        EventsManager manager(eventsFile());
        QCOMPARE(manager.hasError(), error);
        QCOMPARE(captions(manager), expected.mid(0, count));
        for (const AbstractCommonEventPtr &event : manager.events()) {
            QCOMPARE(event->thread(), manager.thread());
            QCOMPARE(event->hasPhotoFlag(), photoFlags.value(event->type()));
        }
    }

    // The start's reading ahead counts only while the file is the one it read, and its events are as the
    // settings would make them.
    void readAheadCountsWhileTheFileHolds_data()
    {
        QTest::addColumn<QString>("between");
        QTest::newRow("nothing") << "";
        QTest::newRow("replaced") << "replaced";
        QTest::newRow("rewritten in place") << "in place";
        QTest::newRow("other defaults, values missing") << "defaults";
        // Rewritten in place with a version of the same size while a read is under way.
        QTest::newRow("rewritten during the read-ahead's read") << "ahead";
        QTest::newRow("rewritten during the load's read") << "load";
        QTest::newRow("rewritten at every read") << "always";
    }
    void readAheadCountsWhileTheFileHolds()
    {
        QFETCH(QString, between);
        const bool defaults = between == QLatin1String("defaults");
        const auto content = [defaults](const QString &prefix, int count) {
            QByteArray text = "{\"Events\": {\"eventsList\": [";
            for (int i = 0; i < count; ++i) {
                QByteArray entry = entryText(i % 2 * 4, prefix + QString::number(i));
                text += (i ? ", " : "") + (defaults ? entry.replace("\"notifyMinutes\": 15,", "") : entry);
            }
            return text + "],\"version\": \"3.3.0\"}}";
        };
        QVERIFY(writeFile(eventsFile(), content("a", 3000)));
        int pieces = 0;
        const bool always = between == QLatin1String("always");
        if (always || between == QLatin1String("ahead") || between == QLatin1String("load")) {
            Common::setReadHookForTests([&, versions = QByteArrayList{content("b", 3000), content("a", 3000)}] {
                QFile file(eventsFile());
                if ((pieces++ == 0 || always) && file.open(QIODevice::ReadWrite))
                    file.write(versions.at((pieces - 1) % 2));
            });
        }
        const auto unhook = qScopeGuard([] { Common::setReadHookForTests(nullptr); });
        if (between != QLatin1String("load"))
            EventsManager::readAhead(eventsFile());
        Properties properties(nullptr, path("prop.dat"));
        properties.addProperty(Setting::NotifyMinutes, defaults ? 45 : Setting::NotifyMinutesDefault);
        m_app->m_properties = &properties;
        if (between == QLatin1String("replaced")) {
            QVERIFY(writeFile(path("new.dat"), content("b", 2000)));
            QVERIFY(QFile::remove(eventsFile()) && QFile::rename(path("new.dat"), eventsFile()));
        } else if (between == QLatin1String("in place")) {
            QFile file(eventsFile());
            QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
            QVERIFY(file.write(content("b", 2000)) > 0);
        }
        const EventsManager manager(eventsFile(), {Common::Clock::now()});
        m_app->m_properties = nullptr;
        const bool again = between == QLatin1String("replaced") || between == QLatin1String("in place");
        const QStringList read = captions(manager);
        QCOMPARE(manager.hasError(), always);
        QCOMPARE(read.size(), always ? 0 : again ? 2000 : 3000);
        if (!always) {
            const QString last = again ? QStringLiteral("b1999") : pieces ? QStringLiteral("b2999") : "a2999";
            QCOMPARE(read.first().at(0), last.at(0));
            QCOMPARE(read.last(), last);
        }
        for (const AbstractCommonEventPtr &event : manager.events()) {
            QCOMPARE(event->thread(), manager.thread());
            if (event->type() == EventTypeNotSpecified)
                QCOMPARE(static_cast<const NotSpecifiedEvent *>(event.get())->notifyMinutes(), defaults ? 45 : 15);
        }
    }

    // A name this version does not read is never dropped unkept: the file is copied aside before a save.
    void unknownNamesAreNotDropped_data()
    {
        QTest::addColumn<QByteArray>("entry");
        const QByteArray entry = entryText(0, "b");
        QTest::newRow("in an entry") << entry.chopped(1) + ",\"zz\": 1}";
        QTest::newRow("in data") << QByteArray(entry).replace("{\"data\": {", "{\"data\": {\"zz\": 1,");
        QTest::newRow("in abstract") << QByteArray(entry).replace("\"abstract\": {", "\"abstract\": {\"zz\": 1,");
        QTest::newRow("beside the list") << entry + "],\"zz\": [1";
    }
    void unknownNamesAreNotDropped()
    {
        QFETCH(QByteArray, entry);
        const QByteArray content = "{\"Events\": {\"eventsList\": [" + entry + "],\"version\": \"3.3.0\"}}";
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QCOMPARE(captions(manager), QStringList{"b"});
        QVERIFY(manager.hasError());
        manager.setState(manager.state());
        QCOMPARE(readFile(path("events.bak")), content);
    }

    void unknownTypeIsSkipped()
    {
        const QByteArray content = "{\"Events\": {\"eventsList\": [{\"data\": {\"caption\": \"odd\"},\"type\": 9}," +
                                   entryText(0, "fine") + ",{\"type\": \"x\"}],\"version\": \"3.3.0\"}}";
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QCOMPARE(captions(manager), QStringList{"fine"});
        QVERIFY(manager.hasError());
        manager.addCalendar(CalendarInfo("x"));
        QCOMPARE(readFile(path("events.bak")), content);
    }

    void lostCalendarFallsBackToDefault()
    {
        const QByteArray content =
            "{\"Events\": {\"calendarsList\": [{\"id\": \"{a}\",\"name\": \"A\",\"version\": 1},"
            "{\"id\": \"{b}\",\"name\": \"B\",\"version\": 1}],\"defaultCalendar\": \"{gone}\",\"eventsList\": [" +
            entryText(0, "e", "{deleted}") + "],\"version\": \"3.3.0\"}}";
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QCOMPARE(manager.defaultCalendarId(), QByteArray("{a}"));
        QCOMPARE(manager.eventByIndex(0)->calendarId(), QByteArray("{a}"));
        QCOMPARE(readFile(eventsFile()), content);
        QVERIFY(!manager.hasError());
    }

    void unreadableCalendarIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("calendars");
        QTest::newRow("no id") << QByteArray("{\"iD\": \"{a}\",\"name\": \"A\",\"version\": 1}");
        QTest::newRow("not a map") << QByteArray("7");
        QTest::newRow("same id twice") << QByteArray("{\"id\": \"{b}\",\"name\": \"B\",\"version\": 1},"
                                                     "{\"id\": \"{b}\",\"name\": \"C\",\"version\": 1}");
    }
    void unreadableCalendarIsKeptAside()
    {
        TestHelpers::expectFailedChecks();
        // Only calendars with an id of their own are listed; the default and every event name one of them.
        QFETCH(QByteArray, calendars);
        const QByteArray content = "{\"Events\": {\"calendarsList\": [" + calendars +
                                   "],\"defaultCalendar\": \"{a}\",\"eventsList\": [" + entryText(0, "e", "{a}") +
                                   "],\"version\": \"3.3.0\"}}";
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QVERIFY(manager.hasError());
        for (const CalendarInfo &calendar : manager.calendars())
            QCOMPARE(manager.calendarById(calendar.id), calendar);
        QVERIFY(manager.calendarById(manager.defaultCalendarId()).valid());
        QVERIFY(manager.calendarById(manager.eventByIndex(0)->calendarId()).valid());

        manager.addCalendar(CalendarInfo("new"));
        QCOMPARE(readFile(path("events.bak")), content);
    }

    void eventSignalsAndWrites()
    {
        auto manager = threeEvents();
        ManagerSignals log(manager.get(), eventsFile());
        manager->addEvent(makeEvent(0, "d", Period(QDate(2026, 3, 4))));
        QCOMPARE(log.take(), QStringList{"eventAdded(3)"});
        QCOMPARE(log.fileCounts(), QList<int>{3}); // signalled before the write

        manager->removeEvent(manager->eventByIndex(1));
        QCOMPARE(log.take(), (QStringList{"eventAboutToRemove(1)", "eventRemoved"}));
        QCOMPARE(log.fileCounts(), (QList<int>{4, 4}));
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 3);

        manager->removeEvents({manager->eventByIndex(2), manager->eventByIndex(0)});
        QCOMPARE(log.take(),
                 (QStringList{"eventAboutToRemove(2)", "eventRemoved", "eventAboutToRemove(0)", "eventRemoved"}));
        QCOMPARE(log.fileCounts(), (QList<int>{3, 3, 3, 3})); // one write, at the end
        QCOMPARE(captions(*manager), QStringList{"c"});
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 1);

        manager->addEvents(
            {makeEvent(0, "e", Period(QDate(2026, 3, 5))), makeEvent(0, "f", Period(QDate(2026, 3, 6)))});
        QCOMPARE(log.take(), QStringList{"layoutChanged"});
        QCOMPARE(log.fileCounts(), QList<int>{3});

        manager->eventByIndex(1)->setCaption("E");
        QCOMPARE(log.take(), QStringList{"eventChanged(1)"});
        manager->eventByIndex(2)->setPeriod(Period(QDate(2026, 5, 5)));
        QCOMPARE(log.take(), QStringList{"eventChanged(2)"}); // a new date is that row's change alone
        QCOMPARE(commonData(fileContent(eventsFile()).value("eventsList").toList().at(1)).value("caption"),
                 QVariant("E"));
        manager->eventByIndex(0)->requestRemoval();
        QCOMPARE(log.take(), QStringList{"removeRequired(0)"});
        QCOMPARE(manager->count(), 3);

        const QVariantMap state = manager->state();
        manager->removeEvents(manager->events());
        log.take();
        log.fileCounts();
        manager->setState(state);
        QCOMPARE(log.take(), (QStringList{"layoutChanged", "calendarsChanged"}));
        QCOMPARE(log.fileCounts(), (QList<int>{3, 3}));
        QCOMPARE(captions(*manager), (QStringList{"c", "E", "f"}));
        QCOMPARE(assertCount(), 0);
    }

    void removedEventLivesWithItsHolder()
    {
        auto manager = threeEvents();
        AbstractCommonEventPtr held = manager->eventByIndex(0);
        ManagerSignals log(manager.get(), eventsFile());
        manager->removeEvent(held);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        log.take();
        const QByteArray before = readFile(eventsFile());
        held->setCaption("still here");
        held->requestRemoval();
        QCOMPARE(held->caption(), QString("still here"));
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(readFile(eventsFile()), before);
        QCOMPARE(assertCount(), 0);
    }

    void removesExpiredEvents()
    {
        EventsManager manager(eventsFile());
        manager.addEvents({makeEvent(0, "yesterday", Period(QDate(2026, 3, 9))),
                           makeEvent(0, "today", Period(QDate(2026, 3, 10))),
                           makeEvent(0, "weekly", Period(QDate(2025, 1, 6)), IOccurrence::Weekly),
                           makeEvent(0, "last week", Period(QDate(2026, 3, 1), QDate(2026, 3, 3))),
                           makeEvent(1, "birthday", Period(QDate(1990, 3, 1)), IOccurrence::Yearly)});
        ManagerSignals log(&manager, eventsFile());
        manager.removeExpiredEvents(3);
        QCOMPARE(manager.count(), 4);
        QCOMPARE(log.take(), QStringList{"layoutChanged"});
        log.fileCounts();
        manager.removeExpiredEvents(0);
        QCOMPARE(log.take(), QStringList{"layoutChanged"});
        QCOMPARE(log.fileCounts(), QList<int>{3}); // written before the views follow
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 3);
        QCOMPARE(manager.count(), 3);
        QCOMPARE(manager.eventByIndex(0)->caption(), QString("today"));
    }

    // A start that cleans up thousands of expired events writes the file once, not once per event.
    void expiredCleanUpSavesOnce()
    {
        EventsManager manager(eventsFile());
        QList<AbstractCommonEventPtr> events;
        for (int i = 0; i < 2000; ++i)
            events << makeEvent(0, QString("old %1").arg(i), Period(QDate(2025, 1, 1).addDays(i % 300)));
        events << makeEvent(0, "today", Period(QDate(2026, 3, 10)));
        manager.addEvents(events);
        QSignalSpy saves(&manager, &EventsManager::saved);
        QSignalSpy removals(&manager, &EventsManager::eventRemoved);
        QSignalSpy changes(&manager, &EventsManager::layoutChanged);
        manager.removeExpiredEvents(0);
        QCOMPARE(saves.count(), 1);
        QCOMPARE(removals.count() + changes.count(), 1);
        QCOMPARE(manager.count(), 1);
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 1);
    }

    void countsEventsByType()
    {
        EventsManager manager(eventsFile());
        AbstractCommonEventPtr custom = makeEvent(0, "custom", Period(QDate(2026, 1, 1)));
        CustomTypeInfo info;
        info.id = "{type}";
        info.name = "Mine";
        custom->setCustomTypeMetaInfo(info);
        manager.addEvents({makeEvent(1, "b1", Period(QDate(1990, 1, 1))), makeEvent(1, "b2", Period(QDate(1991, 1, 1))),
                           makeEvent(4, "t", Period(QDate(2026, 1, 1))), custom});
        const QMap<QByteArray, int> expected{{"birthday", 2}, {"task", 1}, {"usertype", 1}};
        QCOMPARE(manager.eventsCountByType(), expected);
        QCOMPARE(manager.eventById(custom->id()), custom);
        QVERIFY(!manager.eventById("{none}"));
    }

    void moveCalendar_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("signalsSent");
        QTest::newRow("first by two") << 0 << 2 << "XYW" << QStringList{"calendarAboutToBeMoved(0,2)", "calendarMoved"};
        QTest::newRow("last up") << 2 << -1 << "WYX" << QStringList{"calendarAboutToBeMoved(2,-1)", "calendarMoved"};
        QTest::newRow("first up") << 0 << -1 << "WXY" << QStringList();
        QTest::newRow("last down") << 2 << 1 << "WXY" << QStringList();
    }

    void moveCalendar()
    {
        TestHelpers::expectFailedChecks();
        QFETCH(int, index);
        QFETCH(int, step);
        QFETCH(QString, order);
        QFETCH(QStringList, signalsSent);
        EventsManager manager(eventsFile());
        manager.changeCalendar(CalendarInfo(manager.defaultCalendarId(), "W"));
        manager.addCalendar(CalendarInfo("X"));
        manager.addCalendar(CalendarInfo("Y"));
        const QByteArray before = readFile(eventsFile());
        ManagerSignals log(&manager, eventsFile());
        Common::clearLogBuffer();
        manager.moveCalendar(manager.calendarId(index), step);
        QString names;
        for (const CalendarInfo &calendar : manager.calendars())
            names += calendar.name;
        QCOMPARE(names, order);
        QCOMPARE(log.take(), signalsSent);
        QCOMPARE(assertCount() > 0, signalsSent.isEmpty());
        if (signalsSent.isEmpty())
            QCOMPARE(readFile(eventsFile()), before);
    }

    void calendarOperations()
    {
        TestHelpers::expectFailedChecks();
        EventsManager manager(eventsFile());
        const QByteArray first = manager.defaultCalendarId();
        ManagerSignals log(&manager, eventsFile());
        QVERIFY(!manager.calendarById("").valid());
        const CalendarInfo work("Work");
        manager.addCalendar(work);
        manager.addCalendar(work);
        QCOMPARE(manager.calendarsCount(), 2);
        manager.changeCalendar(CalendarInfo(work.id, "Job"));
        manager.changeCalendar(CalendarInfo("{unknown}", "x"));
        QCOMPARE(manager.calendarById(work.id).name, QString("Job"));
        manager.setDefaultCalendar(work.id);
        manager.setDefaultCalendar(work.id);
        manager.setDefaultCalendar("{unknown}");
        QCOMPARE(manager.defaultCalendarId(), work.id);
        AbstractCommonEventPtr event = makeEvent(0, "e", Period(QDate(2026, 1, 1)));
        manager.addEvent(event);
        QCOMPARE(event->calendarId(), work.id);
        QCOMPARE(manager.eventsByCalendar(work.id), QList<AbstractCommonEventPtr>{event});
        manager.removeCalendar(work.id); // still holds an event
        QCOMPARE(manager.calendarsCount(), 2);
        manager.removeEvents(manager.eventsByCalendar(work.id));
        manager.removeCalendar(work.id);
        QCOMPARE(manager.calendarsCount(), 1);
        QCOMPARE(manager.defaultCalendarId(), work.id); // left as it was
        QCOMPARE(manager.calendarId(0), first);
        QCOMPARE(log.take(), (QStringList{"calendarAdded", "calendarChanged(1)", "defaultCalendarChanged(0,1)",
                                          "defaultCalendarChanged(1,1)", "eventAdded(0)", "eventAboutToRemove(0)",
                                          "eventRemoved", "calendarAboutToBeRemoved(1)", "calendarRemoved"}));
        QCOMPARE(assertCount(), 4);
    }

    void exportWritesCopies()
    {
        auto manager = threeEvents();
        const QByteArray own = readFile(eventsFile());
        const QByteArray calendar = manager->defaultCalendarId();
        const QString target = path("out.evt");
        QVERIFY(writeFile(target, QByteArray(5000, 'x')));
        ManagerSignals log(manager.get(), eventsFile());
        QVERIFY(manager->exportEvents(target, {2, 0}));

        const QVariantMap exported = fileContent(target);
        const QVariantList events = exported.value("eventsList").toList();
        QCOMPARE(events.count(), 2);
        const QVariantMap firstData = commonData(events.at(0));
        QCOMPARE(firstData.value("caption"), QVariant("c"));
        QCOMPARE(commonData(events.at(1)).value("caption"), QVariant("a"));
        QCOMPARE(firstData.value("id").toByteArray(), manager->eventByIndex(2)->id());
        const QVariantList calendars = exported.value("calendarsList").toList();
        QCOMPARE(calendars.count(), 1);
        QCOMPARE(calendars.first().toMap().value("name"), QVariant("Default Calendar"));
        QCOMPARE(firstData.value("calendarId"), calendars.first().toMap().value("id"));
        QCOMPARE(exported.value("defaultCalendar"), calendars.first().toMap().value("id"));
        QCOMPARE(exported.value("version"), QVariant("3.3.0"));

        // The live events are untouched and still ours.
        QCOMPARE(readFile(eventsFile()), own);
        QCOMPARE(manager->eventByIndex(2)->calendarId(), calendar);
        QCOMPARE(log.take(), QStringList());
        manager->eventByIndex(2)->setCaption("C");
        QCOMPARE(log.take(), QStringList{"eventChanged(2)"});

        EventsManager reader(target);
        QCOMPARE(captions(reader), (QStringList{"c", "a"}));
        QVERIFY(!reader.hasError());
    }

    void exportRefusesOwnFile()
    {
        TestHelpers::expectFailedChecks();
        auto manager = threeEvents();
        const QByteArray own = readFile(eventsFile());
        for (const QString &name : {eventsFile(), m_dir->path() + "/./sub/../events.dat"}) {
            Common::clearLogBuffer();
            QVERIFY(!manager->exportEvents(name, {0}));
            QCOMPARE(assertCount(), 1);
            QCOMPARE(readFile(eventsFile()), own);
        }
        QVERIFY(QFile::link(eventsFile(), path("link.evt")));
        QVERIFY(!manager->exportEvents(path("link.evt"), {0}));
        QCOMPARE(readFile(eventsFile()), own);
        QCOMPARE(manager->count(), 3);
    }

    void restoreReloads()
    {
        auto manager = threeEvents();
        QVERIFY(writeFile(path("other.dat"), "{}"));
        EventsManager other(path("other.dat"));
        other.addEvent(makeEvent(0, "restored", Period(QDate(2026, 1, 1))));
        ManagerSignals log(manager.get(), eventsFile());
        QVERIFY(manager->restore(readFile(path("other.dat"))));
        QCOMPARE(log.take(), (QStringList{"layoutChanged", "calendarsChanged"}));
        QCOMPARE(captions(*manager), QStringList{"restored"});
        QCOMPARE(readFile(eventsFile()), readFile(path("other.dat")));
    }

    void restoreKeepsUnloadedFileAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("newer") << newerFile("from the future");
        QTest::newRow("unreadable") << QByteArray("{\"Events\": {\"calendarsList\": [");
    }
    void restoreKeepsUnloadedFileAside()
    {
        // A restore writes over the events file like a save does, so a file that was not loaded goes aside first.
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(eventsFile(), content));
        EventsManager manager(eventsFile());
        QVERIFY(manager.hasError());
        QVERIFY(writeFile(path("other.dat"), "{}"));
        EventsManager other(path("other.dat"));
        other.addEvent(makeEvent(0, "restored", Period(QDate(2026, 1, 1))));

        QVERIFY(manager.restore(readFile(path("other.dat"))));
        QCOMPARE(readFile(path("events.bak")), content);
        QCOMPARE(captions(manager), QStringList{"restored"});
        QVERIFY(!manager.hasError());
        manager.addEvent(makeEvent(0, "later", Period(QDate(2026, 1, 2))));
        QVERIFY(!QFile::exists(path("events.bak1")));
    }

    void failedSaveKeepsOldFile()
    {
        auto manager = threeEvents();
        const QByteArray before = readFile(eventsFile());
        {
            TestHelpers::ScopedFileSizeLimit limit(before.size() + 10);
            manager->addEvent(makeEvent(0, "too much", Period(QDate(2026, 3, 4))));
            QVERIFY(!manager->save());
        }
        QCOMPARE(readFile(eventsFile()), before);
        QCOMPARE(manager->count(), 4);
        QVERIFY(manager->save());
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 4);
    }

    void failedCopyAsideWritesNothing()
    {
        const QByteArray newer = newerFile(QString(4000, 'n'));
        QVERIFY(writeFile(eventsFile(), newer));
        EventsManager manager(eventsFile());
        {
            TestHelpers::ScopedFileSizeLimit limit(1000);
            manager.addCalendar(CalendarInfo("x"));
            QVERIFY(!manager.save());
        }
        QVERIFY(manager.hasError());
        QCOMPARE(readFile(eventsFile()), newer);
        QVERIFY(manager.save());
        QCOMPARE(readFile(path("events.bak")), newer);
        QVERIFY(!manager.hasError());
    }

    // Saves in the background keep each entry until its event changes, also silently: the file
    // must hold what a whole write gives, and readers and the manager's end wait for it.
    void backgroundSavesWriteWhatIsHeld_data()
    {
        QTest::addColumn<int>("change");
        // Read anew, the file's own entries stand for unchanged events.
        QTest::addColumn<bool>("reread");
        for (const bool reread : {false, true}) {
            const char *from = reread ? ", file read" : "";
            QTest::addRow("caption%s", from) << 0 << reread;
            QTest::addRow("silent calendar, then another event%s", from) << 1 << reread;
            QTest::addRow("removal%s", from) << 2 << reread;
            QTest::addRow("several changes in a row%s", from) << 3 << reread;
            QTest::addRow("read by a new manager%s", from) << 4 << reread;
            QTest::addRow("manager ends%s", from) << 5 << reread;
            QTest::addRow("file changed from outside%s", from) << 6 << reread;
            QTest::addRow("a failed write, then a change%s", from) << 7 << reread;
            QTest::addRow("file changed from outside, manager ends%s", from) << 8 << reread;
            QTest::addRow("file changed from outside, same size and time%s", from) << 9 << reread;
            QTest::addRow("file changed from outside, every entry anew%s", from) << 10 << reread;
            QTest::addRow("file changed from outside, replaced again while the save reads it%s", from) << 11 << reread;
        }
    }

    void backgroundSavesWriteWhatIsHeld()
    {
        QFETCH(int, change);
        QFETCH(bool, reread);
        Common::UserMessages::reset();
        // Several threads' slices, with few events.
        const qsizetype slice = EventsManager::setSliceEvents(128);
        const auto restore = qScopeGuard([slice] { EventsManager::setSliceEvents(slice); });
        auto manager = std::make_unique<EventsManager>(eventsFile());
        // In the background from the first save, so that its own writes are known again like the file as read.
        manager->setSavesInBackground(true);
        const CalendarInfo work("work");
        manager->addCalendar(work);
        QList<AbstractCommonEventPtr> events;
        for (int i = 0; i < 1100; ++i)
            events << variedEvent(i);
        manager->addEvents(events);
        if (reread) {
            manager = std::make_unique<EventsManager>(eventsFile());
            events = manager->events();
        }
        manager->setSavesInBackground(true);
        QSignalSpy saved(manager.get(), &EventsManager::saved);
        QSignalSpy failed(manager.get(), &EventsManager::saveFailed);
        manager->waitForSaves();
        // Another program's version, to be found aside byte for byte and told of once.
        const bool outside = change == 6 || change >= 8;
        QByteArray theirs = readFile(eventsFile());
        if (outside) {
            const QDateTime time = QFileInfo(eventsFile()).lastModified();
            if (change == 9)
                theirs.replace("\"plain0\"", "\"plain\"").replace("\"plain1080\"", "\"plain10800\"");
            else
                theirs.replace("\"Ev", "\"Xvv");
            QVERIFY(writeFile(eventsFile(), theirs));
            QFile file(eventsFile());
            QVERIFY(file.open(QIODevice::ReadOnly) && file.setFileTime(time, QFileDevice::FileModificationTime));
            if (change == 10)
                manager->setState(manager->state());
        }
        const QByteArray again = QByteArray(theirs).replace("\"Xvv", "\"Yvv");
        if (change == 11) {
            Common::setReadHookForTests([&, once = true]() mutable {
                QVERIFY(!std::exchange(once, false) ||
                        (writeFile(path("again"), again) &&
                         std::rename(qPrintable(path("again")), qPrintable(eventsFile())) == 0));
            });
        }
        const auto unhook = qScopeGuard([] { Common::setReadHookForTests(nullptr); });
        if (change == 7) {
            TestHelpers::ScopedFileSizeLimit limit(readFile(eventsFile()).size() - 10);
            events.at(3)->setCaption("not written");
            manager->waitForSaves();
            QCOMPARE(failed.count(), 1);
            failed.clear();
        }
        events.at(10)->setCaption("first");
        if (change == 1) {
            events.at(1000)->setCalendarId(work.id, true);
            events.at(5)->setCaption("second");
        } else if (change == 2) {
            manager->removeEvent(events.at(20));
        } else if (change >= 3) {
            for (int i = 0; i < 20; ++i)
                events.at(i * 50)->setCaption(QString("again %1").arg(i));
        }
        const QByteArray expected = Common::toJson(QVariantMap{{"Events", manager->toMap()}});
        if (change == 4) {
            EventsManager reader(eventsFile());
            QCOMPARE(reader.events().count(), manager->count());
            QCOMPARE(reader.events().at(0)->caption(), "again 0");
        } else if (change == 5 || change == 8) {
            manager.reset();
        }
        if (manager) {
            // The writer ends the write an answer asks for before the waiting thread looks again.
            Common::BackgroundWriter::waitFor(eventsFile());
            QMetaObject::invokeMethod(
                manager.get(), [file = eventsFile()] { Common::BackgroundWriter::waitFor(file); },
                Qt::QueuedConnection);
            manager->waitForSaves();
        }
        QCOMPARE(readFile(eventsFile()), expected);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(readFile(path("events.bak")), outside ? theirs : QByteArray());
        QCOMPARE(readFile(path("events.bak1")), change == 11 ? again : QByteArray());
        const QStringList told = Common::UserMessages::toldLines();
        QCOMPARE(told.count(), outside ? 1 + (change == 11) : 0);
        QVERIFY(!outside || told.first().contains("\"events.bak\""));
        if (!manager)
            return;
        QVERIFY(saved.count() >= 1);
        QCOMPARE(failed.count(), 0);
        // The idle writer's path is empty too: a manager without a file must not wait for it.
        QCOMPARE(EventsManager(QString()).count(), 0);
    }

    void backgroundSaveFailureIsReported()
    {
        auto manager = threeEvents();
        manager->setSavesInBackground(true);
        const QByteArray before = readFile(eventsFile());
        QSignalSpy failed(manager.get(), &EventsManager::saveFailed);
        QSignalSpy saved(manager.get(), &EventsManager::saved);
        {
            TestHelpers::ScopedFileSizeLimit limit(before.size() + 10);
            manager->addEvent(makeEvent(0, "too much", Period(QDate(2026, 3, 4))));
            manager->waitForSaves();
        }
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), eventsFile());
        QVERIFY(!failed.at(0).at(1).toString().isEmpty());
        QCOMPARE(readFile(eventsFile()), before);
        manager->eventByIndex(0)->setCaption("fits");
        manager->waitForSaves();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(fileContent(eventsFile()).value("eventsList").toList().count(), 4);
    }

    void providerServesTheManager()
    {
        TestHelpers::expectFailedChecks();
        auto manager = std::make_unique<EventsManager>(eventsFile());
        {
            CalendarsProvider provider(manager.get());
            QCOMPARE(CalendarsProvider::calendars(), manager->calendars());
            QCOMPARE(CalendarsProvider::defaultCalendarId(), manager->defaultCalendarId());
            manager.reset();
            QCOMPARE(CalendarsProvider::calendars(), QList<CalendarInfo>());
            QCOMPARE(assertCount(), 1);
        }
        QCOMPARE(CalendarsProvider::defaultCalendarId(), QByteArray());
        QCOMPARE(assertCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestEventsManager)
#include "tst_eventsmanager.moc"
