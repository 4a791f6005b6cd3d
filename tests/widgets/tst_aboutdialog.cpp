#include "core/properties.h"
#include "core/statcollector.h"
#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/aboutdialog.h"

#include <QLabel>
#include <QtTest>

// The about box.
class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void showsVersionAndCountsOncePerConstruction();
    void opensOnlyWebAndMailLinks_data();
    void opensOnlyWebAndMailLinks();
};

void TestAboutDialog::showsVersionAndCountsOncePerConstruction()
{
    FakeApplication app;
    Properties props(nullptr, QString());
    app.m_properties = &props;
    StatCollector::reset();
    StatCollector::init(app.settings(), QString());
    QCoreApplication::setApplicationVersion(QStringLiteral("2.4.1-ß"));

    AboutDialog about;
    QCOMPARE(StatCollector::collect().value("f_about"), QStringLiteral("1"));
    QCOMPARE(about.findChild<QLabel *>("appVersion")->text(), QStringLiteral("2.4.1-ß"));
    QCOMPARE(about.size(), QSize(300, 310));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    TestHelpers::saveShot(&about, QStringLiteral("aboutdialog"));
    about.hide();
    about.show(); // shown again, still counted once
    QCOMPARE(StatCollector::collect().value("f_about"), QStringLiteral("1"));
    QVERIFY(!props.value("aboutdialog").toByteArray().isEmpty());
    StatCollector::reset();
}

void TestAboutDialog::opensOnlyWebAndMailLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << "https://quillane.example.org/" << true;
    QTest::newRow("http") << "HTTP://quillane.example.org/" << true;
    QTest::newRow("mail") << "mailto:support@quillane.example.org" << true;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("other scheme") << "x-handler://run" << false;
}

void TestAboutDialog::opensOnlyWebAndMailLinks()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    QList<QUrl> seen;
    const auto record = [&](const QUrl &url) {
        seen << url;
        return true;
    };
    QCOMPARE(AboutDialog::openLink(QUrl(link), record), opened);
    QCOMPARE(seen.size(), opened ? 1 : 0);
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
