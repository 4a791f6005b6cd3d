#include "app/reportdialog.h"
#include "app/reporttext.h"
#include "app/web/webcontroller.h"
#include "core/properties.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"
#include "web/loopbackserver.h"

#include <QSignalSpy>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

namespace {

// What the dialog said or asked, without titles.
QStringList said()
{
    QStringList texts;
    for (const Common::UserMessages::Message &m : Common::UserMessages::told())
        texts << m.text;
    return texts;
}

const QString kNameQuestion =
    QStringLiteral("You haven't stated your name.\nAre your sure you want to stay anonymous?");
const QString kEmailQuestion =
    QStringLiteral("You haven't stated your E-Mail so we won't be able to send an answer.\nSend anywhere?");

} // namespace

// A widget of the dialog's form, by its object name.
template <class T> T *part(QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QLatin1String(name));
    Q_ASSERT(widget);
    return widget;
}

class TestReportDialog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_properties;

    std::unique_ptr<WebController> connectedController(LoopbackServer &server)
    {
        auto web = std::make_unique<WebController>(server.host());
        QSignalSpy state(web.get(), &WebController::networkStateChanged);
        if (!web->isConnected())
            state.wait(5000);
        return web;
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName(QStringLiteral("Quillane Reminder"));
        QCoreApplication::setApplicationVersion(QStringLiteral("3.3.0"));
    }
    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_properties = std::make_unique<Properties>(nullptr, QString());
        m_properties->addProperty("daysToWatch", 15);
        m_app->m_properties = m_properties.get();
        m_app->m_systemInfoText = QStringLiteral("[OS]\nname=Debian\n[Environment]\nAPI_TOKEN=<hidden>\n");
        StatCollector::reset();
        StatCollector::init(m_app->settings(), QString());
    }
    void cleanup()
    {
        m_app.reset();
        m_properties.reset();
        StatCollector::reset();
    }

    void composesTheText_data()
    {
        QTest::addColumn<bool>("withSystemInfo");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("It crashes.\n---------------------------\n"
                                            "Application = Quillane Reminder\nVersion = 3.3.0\nName = Anna\n"
                                            "Email = anna@example.org\nSubject = ");
        QTest::newRow("uninstall feedback ends at the subject") << false << head;
        QTest::newRow("bug report ends with the statistics")
            << true
            << head + QStringLiteral("\n----------SYSTEM-----------------\nSYS"
                                     "\n----------LOG-----------------\nLOG"
                                     "\n----------PROPERTIES-----------------\nPROPS"
                                     "\n----------STAT-----------------\nSTAT");
    }
    void composesTheText()
    {
        QFETCH(bool, withSystemInfo);
        QFETCH(QString, expected);
        ReportText::Content content;
        content.message = QStringLiteral("It crashes.");
        content.applicationName = QStringLiteral("Quillane Reminder");
        content.version = QStringLiteral("3.3.0");
        content.name = QStringLiteral("Anna");
        content.email = QStringLiteral("anna@example.org");
        content.withSystemInfo = withSystemInfo;
        content.system = QStringLiteral("SYS");
        content.log = QStringLiteral("LOG");
        content.properties = QStringLiteral("PROPS");
        content.statistics = QStringLiteral("STAT");
        QCOMPARE(ReportText::compose(content), expected);
    }

    void sendsOnlyWhatTheUserConfirms_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<bool>("sent");
        QTest::newRow("empty message comes first") << QString() << QString() << QString() << QList<bool>{true, true}
                                                   << QStringList{"Nothing to send!"} << false;
        QTest::newRow("anonymous declined")
            << "Hi" << QString() << "a@b.c" << QList<bool>{false} << QStringList{kNameQuestion} << false;
        QTest::newRow("no address declined")
            << "Hi"
            << "Anna" << QString() << QList<bool>{false} << QStringList{kEmailQuestion} << false;
        QTest::newRow("both confirmed") << "Hi" << QString() << QString() << QList<bool>{true, true}
                                        << QStringList{kNameQuestion, kEmailQuestion} << true;
        QTest::newRow("all given") << "Hi"
                                   << "Anna"
                                   << "a@b.c" << QList<bool>() << QStringList() << true;
    }
    void sendsOnlyWhatTheUserConfirms()
    {
        QFETCH(QString, message);
        QFETCH(QString, name);
        QFETCH(QString, email);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, said);
        QFETCH(bool, sent);
        LoopbackServer server;
        auto web = connectedController(server);
        Common::UserMessages::reset();
        for (bool yes : answers)
            Common::UserMessages::setNextAnswer(yes ? Common::UserMessages::Yes : Common::UserMessages::No);
        ReportDialog dialog(web.get());
        dialog.setWindowTitle(QStringLiteral("Uninstall feedback"));
        dialog.show();
        part<QPlainTextEdit>(dialog, "textEdit")->setPlainText(message);
        part<QLineEdit>(dialog, "nameLineEdit")->setText(name);
        part<QLineEdit>(dialog, "eMailLineEdit")->setText(email);
        dialog.onSendButton();
        QCOMPARE(::said(), said);
        // A send is waited for; the spin then lets a second one, if any, arrive.
        QVERIFY(!sent || server.waitForRequests(server.m_requests.size() + 1, 10000));
        LoopbackServer::spin(300);
        QCOMPARE(server.requestsTo("/auto/send.php").size(), sent ? 1 : 0);
        QCOMPARE(part<QLineEdit>(dialog, "nameLineEdit")->text(), name);
        QCOMPARE(m_app->settingsValue("report.name", QStringLiteral("unset")).toString(),
                 sent ? name : QStringLiteral("unset"));
        QCOMPARE(part<QPushButton>(dialog, "sendButton")->isEnabled(), !sent);
        if (!sent)
            return;
        const auto fields = LoopbackServer::formFields(server.requestsTo("/auto/send.php").first().body);
        QCOMPARE(fields.value("subject"), QStringLiteral("Uninstall feedback:"));
        QVERIFY(fields.value("message").startsWith(
            QStringLiteral(
                "Hi\n---------------------------\nApplication = Quillane Reminder\nVersion = 3.3.0\nName = %1\n"
                "Email = %2\nSubject = Uninstall feedback:\nip = ")
                .arg(name, email)));
    }

    void bugReportCarriesTheFourSections()
    {
        LoopbackServer server;
        auto web = connectedController(server);
        Common::UserMessages::reset();
        ReportDialog dialog(web.get());
        dialog.setWindowTitle(QStringLiteral("Report a bug"));
        dialog.setSendSystemInfo(true);
        dialog.show();
        part<QPlainTextEdit>(dialog, "textEdit")->setPlainText(QStringLiteral("Crash on start"));
        part<QLineEdit>(dialog, "nameLineEdit")->setText(QStringLiteral("Anna"));
        part<QLineEdit>(dialog, "eMailLineEdit")->setText(QStringLiteral("anna@example.org"));
        QSignalSpy sent(web.get(), &WebController::emailSent);
        dialog.onSendButton();
        QVERIFY(sent.wait(5000));
        const QString text =
            LoopbackServer::formFields(server.requestsTo("/auto/send.php").first().body).value("message");
        const int system = text.indexOf(QLatin1String("\n----------SYSTEM-----------------\n[OS]\nname=Debian"));
        const int log = text.indexOf(QLatin1String("\n----------LOG-----------------\n"));
        const int props = text.indexOf(QLatin1String("\n----------PROPERTIES-----------------\ndaysToWatch: 15"));
        const int stat = text.indexOf(QLatin1String("\n----------STAT-----------------\n"));
        QVERIFY(system > 0 && log > system && props > log && stat > props);
        QVERIFY(text.contains(QLatin1String("API_TOKEN=<hidden>")));
        // The reply closes the dialog with a thank-you.
        QCOMPARE(said(), QStringList{"Your message has been sent. Thank you!"});
        QVERIFY(!dialog.isVisible());
    }

    void showingRetitlesAndClears()
    {
        WebController web{QString()};
        ReportDialog dialog(&web);
        dialog.setWindowTitle(QStringLiteral("Report a bug"));
        dialog.show();
        QCOMPARE(part<QLineEdit>(dialog, "subjectLineEdit")->text(), QStringLiteral("Report a bug:"));
        part<QPlainTextEdit>(dialog, "textEdit")->setPlainText(QStringLiteral("draft"));
        part<QLineEdit>(dialog, "nameLineEdit")->setText(QStringLiteral("Typed"));
        dialog.hide();
        m_app->setSettingsValue("report.email", QStringLiteral("stored@example.org"));
        dialog.setWindowTitle(QStringLiteral("Request a feature"));
        dialog.show();
        QCOMPARE(part<QLineEdit>(dialog, "subjectLineEdit")->text(), QStringLiteral("Request a feature:"));
        QVERIFY(part<QPlainTextEdit>(dialog, "textEdit")->toPlainText().isEmpty());
        QCOMPARE(part<QLineEdit>(dialog, "nameLineEdit")->text(), QStringLiteral("Typed"));
        QCOMPARE(part<QLineEdit>(dialog, "eMailLineEdit")->text(), QStringLiteral("stored@example.org"));
        part<QLineEdit>(dialog, "subjectLineEdit")->insert(QStringLiteral(" dark mode"));
        dialog.setWindowTitle(QStringLiteral("Report a bug"));
        QCOMPARE(part<QLineEdit>(dialog, "subjectLineEdit")->text(), QStringLiteral("Report a bug: dark mode"));
    }

    void followsTheNetworkState_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("online") << true;
        QTest::newRow("offline") << false;
    }
    void followsTheNetworkState()
    {
        QFETCH(bool, connected);
        WebController web(QStringLiteral("127.0.0.1:1"));
        ReportDialog dialog(&web);
        dialog.show();
        dialog.onNetworkStateChanged(connected);
        QCOMPARE(part<QLabel>(dialog, "noInternetLabel")->isVisible(), !connected);
        QCOMPARE(part<QPushButton>(dialog, "sendButton")->isEnabled(), connected);
        QCOMPARE(part<QLabel>(dialog, "noInternetLabel")->text(),
                 QStringLiteral("Internet Connection is not available"));
    }

    void withoutServerSaysItCannotSend()
    {
        WebController web{QString()};
        ReportDialog dialog(&web);
        dialog.setWindowTitle(QStringLiteral("Report a bug"));
        dialog.show();
        QVERIFY(part<QLabel>(dialog, "noInternetLabel")->isVisible());
        QVERIFY(part<QLabel>(dialog, "noInternetLabel")->text().contains(QLatin1String("cannot be sent")));
        QVERIFY(!part<QPushButton>(dialog, "sendButton")->isEnabled());
        part<QLineEdit>(dialog, "nameLineEdit")->setText(QStringLiteral("Anna Müller-Lüdenscheidt"));
        part<QLineEdit>(dialog, "eMailLineEdit")->setText(QStringLiteral("anna.mueller@example.org"));
        part<QPlainTextEdit>(dialog, "textEdit")
            ->setPlainText(QStringLiteral("Die Laufschrift bleibt nach dem Aufwachen aus dem Ruhezustand stehen.\n\n"
                                          "Schritte: Rechner schlafen legen, wecken, Laufschrift beobachten."));
        TestHelpers::saveShot(&dialog, QStringLiteral("ReportDialog"));
    }
};

QTEST_MAIN(TestReportDialog)
#include "tst_reportdialog.moc"
