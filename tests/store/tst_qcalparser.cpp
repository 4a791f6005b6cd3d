#include "store/qcalparser.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

QList<QCalEventPtr> parseText(const QByteArray &text, const char *encoding = nullptr)
{
    QCalParser parser;
    parser.parse(text, encoding);
    return parser.events();
}

QCalEventPtr parseOne(const QByteArray &body)
{
    const auto events = parseText("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n" + body + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    return events.size() == 1 ? events.first() : QCalEventPtr();
}

} // namespace

class TestQCalParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void readsDateForms_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QDateTime>("expectedUtc");
        QTest::addColumn<bool>("dateOnly");
        // The machine's zone is Europe/Berlin (UTC+1 in March before the change, +2 after).
        const QDate d(2024, 3, 15);
        QTest::newRow("utc") << QByteArray("DTSTART:20240315T100000Z") << "dtstart"
                             << QDateTime(d, QTime(10, 0), Qt::UTC) << false;
        QTest::newRow("floating is local")
            << QByteArray("DTSTART:20240315T100000") << "dtstart" << QDateTime(d, QTime(9, 0), Qt::UTC) << false;
        QTest::newRow("tzid") << QByteArray("DTSTART;TZID=America/New_York:20240315T100000") << "dtstart"
                              << QDateTime(d, QTime(14, 0), Qt::UTC) << false;
        QTest::newRow("quoted tzid") << QByteArray("DTEND;TZID=\"America/New_York\":20240315T100000") << "dtend"
                                     << QDateTime(d, QTime(14, 0), Qt::UTC) << false;
        QTest::newRow("prefixed tzid") << QByteArray("DUE;TZID=/vendor.org/20050126_1/Asia/Tokyo:20240315T100000")
                                       << "due" << QDateTime(d, QTime(1, 0), Qt::UTC) << false;
        QTest::newRow("windows tzid") << QByteArray("DTSTART;TZID=Tokyo Standard Time:20240315T100000") << "dtstart"
                                      << QDateTime(d, QTime(1, 0), Qt::UTC) << false;
        QTest::newRow("unknown tzid is local") << QByteArray("DTSTART;TZID=Nowhere/Land:20240315T100000") << "dtstart"
                                               << QDateTime(d, QTime(9, 0), Qt::UTC) << false;
        QTest::newRow("Z wins over tzid") << QByteArray("DTSTART;TZID=Asia/Tokyo:20240315T100000Z") << "dtstart"
                                          << QDateTime(d, QTime(10, 0), Qt::UTC) << false;
        QTest::newRow("value=date") << QByteArray("DTSTART;VALUE=DATE:20240315") << "dtstart"
                                    << QDateTime(d.addDays(-1), QTime(23, 0), Qt::UTC) << true;
        QTest::newRow("8 digits") << QByteArray("DTEND:20240315") << "dtend"
                                  << QDateTime(d.addDays(-1), QTime(23, 0), Qt::UTC) << true;
        QTest::newRow("date with tzid stays a date")
            << QByteArray("DTSTART;VALUE=DATE;TZID=Asia/Tokyo:20240315") << "dtstart"
            << QDateTime(d.addDays(-1), QTime(23, 0), Qt::UTC) << true;
        QTest::newRow("lower-case name") << QByteArray("dtstart:20240315T100000Z") << "dtstart"
                                         << QDateTime(d, QTime(10, 0), Qt::UTC) << false;
        QTest::newRow("floating in the spring gap") << QByteArray("DTSTART:20240331T023000") << "dtstart"
                                                    << QDateTime(QDate(2024, 3, 31), QTime(1, 30), Qt::UTC) << false;
        QTest::newRow("tzid in the spring gap")
            << QByteArray("DTSTART;TZID=America/New_York:20240310T023000") << "dtstart"
            << QDateTime(QDate(2024, 3, 10), QTime(7, 30), Qt::UTC) << false;
        // A repeated autumn hour is its first pass, as in the file's own zones.
        const std::pair<const char *, QDateTime> repeated[] = {
            {"Europe/Berlin:20271031T023000", QDateTime(QDate(2027, 10, 31), QTime(0, 30), Qt::UTC)},
            {"W. Europe Standard Time:20271031T023000", QDateTime(QDate(2027, 10, 31), QTime(0, 30), Qt::UTC)},
            {"America/New_York:20271107T013000", QDateTime(QDate(2027, 11, 7), QTime(5, 30), Qt::UTC)},
            {"Australia/Sydney:20270404T023000", QDateTime(QDate(2027, 4, 3), QTime(15, 30), Qt::UTC)}};
        for (const auto &[value, utc] : repeated)
            QTest::newRow(value) << QByteArray("DTSTART;TZID=") + value << "dtstart" << utc << false;
        QTest::newRow("dashed date") << QByteArray("DTSTART:2024-03-15") << "dtstart" << QDateTime() << false;
        QTest::newRow("dashed date-time")
            << QByteArray("DTSTART:2024-03-15T10:00:00") << "dtstart" << QDateTime() << false;
        QTest::newRow("no such day") << QByteArray("DTSTART:20240230") << "dtstart" << QDateTime() << false;
        QTest::newRow("hour 25") << QByteArray("DTSTART:20240315T250000") << "dtstart" << QDateTime() << false;
        QTest::newRow("time after date value")
            << QByteArray("DTSTART;VALUE=DATE:20240315T100000") << "dtstart" << QDateTime() << false;
        QTest::newRow("trailing text") << QByteArray("DTSTART:20240315T100000+01") << "dtstart" << QDateTime() << false;
        QTest::newRow("empty") << QByteArray("DTSTART:") << "dtstart" << QDateTime() << false;
    }

    void readsDateForms()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QDateTime, expectedUtc);
        QFETCH(bool, dateOnly);
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const QCalEventPtr event = parseOne(line);
        QVERIFY(event);
        const QVariant value = event->property(key);
        QCOMPARE(value.typeId(), QMetaType::QDateTime);
        const QDateTime dt = value.toDateTime();
        QCOMPARE(dt.isValid(), expectedUtc.isValid());
        if (expectedUtc.isValid()) {
            QCOMPARE(dt.toUTC(), expectedUtc);
            QCOMPARE(dt.time(), dt.toLocalTime().time()); // wall clock of the machine's zone
        }
        QCOMPARE(event->isDateOnly(key), dateOnly);
    }

    // One wall-clock reading in several zones of one file: each entry keeps its own moment.
    void readsOneWallClockInEachZone()
    {
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        QByteArray text = "BEGIN:VCALENDAR\r\n";
        for (const QByteArray start : {";TZID=America/New_York:", ";TZID=Asia/Tokyo:", ":", ";VALUE=DATE-TIME:"})
            text += "BEGIN:VEVENT\r\nDTSTART" + start + "20240501T100000" + (start == ":" ? "Z" : "") +
                    "\r\nEND:VEVENT\r\n";
        QStringList moments;
        for (const QCalEventPtr &event : parseText(text + "END:VCALENDAR\r\n"))
            moments << event->dtstart().toDateTime().toUTC().toString(Qt::ISODate);
        QCOMPARE(moments, QStringList({"2024-05-01T14:00:00Z", "2024-05-01T01:00:00Z", "2024-05-01T10:00:00Z",
                                       "2024-05-01T08:00:00Z"}));
    }

    // The file's own zone counts wherever it stands, and one left open loses no entry.
    void readsZonesOfTheFile()
    {
        TestHelpers::ScopedTimeZone tz("Europe/Berlin");
        const QByteArray zone = "BEGIN:VTIMEZONE\r\nTZID:Far East\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                                "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0900\r\nEND:STANDARD\r\n";
        QCalParser parser;
        parser.parse("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;TZID=Far East:20240315T100000\r\n"
                     "RDATE;TZID=Far East:20240316T100000,20240317T100000\r\nEND:VEVENT\r\n" +
                     zone + "END:VTIMEZONE\r\n" + zone + "BEGIN:VEVENT\r\nSUMMARY:after\r\nEND:VEVENT\r\n");
        QCOMPARE(parser.events().size(), 2);
        const QCalEventPtr first = parser.events().at(0);
        QCOMPARE(first->dtstart().toDateTime().toUTC(), QDateTime(QDate(2024, 3, 15), QTime(1, 0), Qt::UTC));
        const QVariantList extra = first->property("rdate").toList();
        QCOMPARE(extra.size(), 2);
        QCOMPARE(extra.at(1).toDateTime().toUTC(), QDateTime(QDate(2024, 3, 17), QTime(1, 0), Qt::UTC));
        QVERIFY(!first->property("unknown_tzid").isValid());
        QCOMPARE(parser.events().at(1)->summary().toString(), QStringLiteral("after"));
    }

    void unfoldsContinuationLines()
    {
        const QCalEventPtr event = parseOne("DESCRIPTION:first part\r\n  and second\r\n\tand third\r\n"
                                            "SUMMARY:Sum\r\n mary\r\nX-EMPTY-FOLD:a\r\n \r\nUID:1");
        QVERIFY(event);
        QCOMPARE(event->description().toString(), QStringLiteral("first part and secondand third"));
        QCOMPARE(event->summary().toString(), QStringLiteral("Summary"));
        QCOMPARE(event->property("x_empty_fold").toString(), QStringLiteral("a"));
        QCOMPARE(event->uid().toString(), QStringLiteral("1"));
        // A fold inside the property name or before the value's colon is joined too.
        const QCalEventPtr split = parseOne("DTST\r\n ART:20240315T100000Z");
        QVERIFY(split);
        QCOMPARE(split->dtstart().toDateTime().toUTC(), QDateTime(QDate(2024, 3, 15), QTime(10, 0), Qt::UTC));
    }

    void unescapesTextValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comma") << QByteArray("a\\, b") << "a, b";
        QTest::newRow("semicolon") << QByteArray("a\\;b") << "a;b";
        QTest::newRow("newline") << QByteArray("line1\\nline2\\Nline3") << "line1\nline2\nline3";
        QTest::newRow("backslash") << QByteArray("C:\\\\dir") << "C:\\dir";
        QTest::newRow("escaped backslash before n") << QByteArray("a\\\\nb") << "a\\nb";
        QTest::newRow("unknown escape kept") << QByteArray("a\\qb") << "a\\qb";
        QTest::newRow("trailing backslash kept") << QByteArray("ab\\") << "ab\\";
    }

    void unescapesTextValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        const QCalEventPtr event =
            parseOne("SUMMARY:" + value + "\r\nDESCRIPTION:" + value + "\r\nLOCATION:" + value + "\r\nURL:" + value);
        QVERIFY(event);
        QCOMPARE(event->summary().toString(), expected);
        QCOMPARE(event->description().toString(), expected);
        QCOMPARE(event->location().toString(), expected);
        QCOMPARE(event->url().toString(), QString::fromUtf8(value)); // not a text value: as written
    }

    void splitsNamesParametersAndValues()
    {
        const QCalEventPtr event = parseOne("SUMMARY;LANGUAGE=de:Treffen\r\n"
                                            "DESCRIPTION;ALTREP=\"cid:part1@example.org\":The text: with colon\r\n"
                                            "X-WR-TIMEZONE:Europe/Vienna\r\n"
                                            "CATEGORIES:Holiday,Work\r\n"
                                            "RRULE:FREQ=YEARLY;INTERVAL=2\r\n"
                                            "NOCOLON\r\n"
                                            "LOCATION:first\r\nLOCATION:second");
        QVERIFY(event);
        QCOMPARE(event->summary().toString(), QStringLiteral("Treffen"));
        QCOMPARE(event->description().toString(), QStringLiteral("The text: with colon"));
        QCOMPARE(event->property("x_wr_timezone").toString(), QStringLiteral("Europe/Vienna"));
        QCOMPARE(event->categories().toStringList(), QStringList{QStringLiteral("Holiday,Work")});
        QCOMPARE(event->rrule().toString(), QStringLiteral("FREQ=YEARLY;INTERVAL=2"));
        QCOMPARE(event->property("nocolon").toString(), QStringLiteral("NOCOLON"));
        QCOMPARE(event->location().toString(), QStringLiteral("second"));
        QCOMPARE(event->property("X-WR-TIMEZONE"), QVariant()); // lookups take the stored form
        const QCalEventPtr empty = parseOne("CATEGORIES:");
        QVERIFY(empty);
        QCOMPARE(empty->categories().typeId(), QMetaType::QStringList);
        QVERIFY(empty->categories().toStringList().isEmpty());
    }

    void readsBlocks()
    {
        const QByteArray text =
            "BEGIN:VCALENDAR\nX-OUTSIDE:1\nBEGIN:VTIMEZONE\nTZID:X\nEND:VTIMEZONE\n"
            "BEGIN:VEVENT\nUID:e1\nDESCRIPTION:see END:VEVENT below\n"
            "BEGIN:VALARM\nACTION:DISPLAY\nDESCRIPTION:Reminder\nEND:VALARM\nSUMMARY:one\nEND:VEVENT\n"
            "begin:vtodo\nUID:t1\nend:vtodo\n"
            "BEGIN:VEVENT\nUID:cut\nSUMMARY:no end";
        const auto events = parseText(text);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[0]->uid().toString(), QStringLiteral("e1"));
        QCOMPARE(events[0]->description().toString(), QStringLiteral("see END:VEVENT below"));
        QCOMPARE(events[0]->summary().toString(), QStringLiteral("one"));
        QCOMPARE(events[0]->todo(), QVariant(false));
        QVERIFY(!events[0]->properties().contains(QStringLiteral("action")));
        QVERIFY(!events[0]->properties().contains(QStringLiteral("x_outside")));
        QCOMPARE(events[1]->todo(), QVariant(true));
        QCOMPARE(events[2]->uid().toString(), QStringLiteral("cut"));
        QCOMPARE(events[2]->summary().toString(), QStringLiteral("no end"));
        QCOMPARE(events[2]->todo(), QVariant(false));
    }

    void appendsAcrossParses()
    {
        QCalParser parser;
        QVERIFY(parser.parse(QByteArray("BEGIN:VEVENT\nUID:a\nEND:VEVENT\n")));
        QVERIFY(parser.parse(QByteArray("BEGIN:VEVENT\nUID:b\nEND:VEVENT\n")));
        QCOMPARE(parser.events().size(), 2);
        QCOMPARE(parser.events().at(1)->uid().toString(), QStringLiteral("b"));
        QVERIFY(parser.parse(QByteArray("no calendar here")));
        QCOMPARE(parser.events().size(), 2);
    }

    void decodesEncodings()
    {
        const QString summary = QStringLiteral("День рождения");
        const QByteArray body = "BEGIN:VEVENT\r\nSUMMARY:";
        const QByteArray tail = "\r\nEND:VEVENT\r\n";
        const QByteArray cp1251 = QTextCodec::codecForName("windows-1251")->fromUnicode(summary);
        QCOMPARE(parseText(body + cp1251 + tail, "windows-1251").first()->summary().toString(), summary);
        QCOMPARE(parseText("\xEF\xBB\xBF" + body + summary.toUtf8() + tail).first()->summary().toString(), summary);
        // A byte-order mark overrides a wrong choice.
        QCOMPARE(parseText("\xEF\xBB\xBF" + body + summary.toUtf8() + tail, "windows-1251").first()->summary(),
                 QVariant(summary));
        QTextCodec *utf16 = QTextCodec::codecForName("UTF-16LE");
        const QByteArray wide =
            QByteArray("\xFF\xFE") + utf16->fromUnicode(QString::fromUtf8(body) + summary + QString::fromUtf8(tail));
        QCOMPARE(parseText(wide).first()->summary().toString(), summary);
        // An unknown name falls back to the default codec (UTF-8 here).
        QCOMPARE(parseText(body + summary.toUtf8() + tail, "no-such-codec").first()->summary().toString(), summary);
    }

    void readsFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.ics"));
        // A multi-byte character on the reader's chunk border must survive.
        QByteArray text = "BEGIN:VEVENT\nDESCRIPTION:";
        text += QByteArray(1024 * 1024 - text.size() - 1, 'x') + "\xC3\xA9" + "\nEND:VEVENT\n";
        QVERIFY(TestHelpers::writeFile(path, text));
        QFile file(path);
        QCalParser parser;
        QVERIFY(parser.parse(&file));
        QVERIFY(file.isOpen());
        QCOMPARE(parser.events().size(), 1);
        QVERIFY(parser.events().first()->description().toString().endsWith(QChar(0xE9)));

        QFile missing(dir.filePath(QStringLiteral("missing.ics")));
        QVERIFY(!parser.parse(&missing));
        QCOMPARE(parser.events().size(), 1);
    }

    void survivesHostileInput()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.ics"));
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("BEGIN:VEVENT\nUID:big\nDESCRIPTION:");
            const QByteArray block(1024 * 1024, 'a');
            for (int i = 0; i < 100; ++i)
                out.write(block);
            out.write("\nSUMMARY:after\nEND:VEVENT\n");
        }
        QFile file(path);
        QCalParser parser;
        QVERIFY(parser.parse(&file));
        QCOMPARE(parser.events().size(), 1);
        const QCalEventPtr event = parser.events().first();
        QCOMPARE(event->description().toString().size(),
                 QCalParser::kMaxLineLength - qsizetype(strlen("DESCRIPTION:")));
        QCOMPARE(event->summary().toString(), QStringLiteral("after"));

        QByteArray garbage;
        quint32 seed = 12345;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            garbage += char(seed >> 24);
        }
        parseText(garbage);
        parseText("BEGIN:VEVENT\n" + garbage, "UTF-16");
        QCOMPARE(parseText(QByteArray(100000, '\n') + "BEGIN:VEVENT\n" + QByteArray(100000, ' ')).size(), 1);
        QCOMPARE(
            parseText(QByteArray("BEGIN:VEVENT\n") + QByteArray(50000, ':') + "\n" + QByteArray(50000, '"')).size(), 1);
    }

    void offersInvokableSignatures()
    {
        const QMetaObject &parser = QCalParser::staticMetaObject;
        for (const char *sig :
             {"parse(QFile*,const char*)", "parse(QFile*)", "parse(QByteArray,const char*)", "parse(QByteArray)"})
            QVERIFY2(parser.indexOfMethod(sig) >= 0, sig);
        const QMetaObject &event = QCalEvent::staticMetaObject;
        for (const char *sig : {"setProperty(QString,QVariant)", "property(const char*)", "property(QString)"})
            QVERIFY2(event.indexOfMethod(sig) >= 0, sig);
        QCalEvent bag;
        bag.setProperty(QStringLiteral("X-My-Key"), 5);
        QCOMPARE(bag.property("x_my_key"), QVariant(5));
        bag.setProperty(QStringLiteral("rrule"), QStringLiteral("FREQ=DAILY"));
        QCOMPARE(bag.QObject::property("rrule"), QVariant(QStringLiteral("FREQ=DAILY")));
    }

    void dumpsForDebugging()
    {
        QCalEvent event;
        event.setProperty(QStringLiteral("UID"), QStringLiteral("x"));
        event.setProperty(QStringLiteral("todo"), true);
        QString out;
        QDebug(&out).nospace() << event;
        QCOMPARE(out,
                 QStringLiteral("QCalEvent(\n    todo: QVariant(bool, true)\n    uid: QVariant(QString, \"x\")\n)\n"));
    }

    // Calendars written by other programs, as shipped with python3-icalendar.
    void readsCalendarsFromOtherPrograms()
    {
        const QDir dir(QStringLiteral("/usr/lib/python3/dist-packages/icalendar/tests"));
        const QStringList files = dir.entryList({QStringLiteral("*.ics")}, QDir::Files);
        if (files.isEmpty())
            QSKIP("python3-icalendar is not installed");
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QCalParser parser;
            QVERIFY2(parser.parse(&file), qPrintable(name));
        }
        TestHelpers::ScopedTimeZone tz("Asia/Tokyo");
        QFile file(dir.filePath(QStringLiteral("timezoned.ics")));
        QCalParser parser;
        QVERIFY(parser.parse(&file));
        QCOMPARE(parser.events().size(), 1);
        const QCalEventPtr event = parser.events().first();
        QCOMPARE(event->uid().toString(), QStringLiteral("123456"));
        QCOMPARE(event->dtstart().toDateTime().toUTC(), QDateTime(QDate(2012, 2, 13), QTime(9, 0), Qt::UTC));
        QCOMPARE(event->dtend().toDateTime().toUTC(), QDateTime(QDate(2012, 2, 17), QTime(17, 0), Qt::UTC));
        QCOMPARE(event->location().toString(), QStringLiteral("aka bild, wien"));
    }
};

QTEST_GUILESS_MAIN(TestQCalParser)
#include "tst_qcalparser.moc"
