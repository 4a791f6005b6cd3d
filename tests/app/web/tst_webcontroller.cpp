#include "app/web/webcontroller.h"
#include "core/log.h"
#include "fakeapplication.h"
#include "loopbackserver.h"
#include "testhelpers.h"

#include <QDomDocument>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QList<SystemMessageInfo>)

namespace {

using Payload = WebController::Payload;
using Response = LoopbackServer::Response;

int logCount(const QByteArray &text)
{
    return int(logBuffer().count(text));
}

// Counts the connections a signal of the controller has.
class CountingController : public WebController
{
public:
    using WebController::WebController;
    int receiversOf(const char *signal) const { return receivers(signal); }
};

} // namespace

class TestWebController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeApplication> m_app;

    // A controller on the loopback server, connected by its first probe.
    std::unique_ptr<WebController> connectedController(LoopbackServer &server)
    {
        auto controller = std::make_unique<WebController>(server.host());
        QSignalSpy state(controller.get(), &WebController::networkStateChanged);
        if (!controller->isConnected())
            state.wait(5000);
        return controller;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        qRegisterMetaType<LastVersionInfo>();
        qRegisterMetaType<QList<SystemMessageInfo>>();
    }
    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_app->m_uid = QStringLiteral("{6f1c0c7e-0000-4000-8000-000000000001}");
        m_app->m_language = QStringLiteral("de");
        Common::clearLogBuffer();
    }
    void cleanup() { m_app.reset(); }

    // ---- formats ----

    void toXmlWritesKeysInByteOrderAfterClientInfo()
    {
        const Payload payload = WebController::withClientInfo({{"b", "2"}, {"a", "1"}, {"ip", "old"}}, "10.0.0.5",
                                                              "AA:BB:CC:DD:EE:FF", "{u}", "de");
        QCOMPARE(WebController::toXml(payload), QStringLiteral("<!DOCTYPE doc>\n"
                                                               "<doc>\n"
                                                               " <a>1</a>\n"
                                                               " <b>2</b>\n"
                                                               " <ip>10.0.0.5</ip>\n"
                                                               " <lang>de</lang>\n"
                                                               " <mac>AA:BB:CC:DD:EE:FF</mac>\n"
                                                               " <uid>{u}</uid>\n"
                                                               "</doc>\n"));
    }

    void readsReplies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("flat") << QByteArray("<r><version>3.4</version><whatsNew>Fixes &amp; more</whatsNew></r>")
                              << QVariantMap{{"version", "3.4"}, {"whatsNew", "Fixes & more"}};
        QTest::newRow("nested") << QByteArray("<r><count>1</count><message1><text>T</text><url>U</url></message1></r>")
                                << QVariantMap{{"count", "1"}, {"message1", QVariantMap{{"text", "T"}, {"url", "U"}}}};
        QTest::newRow("later duplicate wins") << QByteArray("<r><a>1</a><a>2</a></r>") << QVariantMap{{"a", "2"}};
        QTest::newRow("comments skipped") << QByteArray("<r><!-- x --><a>1</a></r>") << QVariantMap{{"a", "1"}};
        QTest::newRow("empty element") << QByteArray("<r><a/></r>") << QVariantMap{{"a", ""}};
        QTest::newRow("not xml") << QByteArray("<html><body>502 Bad Gateway") << QVariantMap();
        QTest::newRow("plain text") << QByteArray("Not found") << QVariantMap();
        QTest::newRow("empty") << QByteArray() << QVariantMap();
    }
    void readsReplies()
    {
        QFETCH(QByteArray, body);
        QFETCH(QVariantMap, expected);
        QCOMPARE(WebController::parseReply(body), expected);
    }

    void capsNestingDepth()
    {
        QByteArray open, close;
        for (int i = 0; i < 200; ++i) {
            open += "<n>";
            close.prepend("</n>");
        }
        QVariantMap map = WebController::parseReply("<r>" + open + "<leaf>x</leaf>" + close + "</r>");
        int depth = 0;
        while (map.contains(QStringLiteral("n"))) {
            map = map.value(QStringLiteral("n")).toMap();
            ++depth;
        }
        QCOMPARE(depth, WebController::kMaxXmlDepth);
        QVERIFY(map.isEmpty());
    }

    void readsLastVersion()
    {
        const LastVersionInfo info = WebController::parseLastVersion(
            WebController::parseReply("<r><version>3.4.0</version><downloadUrl>http://h/d</downloadUrl></r>"));
        QCOMPARE(info.version, QStringLiteral("3.4.0"));
        QCOMPARE(info.downloadUrl, QStringLiteral("http://h/d"));
        QVERIFY(info.infoUrl.isEmpty() && info.whatsNew.isEmpty());
    }

    void readsSystemMessages_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("expected"); // text|url per message
        QTest::addColumn<bool>("warns");
        QTest::newRow("count 2, one element")
            << QByteArray("<r><count>2</count><message1><text>T</text><url>U</url></message1></r>")
            << QStringList{"T|U", "|"} << false;
        QTest::newRow("count not a number")
            << QByteArray("<r><count>two</count><message1><text>T</text></message1></r>") << QStringList() << true;
        QTest::newRow("count missing") << QByteArray("<r><message1><text>T</text></message1></r>") << QStringList()
                                       << true;
        QTest::newRow("count zero") << QByteArray("<r><count>0</count></r>") << QStringList() << false;
        QTest::newRow("negative count") << QByteArray("<r><count>-3</count></r>") << QStringList() << false;
        QTest::newRow("empty reply") << QByteArray() << QStringList() << false;
    }
    void readsSystemMessages()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, expected);
        QFETCH(bool, warns);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, "error parsing system messages");
        QStringList got;
        for (const SystemMessageInfo &m : WebController::parseSystemMessages(WebController::parseReply(body)))
            got << m.text + QLatin1Char('|') + m.url;
        QCOMPARE(got, expected);
    }

    void capsHostileMessageCount()
    {
        const auto messages =
            WebController::parseSystemMessages(WebController::parseReply("<r><count>2000000000</count></r>"));
        QCOMPARE(messages.size(), 100);
    }

    void md5IsLowerCaseHex()
    {
        QCOMPARE(WebController::checkMd5("abc"), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    }

    void formValuesSurviveOneDecoding_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plus") << QStringLiteral("a+b");
        QTest::newRow("ampersand and equals") << QStringLiteral("a&b=c");
        QTest::newRow("accent") << QStringLiteral("café");
        QTest::newRow("cyrillic and space") << QStringLiteral("Привет мир");
        QTest::newRow("percent") << QStringLiteral("100%25");
        QTest::newRow("xml") << QStringLiteral("<doc>\n <a>é+&amp;</a>\n</doc>\n");
    }
    void formValuesSurviveOneDecoding()
    {
        QFETCH(QString, value);
        const QByteArray body = WebController::formBody({{"xml", value}, {"x", "1"}});
        QStringList order;
        const auto fields = LoopbackServer::formFields(body, &order);
        QCOMPARE(order, (QStringList{"xml", "x"}));
        QCOMPARE(fields.value("xml"), value);
    }

    void emailTextEndsWithClientLines()
    {
        const Payload info = WebController::withClientInfo({}, "10.0.0.5", "AA", "{u}", "en");
        QCOMPARE(WebController::emailText("Hi", info),
                 QStringLiteral("Hi\nip = 10.0.0.5\nlang = en\nmac = AA\nuid = {u}"));
    }

    void addresses_data()
    {
        using I = WebController::Interface;
        QTest::addColumn<QList<WebController::Interface>>("interfaces");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mac");
        QTest::newRow("loopback only") << QList<I>{{true, "00:00:00:00:00:00", {"127.0.0.1"}}} << QString()
                                       << QString();
        QTest::newRow("none") << QList<I>() << QString() << QString();
        QTest::newRow("first after loopback") << QList<I>{{true, "00", {"127.0.0.1"}},
                                                          {false, "AA", {"10.0.0.5", "10.0.0.6"}},
                                                          {false, "BB", {"1.2.3.4"}}}
                                              << "10.0.0.5"
                                              << "AA";
        QTest::newRow("ipv6 scope cut") << QList<I>{{false, "AA", {"fe80::1%eth0"}}} << "fe80::1"
                                        << "AA";
        QTest::newRow("mac of first, ip of first with addresses")
            << QList<I>{{false, "AA", {}}, {false, "BB", {"10.1.1.1"}}} << "10.1.1.1"
            << "AA";
    }
    void addresses()
    {
        QFETCH(QList<WebController::Interface>, interfaces);
        QFETCH(QString, ip);
        QFETCH(QString, mac);
        QCOMPARE(WebController::ipAddress(interfaces), ip);
        QCOMPARE(WebController::macAddress(interfaces), mac);
    }

    void acceptsOnlyOwnDownloads_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("own http") << "http://example.org:8080/t/quillane_de.qm" << true;
        QTest::newRow("own https") << "https://EXAMPLE.org:8080/t/qt_de.qm" << true;
        QTest::newRow("other host") << "http://evil.example:8080/quillane_de.qm" << false;
        QTest::newRow("suffix host") << "http://example.org.evil:8080/quillane_de.qm" << false;
        QTest::newRow("other port") << "http://example.org:9090/quillane_de.qm" << false;
        QTest::newRow("no port") << "http://example.org/quillane_de.qm" << false;
        QTest::newRow("file scheme") << "file:///etc/passwd" << false;
        QTest::newRow("ftp") << "ftp://example.org:8080/quillane_de.qm" << false;
        QTest::newRow("user info") << "http://x@example.org:8080/quillane_de.qm" << false;
        QTest::newRow("relative") << "/t/quillane_de.qm" << false;
    }
    void acceptsOnlyOwnDownloads()
    {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        // A host that does not answer: only the address check is looked at.
        WebController controller(QStringLiteral("example.org:8080"));
        QCOMPARE(controller.isOwnUrl(url), accepted);
    }

    void translationFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("own") << "quillane_de.qm" << true;
        QTest::newRow("qt") << "qt_ru.qm" << true;
        QTest::newRow("traversal") << "../quillane_de.qm" << false;
        QTest::newRow("hidden") << ".bashrc" << false;
        QTest::newRow("other program") << "other_de.qm" << false;
        QTest::newRow("long code") << "qt_deu.qm" << false;
        QTest::newRow("upper case") << "qt_DE.qm" << false;
        QTest::newRow("other extension") << "qt_de.so" << false;
        QTest::newRow("empty") << "" << false;
    }
    void translationFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(WebController::isTranslationFileName(name), accepted);
    }

    void hostFromSettingsOverridesTheBuild()
    {
        QCOMPARE(WebController::configuredHost(), QStringLiteral(QR_WEB_HOST_UNDER_TEST));
        m_app->setSettingsValue("webHost", QStringLiteral(" 127.0.0.1:1 "));
        QCOMPARE(WebController::configuredHost(), QStringLiteral("127.0.0.1:1"));
    }

    // ---- against the loopback server ----

    void withoutHostNothingIsSent()
    {
        LoopbackServer server;
        WebController controller{QString()};
        QVERIFY(!controller.isConfigured());
        controller.checkConnection();
        controller.requestLastVersion();
        controller.requestSystemMessages();
        controller.sendStatistics({{"a", "1"}});
        controller.sendProperties({{"a", "1"}});
        controller.sendUninstallFeedback();
        controller.checkTranslationUpdate();
        controller.sendEmail("a@b.c", "s", "m");
        controller.downloadFile(server.url("/quillane_de.qm"), "x", QDir::temp().filePath("x.qm"), 0);
        LoopbackServer::spin(200);
        QCOMPARE(server.m_connections, 0);
        QVERIFY(!controller.isConnected());
        QVERIFY(!controller.isRetryPending());
    }

    void probesTheRootAtStart()
    {
        LoopbackServer server;
        WebController controller(server.host());
        QSignalSpy state(&controller, &WebController::networkStateChanged);
        QVERIFY(state.wait(5000));
        QCOMPARE(state.first().first().toBool(), true);
        QVERIFY(controller.isConnected());
        QCOMPARE(server.m_requests.size(), 1);
        QCOMPARE(server.m_requests.first().method, QByteArray("GET"));
        QCOMPARE(server.m_requests.first().path, QByteArray("/"));
    }

    void payloadArrivesIntact()
    {
        LoopbackServer server;
        auto controller = connectedController(server);
        controller->sendStatistics({{"note", QStringLiteral("1+1 & café")}});
        QVERIFY(server.waitForRequests(2));
        const LoopbackServer::Request request = server.m_requests.last();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/auto/stat.php"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.headers.value("charset"), QByteArray("utf-8"));
        const auto fields = LoopbackServer::formFields(request.body);
        QCOMPARE(fields.keys(), QStringList{"xml"});
        QDomDocument doc;
        QVERIFY(doc.setContent(fields.value("xml")));
        QCOMPARE(doc.documentElement().firstChildElement("note").text(), QStringLiteral("1+1 & café"));
        QCOMPARE(doc.documentElement().firstChildElement("uid").text(), m_app->m_uid);
        QCOMPARE(doc.documentElement().firstChildElement("lang").text(), QStringLiteral("de"));
    }

    void sendsTheRequestsToTheirPaths_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("last version") << 0 << QByteArray("GET") << QByteArray("/auto/lastver.php");
        QTest::newRow("messages") << 1 << QByteArray("POST") << QByteArray("/auto/messages.php");
        QTest::newRow("properties") << 2 << QByteArray("POST") << QByteArray("/auto/prop.php");
        QTest::newRow("uninstall") << 3 << QByteArray("POST") << QByteArray("/auto/uninstall.php");
    }
    void sendsTheRequestsToTheirPaths()
    {
        QFETCH(int, which);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        LoopbackServer server;
        auto controller = connectedController(server);
        switch (which) {
        case 0:
            controller->requestLastVersion();
            break;
        case 1:
            controller->requestSystemMessages();
            break;
        case 2:
            controller->sendProperties({{"daysToWatch", "15"}});
            break;
        case 3:
            controller->sendUninstallFeedback();
            break;
        }
        QVERIFY(server.waitForRequests(2));
        QCOMPARE(server.m_requests.last().method, method);
        QCOMPARE(server.m_requests.last().path, path);
    }

    void sendersWaitForTheConnection()
    {
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &) {
            Response r;
            r.status = 503;
            return r;
        };
        WebController controller(server.host());
        QVERIFY(server.waitForRequests(1));
        LoopbackServer::spin(100);
        QVERIFY(!controller.isConnected());
        controller.sendStatistics({{"a", "1"}});
        controller.sendProperties({{"a", "1"}});
        controller.sendEmail("a@b.c", "s", "m");
        controller.requestTranslationUpdate(QString::fromUtf8(QR_TEST_DATA) + "/none.qm");
        QVERIFY(server.waitForRequests(1));
        LoopbackServer::spin(200);
        QCOMPARE(server.m_requests.size(), 1);
    }

    void emailCarriesItsFourFields()
    {
        LoopbackServer server;
        auto controller = connectedController(server);
        QSignalSpy sent(controller.get(), &WebController::emailSent);
        controller->sendEmail(QStringLiteral("anna@example.org"), QStringLiteral("Bug: a+b"), QStringLiteral("Hällo"));
        QVERIFY(sent.wait(5000));
        const LoopbackServer::Request request = server.m_requests.last();
        QCOMPARE(request.path, QByteArray("/auto/send.php"));
        QVERIFY(!request.headers.contains("charset"));
        QStringList order;
        const auto fields = LoopbackServer::formFields(request.body, &order);
        QCOMPARE(order, (QStringList{"to", "from", "subject", "message"}));
        QCOMPARE(fields.value("to"), QStringLiteral("feedback@127.0.0.1"));
        QCOMPARE(fields.value("from"), QStringLiteral("anna@example.org"));
        QCOMPARE(fields.value("subject"), QStringLiteral("Bug: a+b"));
        QVERIFY(fields.value("message").startsWith(QStringLiteral("Hällo\nip = ")));
        QVERIFY(fields.value("message").endsWith(QStringLiteral("\nuid = ") + m_app->m_uid));
    }

    void emitsParsedReplies()
    {
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &r) {
            if (r.path.endsWith("lastver.php"))
                return LoopbackServer::xml("<version>9.1</version><infoUrl>http://i</infoUrl><whatsNew>New</whatsNew>");
            if (r.path.endsWith("messages.php"))
                return LoopbackServer::xml("<count>two</count>");
            return Response();
        };
        auto controller = connectedController(server);
        QSignalSpy versions(controller.get(), &WebController::lastVersionReply);
        QSignalSpy messages(controller.get(), &WebController::systemMessagesReply);
        controller->requestLastVersion();
        QVERIFY(versions.wait(5000));
        const auto info = versions.first().first().value<LastVersionInfo>();
        QCOMPARE(info.version, QStringLiteral("9.1"));
        QCOMPARE(info.whatsNew, QStringLiteral("New"));
        QTest::ignoreMessage(QtWarningMsg, "error parsing system messages");
        controller->requestSystemMessages();
        QVERIFY(messages.wait(5000));
        QVERIFY(messages.first().first().value<QList<SystemMessageInfo>>().isEmpty());
    }

    void translationReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("names a download")
            << QByteArray("<downloadUrl>http://h/quillane_de.qm</downloadUrl><md5>ab</md5>")
            << QStringList{"http://h/quillane_de.qm", "ab"};
        QTest::newRow("no download url") << QByteArray("<md5>ab</md5>") << QStringList();
        QTest::newRow("not xml") << QByteArray("oops") << QStringList();
    }
    void translationReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("quillane_de.qm"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("translation");
        out.close();
        LoopbackServer server;
        server.handler = [reply](const LoopbackServer::Request &r) {
            return r.path.endsWith("get_trans_update.php") ? LoopbackServer::xml(reply) : Response();
        };
        auto controller = connectedController(server);
        QSignalSpy required(controller.get(), &WebController::translationUpdateRequired);
        controller->requestTranslationUpdate(file);
        QVERIFY(server.waitForRequests(2));
        LoopbackServer::spin(200);
        QDomDocument doc;
        QVERIFY(doc.setContent(LoopbackServer::formFields(server.m_requests.last().body).value("xml")));
        QCOMPARE(doc.documentElement().firstChildElement("translation_file").text(), QStringLiteral("quillane_de.qm"));
        QCOMPARE(doc.documentElement().firstChildElement("md5").text(),
                 QString::fromLatin1(WebController::checkMd5("translation")));
        QCOMPARE(doc.documentElement().firstChildElement("app_ver").text(), QCoreApplication::applicationVersion());
        QCOMPARE(controller->askedTranslationFiles(), QSet<QString>{"quillane_de.qm"});
        if (expected.isEmpty()) {
            QCOMPARE(required.count(), 0);
        } else {
            QCOMPARE(required.count(), 1);
            QCOMPARE(required.first().first().toString(), expected.at(0));
            QCOMPARE(required.first().last().toString(), expected.at(1));
        }
    }

    void unreadableTranslationSendsNothing()
    {
        LoopbackServer server;
        auto controller = connectedController(server);
        QTest::ignoreMessage(QtWarningMsg, "can't open translation file for reading");
        controller->requestTranslationUpdate(QStringLiteral("/nonexistent/quillane_de.qm"));
        QVERIFY(server.waitForRequests(1));
        LoopbackServer::spin(200);
        QCOMPARE(server.m_requests.size(), 1);
    }

    void downloads_data()
    {
        QTest::addColumn<bool>("rightSum");
        QTest::addColumn<int>("gets");
        QTest::newRow("wrong sum every time") << false << 6;
        QTest::newRow("right sum") << true << 1;
    }
    void downloads()
    {
        QFETCH(bool, rightSum);
        QFETCH(int, gets);
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &) {
            Response r;
            r.body = "new translation";
            return r;
        };
        auto controller = connectedController(server);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("3.3.0/translations/quillane_de.qm"));
        const QString md5 = rightSum ? QString::fromLatin1(WebController::checkMd5("new translation"))
                                     : QStringLiteral("00000000000000000000000000000000");
        controller->downloadFile(server.url("/files/quillane_de.qm"), md5, target, 0);
        server.waitForRequests(1 + gets + 1, 1500);
        QCOMPARE(server.requestsTo("/files/").size(), gets);
        QCOMPARE(QFile::exists(target), rightSum);
        if (rightSum) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("new translation"));
        }
    }

    void refusesDownloadsFromElsewhere()
    {
        LoopbackServer server;
        auto controller = connectedController(server);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("quillane_de.qm"));
        const QString port = QString::number(QUrl(server.url("/")).port());
        controller->downloadFile(QStringLiteral("http://localhost:") + port + "/quillane_de.qm", "x", target, 0);
        controller->downloadFile(QStringLiteral("file://") + dir.filePath(QStringLiteral("a.qm")), "x", target, 0);
        QVERIFY(server.waitForRequests(1));
        LoopbackServer::spin(200);
        QCOMPARE(server.m_requests.size(), 1);
        QVERIFY(!QFile::exists(target));
    }

    void dropsOversizedReplies()
    {
        LoopbackServer server;
        server.handler = [](const LoopbackServer::Request &r) {
            Response response;
            if (r.path.startsWith("/files/"))
                response.claimedLength = WebController::kMaxReplyBytes + 1;
            return response;
        };
        auto controller = connectedController(server);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("quillane_de.qm"));
        controller->downloadFile(server.url("/files/quillane_de.qm"), "x", target, 0);
        QVERIFY(server.waitForRequests(1));
        QTRY_COMPARE_WITH_TIMEOUT(logCount("larger than"), 1, 10000);
        LoopbackServer::spin(200);
        QCOMPARE(server.requestsTo("/files/").size(), 1);
        QVERIFY(!QFile::exists(target));
        QCOMPARE(logCount("larger than"), 1);
        QVERIFY(controller->isConnected());
    }

    void doesNotFollowRedirects()
    {
        LoopbackServer server;
        LoopbackServer elsewhere;
        server.handler = [&elsewhere](const LoopbackServer::Request &r) {
            Response response;
            if (r.path.endsWith("lastver.php")) {
                response.status = 302;
                response.extraHeaders = "Location: " + elsewhere.url("/auto/lastver.php").toUtf8() + "\r\n";
            }
            return response;
        };
        auto controller = connectedController(server);
        QSignalSpy versions(controller.get(), &WebController::lastVersionReply);
        controller->requestLastVersion();
        QVERIFY(versions.wait(5000));
        QVERIFY(versions.first().first().value<LastVersionInfo>().version.isEmpty());
        QCOMPARE(elsewhere.m_connections, 0);
    }

    void failureWhileConnectedIsReportedOnce()
    {
        LoopbackServer server;
        auto controller = connectedController(server);
        QVERIFY(controller->isConnected());
        server.handler = [](const LoopbackServer::Request &) {
            Response r;
            r.status = 500;
            return r;
        };
        QSignalSpy state(controller.get(), &WebController::networkStateChanged);
        QSignalSpy versions(controller.get(), &WebController::lastVersionReply);
        controller->requestLastVersion();
        controller->requestLastVersion();
        QVERIFY(server.waitForRequests(3));
        LoopbackServer::spin(200);
        QCOMPARE(state.count(), 1);
        QCOMPARE(state.first().first().toBool(), false);
        QCOMPARE(logCount("Connection lost"), 1);
        QCOMPARE(versions.count(), 0);
        // One probe is due, 5000 ms after the failure, and not sooner.
        QVERIFY(controller->isRetryPending());
        QCOMPARE(controller->retryDelay(), 5000);
        QCOMPARE(server.m_requests.size(), 3);
    }

    void probesAgainUntilTheServerAnswers()
    {
        LoopbackServer server;
        int failures = 3;
        server.handler = [&failures](const LoopbackServer::Request &) {
            Response r;
            if (failures-- > 0)
                r.status = 500;
            return r;
        };
        CountingController controller(server.host());
        controller.setRetryDelay(20);
        QSignalSpy state(&controller, &WebController::networkStateChanged);
        QVERIFY(state.wait(5000));
        QCOMPARE(state.count(), 1);
        QCOMPARE(state.first().first().toBool(), true);
        QCOMPARE(server.requestsTo("/").size(), 4);
        QCOMPARE(logCount("Connection lost"), 0);
    }
};

QTEST_MAIN(TestWebController)
#include "tst_webcontroller.moc"
