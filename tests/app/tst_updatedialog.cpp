#include "app/updatedialog.h"
#include "core/properties.h"
#include "events/system/openurlevent.h"
#include "events/system/updateevent.h"
#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"
#include "modelseams.h"

#include <QTextBrowser>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

// A widget of the dialog's form, by its object name.
template <class T> T *part(QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QLatin1String(name));
    Q_ASSERT(widget);
    return widget;
}

class TestUpdateDialog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<ModelSeams> m_seams;

    void offer(const QString &version, const QString &downloadUrl, const QString &whatsNew)
    {
        LastVersionInfo info;
        info.version = version;
        info.downloadUrl = downloadUrl;
        info.whatsNew = whatsNew;
        m_app->setLastVersionInfo(info);
    }

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        QCoreApplication::setApplicationName(QStringLiteral("Quillane Reminder"));
    }
    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_properties = std::make_unique<Properties>(nullptr, QString());
        m_app->m_properties = m_properties.get();
        m_seams = std::make_unique<ModelSeams>();
    }
    void cleanup()
    {
        m_seams.reset();
        m_app.reset();
        m_properties.reset();
    }

    void showsTheNewsAsPlainText_data()
    {
        QTest::addColumn<QString>("whatsNew");
        QTest::addColumn<bool>("browserShown");
        QTest::newRow("none") << QString() << false;
        QTest::newRow("text") << QStringLiteral("Faster bar.\nFewer bugs.") << true;
        QTest::newRow("markup stays text")
            << QStringLiteral("<a href=\"file:///etc/passwd\">x</a><img src=\"http://t/p.png\">") << true;
    }
    void showsTheNewsAsPlainText()
    {
        QFETCH(QString, whatsNew);
        QFETCH(bool, browserShown);
        offer(QStringLiteral("3.4.0"), QStringLiteral("http://example.org/d"), whatsNew);
        UpdateDialog dialog;
        dialog.show();
        QCOMPARE(part<QTextBrowser>(dialog, "browser")->isVisible(), browserShown);
        QCOMPARE(part<QTextBrowser>(dialog, "browser")->toPlainText(), whatsNew);
        QCOMPARE(part<QLabel>(dialog, "infoLabel")->text(),
                 QStringLiteral("New version of Quillane Reminder is available"));
        if (!browserShown)
            QVERIFY(dialog.height() < 334);
    }

    void downloadOpensOnlyWebPages_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "http://example.org/quillane-3.4.0.deb" << true;
        QTest::newRow("https") << "https://example.org/d" << true;
        QTest::newRow("file") << "file:///usr/bin/sh" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("empty") << QString() << false;
    }
    void downloadOpensOnlyWebPages()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        offer(QStringLiteral("3.4.0"), url, QString());
        UpdateDialog dialog;
        dialog.show();
        emit part<QLabel>(dialog, "downloadLabel")->linkActivated(QStringLiteral(" "));
        QCOMPARE(m_seams->openedUrls.size(), opened ? 1 : 0);
        if (opened)
            QCOMPARE(m_seams->openedUrls.first(), QUrl(url));
        QVERIFY(!dialog.isVisible());
        QVERIFY(UpdateEvent::dontRemindVersion().isEmpty());
    }

    void dontRemindStoresTheLatestOffer()
    {
        offer(QStringLiteral("3.4.0"), QStringLiteral("http://example.org/d"), QStringLiteral("News"));
        UpdateDialog dialog;
        dialog.show();
        // A later reply replaced the offer after the dialog was made.
        offer(QStringLiteral("3.5.0"), QStringLiteral("http://example.org/d"), QStringLiteral("News"));
        emit part<QLabel>(dialog, "dontRemindLabel")->linkActivated(QStringLiteral(" "));
        QCOMPARE(UpdateEvent::dontRemindVersion(), QStringLiteral("3.5.0"));
        QVERIFY(m_seams->openedUrls.isEmpty());
        QVERIFY(!dialog.isVisible());
    }

    void shot()
    {
        offer(QStringLiteral("3.4.0"), QStringLiteral("http://example.org/d"),
              QStringLiteral("What's new in 3.4.0:\n- The bar keeps moving after the computer wakes up.\n"
                             "- Birthdays of 29 February are shown on 28 February in other years.\n"
                             "- Übersetzung ins Deutsche überarbeitet.\n- Новый перевод на русский язык."));
        UpdateDialog dialog;
        dialog.show();
        TestHelpers::saveShot(&dialog, QStringLiteral("UpdateDialog"));
    }
};

QTEST_MAIN(TestUpdateDialog)
#include "tst_updatedialog.moc"
