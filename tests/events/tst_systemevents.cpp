#include "events/system/openurlevent.h"
#include "events/system/systemevent.h"
#include "events/system/updateevent.h"
#include "fakeapplication.h"
#include "modelseams.h"
#include "testhelpers.h"

#include <QAction>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// Program-made running-line entries: ids, texts, click actions and the update notice.
class TestSystemEvents : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init() { m_seams = std::make_unique<ModelSeams>(); }
    void cleanup() { m_seams.reset(); }

    void idsAreUniqueBracedUuids()
    {
        TextEvent a(nullptr, QStringLiteral("a"), -1);
        TextEvent b(nullptr, QStringLiteral("b"), -1);
        QCOMPARE(a.id().size(), 38);
        QVERIFY(a.id().startsWith('{') && a.id().endsWith('}'));
        QVERIFY(a.id() != b.id());
        // Seen through the root interface the same entry answers the same.
        const IConstEvent &root = a;
        QCOMPARE(root.id(), a.id());
    }

    void textEventIgnoresWhenFlagAndNeverExpires()
    {
        TextEvent e(nullptr, QStringLiteral("Hello"), 7);
        QCOMPARE(e.text(false), e.text(true));
        QCOMPARE(e.text(true), QStringLiteral("Hello"));
        QCOMPARE(e.replaceKey(), 7);
        QCOMPARE(e.kind(), int(SystemEvent::PlainTextKind));
        for (int days : {-5, -1, 0, 1, 1000})
            QVERIFY(!e.isExpired(days));
        QVERIFY(!e.action());
        QVERIFY(!e.doubleClickAction());
        QVERIFY(e.contextMenuActions().isEmpty());
    }

    void openUrlEventWithoutUrlIsPlainText()
    {
        OpenUrlEvent e(nullptr, QStringLiteral("News"), QString(), SystemEvent::ServerMessageKind);
        QVERIFY(!e.action());
        QVERIFY(e.contextMenuActions().isEmpty());
        QCOMPARE(e.replaceKey(), -1);
    }

    void openUrlEventOffersOneStableAction()
    {
        OpenUrlEvent e(nullptr, QStringLiteral("News"), QStringLiteral("https://example.org/n"), 2);
        QAction *a = e.action();
        QVERIFY(a);
        QCOMPARE(e.action(), a);
        QCOMPARE(e.contextMenuActions(), QList<QAction *>{a});
        QCOMPARE(a->text(), QStringLiteral("Open URL"));
        QVERIFY(!e.doubleClickAction());
        a->trigger();
        QCOMPARE(m_seams->openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://example.org/n"))});
    }

    void opensOnlyWebPages_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "http://example.org/a?b=c" << true;
        QTest::newRow("https upper") << "HTTPS://example.org/" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("mailto") << "mailto:a@example.org" << false;
        QTest::newRow("custom scheme") << "smb://host/share" << false;
        QTest::newRow("no scheme") << "example.org" << false;
        QTest::newRow("http without host") << "http:///x" << false;
    }
    void opensOnlyWebPages()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        OpenUrlEvent e(nullptr, QStringLiteral("x"), url, 2);
        e.openUrl();
        QCOMPARE(m_seams->openedUrls.size(), opened ? 1 : 0);
    }

    void updateEventTextAndMenus()
    {
        FakeApplication app;
        QCoreApplication::setApplicationName(QStringLiteral("Quillane"));
        UpdateEvent withUrl(nullptr, QStringLiteral("2.1"), QStringLiteral("http://example.org/dl"));
        QCOMPARE(withUrl.text(true),
                 QStringLiteral("New version of Quillane is available. Click to download Quillane 2.1."));
        QCOMPARE(withUrl.kind(), int(SystemEvent::NewVersionKind));
        QStringList texts;
        for (QAction *a : withUrl.contextMenuActions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"Open URL", "Hide", "Don't remind until next version"}));

        UpdateEvent noUrl(nullptr, QStringLiteral("2.1"), QString());
        texts.clear();
        for (QAction *a : noUrl.contextMenuActions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"Hide", "Don't remind until next version"}));
        QVERIFY(!noUrl.action());
    }

    void dontRemindStoresVersionAndHidesOnce()
    {
        FakeApplication app;
        QCOMPARE(UpdateEvent::dontRemindVersion(), QString());
        UpdateEvent e(nullptr, QStringLiteral("3.0b"), QString());
        QSignalSpy spy(&e, &UpdateEvent::hideMe);
        e.contextMenuActions().last()->trigger();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toByteArray(), e.id());
        QCOMPARE(UpdateEvent::dontRemindVersion(), QStringLiteral("3.0b"));
        QCOMPARE(app.settings()->value("UpdateDontRemindVersion").toString(), QStringLiteral("3.0b"));
        UpdateEvent::setDontRemindVersion(QStringLiteral("3.1"));
        QCOMPARE(UpdateEvent::dontRemindVersion(), QStringLiteral("3.1"));
    }

private:
    std::unique_ptr<ModelSeams> m_seams;
};

QTEST_MAIN(TestSystemEvents)
#include "tst_systemevents.moc"
