#include "app/web/networkduties.h"
#include "core/langs.h"
#include "core/properties.h"
#include "core/statcollector.h"
#include "events/system/openurlevent.h"
#include "events/system/updateevent.h"
#include "fakeapplication.h"
#include "loopbackserver.h"
#include "modelseams.h"
#include "store/systemevents.h"
#include "testhelpers.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Response = LoopbackServer::Response;

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class CountingController : public WebController
{
public:
    using WebController::WebController;
    int replyReceivers() const { return receiversOf(&WebController::lastVersionReply); }
    int messageReceivers() const { return receiversOf(&WebController::systemMessagesReply); }

private:
    // receivers() takes a signature; taken from the member, a renamed signal fails to compile.
    template <typename Signal> int receiversOf(Signal signal) const
    {
        const QByteArray signature =
            QByteArray::number(QSIGNAL_CODE) + QMetaMethod::fromSignal(signal).methodSignature();
        return receivers(signature.constData());
    }
};

} // namespace

class TestNetworkDuties : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<SystemEvents> m_messages;
    std::unique_ptr<QTemporaryDir> m_installed;
    std::unique_ptr<ModelSeams> m_seams;

    // Serves a newer version, no messages and a translation update for every file asked about.
    static Response serve(const LoopbackServer::Request &r)
    {
        if (r.path.endsWith("lastver.php"))
            return LoopbackServer::xml("<version>9.0</version><downloadUrl>http://d</downloadUrl>");
        if (r.path.endsWith("messages.php"))
            return LoopbackServer::xml("<count>0</count>");
        if (r.path.endsWith("get_trans_update.php"))
            return LoopbackServer::xml("<md5>0</md5>");
        return Response();
    }

    std::unique_ptr<CountingController> connected(LoopbackServer &server, NetworkDuties **duties)
    {
        auto web = std::make_unique<CountingController>(server.host());
        *duties = new NetworkDuties(web.get(), web.get());
        QSignalSpy state(web.get(), &WebController::networkStateChanged);
        if (!web->isConnected())
            state.wait(5000);
        return web;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    }
    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_properties = std::make_unique<Properties>(nullptr, QString());
        m_properties->addProperty("daysToWatch", 15);
        m_properties->addProperty("locale", QLocale(QLocale::German));
        m_app->m_properties = m_properties.get();
        StatCollector::reset();
        StatCollector::init(m_app->settings(), QString());
        m_messages = std::make_unique<SystemEvents>();
        m_app->m_systemEvents = m_messages.get();
        m_installed = std::make_unique<QTemporaryDir>();
        writeFile(m_installed->filePath(QStringLiteral("quillane_de.qm")), "own");
        writeFile(m_installed->filePath(QStringLiteral("qt_de.qm")), "qt");
        m_seams = std::make_unique<ModelSeams>();
        m_seams->setLanguageFolders({m_installed->path()});
    }
    void cleanup()
    {
        m_seams.reset();
        m_messages.reset();
        m_app.reset();
        m_properties.reset();
        StatCollector::reset();
    }

    void connectedAtStartEachDutyRunsOnce()
    {
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &r) { return serve(r); };
        NetworkDuties *duties = nullptr;
        auto web = connected(server, &duties);
        server.waitForRequests(7);
        LoopbackServer::spin(200);
        QCOMPARE(server.requestsTo("/auto/lastver.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/messages.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/stat.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/prop.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/get_trans_update.php").size(), 2);
        const QString props = LoopbackServer::formFields(server.requestsTo("/auto/prop.php").first().body).value("xml");
        QVERIFY(props.contains(QStringLiteral("<daysToWatch>15</daysToWatch>")));
        for (int duty = 0; duty < 5; ++duty)
            QVERIFY(duties->isDone(NetworkDuties::Duty(duty)));
        // A later reconnection finds nothing left to do.
        const int before = server.m_requests.size();
        duties->onNetworkStateChanged(true);
        LoopbackServer::spin(200);
        QCOMPARE(server.m_requests.size(), before);
    }

    void failedUpdateCheckIsAskedAgainAfterReconnect()
    {
        LoopbackServer server;
        int lastverFailures = 1;
        server.handler = [&](const LoopbackServer::Request &r) {
            if (r.path.endsWith("lastver.php") && lastverFailures-- > 0) {
                Response failed;
                failed.status = 500;
                return failed;
            }
            return serve(r);
        };
        auto web = std::make_unique<CountingController>(server.host());
        web->setRetryDelay(20);
        auto *duties = new NetworkDuties(web.get(), web.get());
        QSignalSpy offered(duties, &NetworkDuties::newVersionAvailable);
        QVERIFY(offered.wait(5000));
        QCOMPARE(server.requestsTo("/auto/lastver.php").size(), 2);
        QCOMPARE(server.requestsTo("/auto/stat.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/prop.php").size(), 1);
    }

    void offersOnlyNewerUndeclinedVersions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("declined");
        QTest::addColumn<bool>("offered");
        QTest::newRow("newer") << "3.4.0" << QString() << true;
        QTest::newRow("newer by a part") << "3.3.0.1" << QString() << true;
        QTest::newRow("equal") << "3.3.0" << QString() << false;
        QTest::newRow("equal, shorter") << "3.3" << QString() << false;
        QTest::newRow("older") << "2.9.9" << QString() << false;
        QTest::newRow("declined") << "3.4.0"
                                  << "3.4.0" << false;
        QTest::newRow("newer than the declined") << "3.5.0"
                                                 << "3.4.0" << true;
        QTest::newRow("empty reply") << QString() << QString() << false;
    }
    void offersOnlyNewerUndeclinedVersions()
    {
        QFETCH(QString, version);
        QFETCH(QString, declined);
        QFETCH(bool, offered);
        if (!declined.isEmpty())
            UpdateEvent::setDontRemindVersion(declined);
        WebController web{QString()};
        NetworkDuties duties(&web);
        QSignalSpy spy(&duties, &NetworkDuties::newVersionAvailable);
        LastVersionInfo info;
        info.version = version;
        info.downloadUrl = QStringLiteral("http://example.org/d");
        duties.onLastVersionReply(info);
        QCOMPARE(spy.count(), offered ? 1 : 0);
        QCOMPARE(m_app->lastVersionInfo().version, offered ? version : QString());
        QVERIFY(duties.isDone(NetworkDuties::UpdateCheck));
        // Only the first reply of a run counts.
        info.version = QStringLiteral("99.0");
        duties.onLastVersionReply(info);
        QCOMPARE(spy.count(), offered ? 1 : 0);
    }

    void messagesBecomeBarEntriesInOrder()
    {
        WebController web{QString()};
        NetworkDuties duties(&web);
        duties.onSystemMessagesReply({{"First", "http://example.org/1"}, {"Second", QString()}});
        QCOMPARE(m_messages->count(), 2);
        QCOMPARE(m_messages->eventByIndex(0)->text(true), QStringLiteral("First"));
        QCOMPARE(m_messages->eventByIndex(1)->text(true), QStringLiteral("Second"));
        QCOMPARE(m_messages->eventByIndex(0)->kind(), 2);
        duties.onSystemMessagesReply({{"Again", QString()}});
        QCOMPARE(m_messages->count(), 2);
        QVERIFY(duties.isDone(NetworkDuties::Messages));
    }

    void emptyMessageListStillCounts()
    {
        WebController web{QString()};
        NetworkDuties duties(&web);
        duties.onSystemMessagesReply({});
        QVERIFY(duties.isDone(NetworkDuties::Messages));
        QCOMPARE(m_messages->count(), 0);
    }

    void repliesStayConnectedOnceAfterManyFailures()
    {
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &r) {
            Response response;
            if (r.path.startsWith("/auto/"))
                response.status = 500;
            return response;
        };
        NetworkDuties *duties = nullptr;
        auto web = connected(server, &duties);
        for (int i = 0; i < 100; ++i) {
            duties->checkForUpdate();
            duties->downloadSystemMessages();
            duties->onNetworkStateChanged(true);
        }
        QCOMPARE(web->replyReceivers(), 1);
        QCOMPARE(web->messageReceivers(), 1);
    }

    void translationDownloads_data()
    {
        QTest::addColumn<QString>("path"); // on the loopback server, or a whole URL
        QTest::addColumn<bool>("fetched");
        QTest::newRow("asked file") << "/files/quillane_de.qm" << true;
        QTest::newRow("qt file") << "/files/qt_de.qm" << true;
        QTest::newRow("not asked about") << "/files/qt_fr.qm" << false;
        QTest::newRow("other name") << "/files/evil.so" << false;
        QTest::newRow("encoded slashes keep the plain name") << "/files/..%2F..%2Fquillane_de.qm" << true;
        QTest::newRow("traversal name") << "/files/..%2F..%2Fevil.qm" << false;
        QTest::newRow("other host") << "http://localhost:1/quillane_de.qm" << false;
        QTest::newRow("file scheme") << "file:///tmp/quillane_de.qm" << false;
    }
    void translationDownloads()
    {
        QFETCH(QString, path);
        QFETCH(bool, fetched);
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &r) {
            Response response;
            if (r.path.startsWith("/files/"))
                response.body = "fresh";
            return response;
        };
        NetworkDuties *duties = nullptr;
        auto web = connected(server, &duties);
        server.waitForRequests(7);
        LoopbackServer::spin(100);
        const int before = server.m_requests.size();
        const QString url = path.startsWith(QLatin1Char('/')) ? server.url(path) : path;
        duties->downloadTranslation(url, QString::fromLatin1(WebController::checkMd5("fresh")));
        QVERIFY(!fetched || server.waitForRequests(before + 1, 10000));
        LoopbackServer::spin(300);
        QCOMPARE(server.m_requests.size() - before, fetched ? 1 : 0);
        const QString name = QUrl(url).fileName();
        const QString target = QDir(m_app->dataLocation()).filePath(QStringLiteral("3.3.0/translations/") + name);
        QCOMPARE(QFile::exists(target), fetched);
        QCOMPARE(QDir(QDir(m_app->dataLocation()).filePath(QStringLiteral("3.3.0/translations")))
                     .entryList(QDir::Files)
                     .size(),
                 fetched ? 1 : 0);
    }
};

QTEST_MAIN(TestNetworkDuties)
#include "tst_networkduties.moc"
