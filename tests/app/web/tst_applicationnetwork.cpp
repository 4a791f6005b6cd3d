#include "../apptestenv.h"
#include "app/web/webcontroller.h"
#include "loopbackserver.h"
#include "testhelpers.h"

#include <QAction>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// The application with and without a web server: what it sends, and what a newer version shows.
class TestApplicationNetwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        // Each case gives the application a home of its own instead.
        QStandardPaths::setTestModeEnabled(false);
    }

    void withoutHostNothingIsSent()
    {
        AppTestEnv env;
        Application *app = env.start();
        LoopbackServer server;
        if (!WebController::configuredHost().isEmpty())
            QSKIP("This build names a web server");
        QVERIFY(app->webController());
        QVERIFY(!app->webController()->isConfigured());
        app->showUninstallFeedback();
        LoopbackServer::spin(300);
        QCOMPARE(server.m_connections, 0);
        QVERIFY(!app->updateAction()->isVisible());
    }

    void newerVersionShowsTheTrayEntry()
    {
        const quint16 port = LoopbackServer::freePort();
        AppTestEnv env;
        env.appSettings()->setValue(QStringLiteral("webHost"), QStringLiteral("127.0.0.1:%1").arg(port));
        Application *app = env.make();
        LoopbackServer server(port);
        server.handler = [](const LoopbackServer::Request &r) {
            LoopbackServer::Response response;
            if (r.path.endsWith("lastver.php"))
                response.body = "<r><version>99.0</version><downloadUrl>http://example.org/d</downloadUrl></r>";
            return response;
        };
        QSignalSpy offered(app, &Application::newVersionAvailable);
        app->start();
        // A probe that came before the server listened is repeated after 5 s.
        QVERIFY(offered.wait(15000));
        QCOMPARE(offered.count(), 1);
        QVERIFY(app->updateAction()->isVisible());
        QCOMPARE(app->lastVersionInfo().version, QStringLiteral("99.0"));
        server.waitForRequests(7, 2000);
        QCOMPARE(server.requestsTo("/auto/stat.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/prop.php").size(), 1);
        QCOMPARE(server.requestsTo("/auto/messages.php").size(), 1);
        // The uninstall notice goes out whatever the user answers.
        app->showUninstallFeedback();
        QVERIFY(server.waitForRequests(server.m_requests.size() + 1));
        QCOMPARE(server.requestsTo("/auto/uninstall.php").size(), 1);
    }
};

QTEST_APPLESS_MAIN(TestApplicationNetwork)
#include "tst_applicationnetwork.moc"
