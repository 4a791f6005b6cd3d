#include "apptestenv.h"
#include "app/reportdialog.h"
#include "app/updatedialog.h"
#include "app/web/webcontroller.h"
#include "loopbackserver.h"
#include "testhelpers.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
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

    void reportDialogForEachCaller_data()
    {
        QTest::addColumn<int>("caller");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("withSystemInfo");
        QTest::addColumn<bool>("modal");
        // From the tray the window leaves the rest of the program usable; the uninstall start has nothing else.
        QTest::newRow("bug") << 0 << "Report a bug" << true << false;
        QTest::newRow("feature") << 1 << "Request a feature" << true << false;
        QTest::newRow("uninstall") << 2 << "Uninstall feedback" << false << true;
    }
    void reportDialogForEachCaller()
    {
        QFETCH(int, caller);
        QFETCH(QString, title);
        QFETCH(bool, withSystemInfo);
        QFETCH(bool, modal);
        AppTestEnv env;
        Application *app = env.start();
        QString shownTitle;
        // The dialog runs through the application's ask seam, whose real body is a modal exec.
        env.ask->m_whileModal = [&](QDialog *dialog) { shownTitle = dialog->windowTitle(); };
        for (int round = 0; round < 2; ++round) {
            shownTitle.clear();
            env.ask->m_modal.clear();
            if (caller == 0)
                app->showReportBugDialog();
            else if (caller == 1)
                app->showRequestFeatureDialog();
            else {
                Common::UserMessages::setNextAnswer(Common::UserMessages::Yes);
                app->showUninstallFeedback();
            }
            if (!modal) {
                QVERIFY(app->reportDialog()->isVisible() && !app->reportDialog()->isModal());
                shownTitle = app->reportDialog()->windowTitle();
            }
            QCOMPARE(shownTitle, title);
            QCOMPARE(env.ask->m_modal.size(), modal ? 1 : 0);
        }
        QVERIFY(app->reportDialog());
        QCOMPARE(app->reportDialog()->sendSystemInfo(), withSystemInfo);
    }

    void updateDialogIsMadeOnceAndNotModal()
    {
        AppTestEnv env;
        Application *app = env.start();
        app->showUpdateDialog();
        UpdateDialog *first = app->updateDialog();
        QVERIFY(first && first->isVisible() && !first->isModal());
        first->hide();
        app->showUpdateDialog();
        QCOMPARE(app->updateDialog(), first);
        QVERIFY(first->isVisible());
    }
};

QTEST_APPLESS_MAIN(TestApplicationNetwork)
#include "tst_applicationnetwork.moc"
