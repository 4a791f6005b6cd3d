#include "apptestenv.h"
#include "core/datafileguard.h"
#include "core/properties.h"
#include "core/statcollector.h"
#include "core/storage.h"
#include "eventtypes/ieventtypesstorage.h"
#include "events/notspecifiedevent.h"
#include "gadgets/gadgetscontroller.h"
#include "gadgets/todogadget.h"
#include "store/eventsmanager.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QDataStream>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString s_toDoUid = QStringLiteral("{5d1a4c0e-0000-4000-8000-00000000abcd}");

QByteArray pictureData(qint32 version)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << version;
    return bytes + QByteArray(10, 'p');
}

// One picture of ten bytes behind the header; `extra` follows the records.
QByteArray pictureIndex(qint32 version, const QByteArray &extra = QByteArray())
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << version << qint32(1) << QByteArray("old") << qint64(4) << qint64(10);
    return bytes + extra;
}

QByteArray customTypes(const QByteArray &version, const QByteArray &recordExtra = QByteArray())
{
    return "{\"customTypes\": [{\"version\": 1, \"id\": \"{c1}\", \"name\": \"Fest\", \"baseType\": 3, "
           "\"visibility\": {}, \"defaults\": {}, \"parameters\": {}" +
           recordExtra + "}], \"version\": \"" + version + "\"}";
}

QByteArray typesOrder(const QByteArray &version, const QByteArray &extra = QByteArray())
{
    return "{\"tree\": [\"3\", {\"folder\": \"Mine\", \"types\": [\"1\"]}]" + extra + ", \"version\": \"" + version +
           "\"}";
}

QByteArray toDos(const QByteArray &record, int listVersion = 1)
{
    return "{\"Caption\": \"Home\", \"ToDos\": {\"eventsList\": [" + record +
           "], \"version\": " + QByteArray::number(listVersion) + "}}";
}

const QByteArray s_toDoRecord = "{\"version\": 1, \"text\": \"buy milk\", \"done\": false}";

QString toDoFile()
{
    return QStringLiteral("todo.%1.dat").arg(s_toDoUid);
}

} // namespace

// Every data file the program writes, damaged in every way it can be: the program starts with what it
// could read, the old bytes are kept aside before the first save, and the user is told once.
class TestApplicationDataFiles : public QObject
{
    Q_OBJECT

private:
    enum Expect { KeptAside, NothingToKeep, WrittenBackWhole, MovedAsideUnread, KeptAlready, Unopenable };

    // The path of a data or settings file by its name.
    static QString pathOf(AppTestEnv &env, const QString &name)
    {
        if (name == QLatin1String("Quillane.conf"))
            return QDir(env.configFolder()).filePath(name);
        if (name.endsWith(QLatin1String(".conf")) || name == QLatin1String("reminder.dat"))
            return QDir(env.configFolder()).filePath(QStringLiteral("Quillane/") + name);
        return QDir(env.dataFolder()).filePath(name);
    }

    // A change through the program that writes the file; true when it went through.
    static bool change(Application *app, const QString &name, int n)
    {
        if (name == QLatin1String("events.dat")) {
            auto event = std::make_shared<NotSpecifiedEvent>();
            event->setCaption(QStringLiteral("change %1").arg(n));
            app->eventsManager()->addEvent(event);
            return true;
        }
        if (name == QLatin1String("customtypes.dat")) {
            CustomTypeInfo info;
            info.id = "{n" + QByteArray::number(n) + '}';
            info.name = QStringLiteral("New %1").arg(n);
            info.baseType = 3;
            return app->eventTypesStorage()->insertCustomType(IEventTypesStorage::Index(), 0, info);
        }
        if (name == QLatin1String("typesorder.dat"))
            return app->eventTypesStorage()->insertFolder(0, QStringLiteral("Folder %1").arg(n));
        if (name.startsWith(QLatin1String("pixmaps."))) {
            QByteArray bytes(64, char('a' + n));
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            return app->storage()->write("picture" + QByteArray::number(n), &buffer);
        }
        if (name == QLatin1String("reminder.dat")) {
            app->setSettingsValue("reminder", QVariantList{n});
            return true;
        }
        if (name == QLatin1String("Quillane.conf"))
            return true; // the user id is written at start
        if (name.endsWith(QLatin1String(".conf"))) {
            app->properties()->setValue("daysToWatch", 20 + n);
            return true;
        }
        if (name == QLatin1String("stat.dat")) {
            StatCollector::addInt("changes", false, 1);
            return true;
        }
        // The stored gadgets come once the start is over.
        if (!QTest::qWaitFor([app] { return !app->gadgetsController()->liveGadgets().isEmpty(); }))
            return false;
        for (ToDoGadget *gadget : app->gadgetsController()->liveGadgets()) {
            if (gadget->uid() == s_toDoUid.toLatin1()) {
                gadget->addToDo(QStringLiteral("to-do %1").arg(n));
                return true;
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // Each case gives the application a home of its own instead.
        QStandardPaths::setTestModeEnabled(false);
    }
    void init() { Common::DataFileGuard::reset(); }

    void damagedFileKeptAsideAndToldOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("toldFile"); // the file the copy and the message are about
        QTest::addColumn<QByteArray>("keptContent");
        QTest::addColumn<int>("expect");

        // Older than the program: read as its own.
        const QByteArray version("0.1");
        const QByteArray garbage("\x01\x02garbage\xff\xfe{[", 13);
        const auto add = [](const char *row, const QString &file, const QByteArray &content, Expect expect,
                            const QString &told = QString(), const QByteArray &kept = QByteArray()) {
            QTest::newRow(row) << file << content << (told.isEmpty() ? file : told) << (kept.isNull() ? content : kept)
                               << int(expect);
        };
        const QString events = QStringLiteral("events.dat");
        add("events garbage", events, garbage, KeptAside);
        add("events truncated", events, "{\"Events\": {\"calendarsList\": [], \"eventsL", KeptAside);
        add("events wrong shape", events, "[1, 2, 3]", KeptAside);
        add("events newer version", events, "{\"Events\": {\"eventsList\": [], \"version\": \"99.0\"}}", KeptAside);
        add("events empty", events, "", NothingToKeep);

        const QString custom = QStringLiteral("customtypes.dat");
        add("custom types garbage", custom, garbage, KeptAside);
        add("custom types empty", custom, "", NothingToKeep);
        add("custom types truncated", custom, customTypes(version).left(60), KeptAside);
        add("custom types wrong shape", custom, "{\"customTypes\": {\"a\": 1}}", KeptAside);
        add("custom types newer version", custom, customTypes("99.0"), KeptAside);
        add("custom types newer fields", custom, customTypes(version, ", \"colour\": \"red\""), KeptAside);

        const QString order = QStringLiteral("typesorder.dat");
        add("types order garbage", order, garbage, KeptAside);
        add("types order empty", order, "", NothingToKeep);
        add("types order truncated", order, typesOrder(version).left(30), KeptAside);
        add("types order wrong shape", order, "{\"tree\": [7, [\"3\"]]}", KeptAside);
        add("types order newer version", order, typesOrder("99.0"), KeptAside);
        add("types order newer fields", order, typesOrder(version, ", \"collapsed\": [\"Mine\"]"), KeptAside);

        const QString pictures = QStringLiteral("pixmaps.dat");
        add("pictures garbage", pictures, garbage, KeptAside);
        add("pictures empty", pictures, "", KeptAside, QStringLiteral("pixmaps.tab"), pictureIndex(1));
        add("pictures truncated", pictures, pictureData(1).left(8), KeptAside);
        add("pictures newer version", pictures, pictureData(2), KeptAside);
        const QString index = QStringLiteral("pixmaps.tab");
        add("picture index garbage", index, garbage, KeptAside);
        add("picture index empty", index, "", NothingToKeep);
        add("picture index truncated", index, pictureIndex(1).left(15), KeptAside);
        add("picture index wrong shape", index, pictureIndex(1, "more"), KeptAside);
        add("picture index newer version", index, pictureIndex(2), KeptAside);

        const QString list = toDoFile();
        add("to-do garbage", list, garbage, KeptAside);
        add("to-do empty", list, "", NothingToKeep);
        add("to-do truncated", list, toDos(s_toDoRecord).left(40), KeptAside);
        add("to-do without its list", list, "{\"ToDos\": {\"items\": [], \"version\": 1}}", KeptAside);
        add("to-do text not a string", list, toDos("{\"version\": 1, \"text\": [\"a\"], \"done\": false}"), KeptAside);
        add("to-do newer version", list, toDos(s_toDoRecord, 2), KeptAside);
        add("to-do newer fields", list,
            toDos("{\"version\": 1, \"text\": \"a\", \"done\": false, \"due\": \"2031-05-01\", \"notes\": \"n\"}"),
            WrittenBackWhole);

        const QString settings = QStringLiteral("Quillane Reminder.conf");
        add("settings garbage", settings, garbage, KeptAside);
        add("settings empty", settings, "", NothingToKeep);
        add("settings truncated", settings, "[Properties]\ndaysToWatch=5\nappAut", KeptAside);
        add("settings wrong shape", settings, "{\"Properties\": {\"daysToWatch\": 5}}\n", KeptAside);
        add("settings newer fields", settings, "[Properties]\nfutureSetting=7\n", WrittenBackWhole);

        const QString table = QStringLiteral("reminder.dat");
        add("reminder table garbage", table, garbage, KeptAside);
        add("reminder table empty", table, "", NothingToKeep);
        add("reminder table of mode 000", table, garbage, Unopenable);

        const QString shared = QStringLiteral("Quillane.conf");
        add("shared settings garbage", shared, garbage, KeptAside);
        add("shared settings truncated", shared, "[General]\nuid={1", KeptAside);

        const QString stat = QStringLiteral("stat.dat");
        add("statistics garbage", stat, garbage, KeptAside);
        add("statistics wrong shape", stat, "{\"stat\": 1}", KeptAside);
        add("statistics empty", stat, "", NothingToKeep);
        // Far larger than any file of its kind: moved aside whole and unread; the program goes on without it.
        for (const QString &file : {settings, shared, stat})
            add(qPrintable(file + " far too large"), file,
                "[Properties]\ndaysToWatch=5\n" + QByteArray(16 << 20, ';') + '\n', MovedAsideUnread);
        add("settings far too large again", settings, QByteArray(17 << 20, ';'), KeptAlready);
    }

    void damagedFileKeptAsideAndToldOnce()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, toldFile);
        QFETCH(QByteArray, keptContent);
        QFETCH(int, expect);

        AppTestEnv env;
        QVERIFY(QDir().mkpath(env.dataFolder()));
        if (file.startsWith(QLatin1String("pixmaps."))) {
            // The other file of the pair is whole.
            QVERIFY(TestHelpers::writeFile(pathOf(env, QStringLiteral("pixmaps.dat")), pictureData(1)));
            QVERIFY(TestHelpers::writeFile(pathOf(env, QStringLiteral("pixmaps.tab")), pictureIndex(1)));
        }
        QVERIFY(QDir().mkpath(QFileInfo(pathOf(env, file)).absolutePath()));
        QVERIFY(TestHelpers::writeFile(pathOf(env, file), content));
        QVERIFY(expect != KeptAlready || TestHelpers::writeFile(pathOf(env, file) + ".bak", content));
        struct stat before = {}, kept = {};
        QVERIFY(::stat(qPrintable(pathOf(env, file)), &before) == 0);
        QVERIFY(expect != Unopenable || ::chmod(qPrintable(pathOf(env, file)), 0) == 0);
        TestHelpers::obeyFileModes(expect == Unopenable);
        const auto modes = qScopeGuard([] { TestHelpers::obeyFileModes(false); });

        Application *app = env.start();
        QVERIFY(app->eventsManager());
        QVERIFY(expect != MovedAsideUnread || app->properties()->value("daysToWatch").toInt() == 15);
        QCOMPARE(QFileInfo(app->settings()->fileName()).absoluteFilePath(),
                 QFileInfo(pathOf(env, QStringLiteral("Quillane Reminder.conf"))).absoluteFilePath());
        QCoreApplication::processEvents();
        const QString told = pathOf(env, toldFile);
        // The events file is told of in its own words, which name the copy but for a newer version; every other
        // message names its file.
        const auto toldAbout = [&] {
            int n = 0;
            for (const QString &said : Common::UserMessages::toldLines())
                n += said.startsWith(QStringLiteral("Data Error: ")) &&
                     (toldFile == QLatin1String("events.dat")
                          ? content.contains("99.0") || said.contains("\"events.bak\"")
                          : said.contains(QDir::toNativeSeparators(told)));
            return n;
        };
        const QString copy = toldFile == QLatin1String("events.dat") ? pathOf(env, QStringLiteral("events.bak"))
                                                                     : told + QStringLiteral(".bak");

        QVERIFY(change(app, file, 1));
        QCoreApplication::processEvents();
        QVERIFY(change(app, file, 2));
        QCoreApplication::processEvents();
        TestHelpers::obeyFileModes(false);

        const QStringList errors = Common::UserMessages::toldLines().filter(QStringLiteral("Data Error: "));
        // Moved aside whole, as no copy of it can be read.
        QVERIFY(expect != Unopenable || (::stat(qPrintable(copy), &kept) == 0 && kept.st_ino == before.st_ino &&
                                         ::chmod(qPrintable(copy), 0600) == 0));
        switch (Expect(expect)) {
        case KeptAlready:
        case MovedAsideUnread:
            QVERIFY(::stat(qPrintable(copy), &kept) == 0 &&
                    (kept.st_ino == before.st_ino) == (expect == MovedAsideUnread) &&
                    errors.join(u'\n').contains(QStringLiteral(" is far larger")));
            Q_FALLTHROUGH();
        case Unopenable:
        case KeptAside:
            // The statistics are written once the start's first picture is up.
            QTRY_VERIFY2(QFileInfo::exists(copy), qPrintable(copy));
            QCOMPARE(toldAbout(), 1);
            QCOMPARE(TestHelpers::readFile(copy), keptContent);
            QVERIFY(!QFileInfo::exists(copy + QLatin1Char('1')));
            break;
        case NothingToKeep:
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
            QVERIFY(!QFileInfo::exists(copy));
            break;
        case WrittenBackWhole: {
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
            QVERIFY(!QFileInfo::exists(copy));
            const QByteArray now = TestHelpers::readFile(told);
            for (const QByteArray &kept : {QByteArray("futureSetting=7"), QByteArray("2031-05-01")}) {
                if (content.contains(kept))
                    QVERIFY2(now.contains(kept), now.constData());
            }
            QVERIFY(now != content);
            break;
        }
        }
    }

    // Another program writes a data file while this one runs: each version it wrote is kept aside and told of
    // once before the program writes over it, and only the newest copies stay.
    void outsideVersionKeptAsideAndToldOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArrayList>("versions"); // written from outside, each followed by a change
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("usersOwn"); // copies the user made under the program's names
        QTest::newRow("custom types") << QStringLiteral("customtypes.dat") << QByteArrayList{customTypes("0.1")} << 1
                                      << QStringList();
        QTest::newRow("to-do list") << toDoFile() << QByteArrayList{toDos(s_toDoRecord)} << 1 << QStringList();
        QByteArrayList daily;
        for (int day = 0; day < 7; ++day)
            daily << "{\"Events\": {\"eventsList\": [], \"version\": \"0.1\"}}" + QByteArray(day, ' ');
        QTest::newRow("events rewritten daily") << QStringLiteral("events.dat") << daily << 5 << QStringList();
        // A version that comes back is the newest again, not the first to go.
        QTest::newRow("events, an old version back")
            << QStringLiteral("events.dat") << daily.mid(0, 5) + QByteArrayList{daily[0], daily[5]} << 5
            << QStringList();
        QTest::newRow("events beside the user's own copies")
            << QStringLiteral("events.dat") << daily << 7 << QStringList{"events.bak", "events.bak7"};
        // The copy of the file that could not be read at start stays, as its message promises.
        QTest::newRow("events unreadable at start")
            << QStringLiteral("events.dat") << QByteArrayList{"not events"} + daily.mid(1) << 6 << QStringList();
    }

    void outsideVersionKeptAsideAndToldOnce()
    {
        QFETCH(QString, file);
        QFETCH(QByteArrayList, versions);
        QFETCH(int, copies);
        QFETCH(QStringList, usersOwn);
        AppTestEnv env;
        const QString path = pathOf(env, file);
        QVERIFY(QDir().mkpath(env.dataFolder()) && TestHelpers::writeFile(path, versions.first()));
        for (const QString &name : usersOwn)
            QVERIFY(TestHelpers::writeFile(pathOf(env, name), "mine: " + name.toUtf8()));
        Application *app = env.start();
        const auto written = [&] {
            app->eventsManager()->waitForSaves();
            return TestHelpers::readFile(path);
        };
        QVERIFY(change(app, file, 0));
        for (int n = 0; n < versions.size(); ++n) {
            written();
            QVERIFY(TestHelpers::writeFile(path, versions.at(n)));
            QVERIFY(change(app, file, n + 1));
            QVERIFY(written() != versions.at(n));
        }
        QCoreApplication::processEvents();
        const QString base = file == QLatin1String("events.dat") ? QStringLiteral("events.bak") : file + ".bak";
        const QStringList kept = QDir(env.dataFolder()).entryList({base + '*'}, QDir::Files, QDir::Name);
        QCOMPARE(kept.size(), copies);
        for (const QString &name : usersOwn)
            QCOMPARE(TestHelpers::readFile(pathOf(env, name)), "mine: " + name.toUtf8());
        const QStringList told = Common::UserMessages::toldLines().filter(QStringLiteral("another program"));
        QCOMPARE(told.size(), versions.size());
        const QString newest = told.last().section('"', 3, 3);
        QVERIFY2(kept.contains(newest), qPrintable(told.last()));
        QCOMPARE(TestHelpers::readFile(QDir(env.dataFolder()).filePath(newest)), versions.last());
        QByteArrayList held;
        for (const QString &name : kept)
            held << TestHelpers::readFile(QDir(env.dataFolder()).filePath(name));
        QVERIFY(held.contains(versions.at(std::max<qsizetype>(0, versions.size() - 2))));
    }

    // The system report is replaced whole, and never written through a link at its place.
    void systemReportReplacesALinkAtItsPlace()
    {
        AppTestEnv env;
        QVERIFY(QDir().mkpath(env.dataFolder()));
        const QString other = QDir(env.dataFolder()).filePath(QStringLiteral("someone-elses.txt"));
        QVERIFY(TestHelpers::writeFile(other, "keep me"));
        const QString report = pathOf(env, QStringLiteral("sysinfo.dat"));
        QVERIFY(QFile::link(other, report));
        Application *app = env.start();
        QTRY_VERIFY(QFileInfo::exists(report) && !QFileInfo(report).isSymLink());
        QCOMPARE(TestHelpers::readFile(other), QByteArray("keep me"));
        QCOMPARE(QString::fromUtf8(TestHelpers::readFile(report)), app->systemInfoText());
    }
};

QTEST_APPLESS_MAIN(TestApplicationDataFiles)
#include "tst_applicationdatafiles.moc"
