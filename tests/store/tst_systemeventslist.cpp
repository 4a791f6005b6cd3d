#include "core/log.h"
#include "store/systemevents.h"
#include "testhelpers.h"

#include <QtTest>

class TestSystemEvents : public QObject
{
    Q_OBJECT

private:
    QStringList m_log;

    void watch(SystemEvents &list)
    {
        connect(&list, &SystemEvents::eventAdded, this, [this](int i) { m_log << QString("added(%1)").arg(i); });
        connect(&list, &SystemEvents::eventAboutToRemove, this,
                [this](int i) { m_log << QString("aboutToRemove(%1)").arg(i); });
        connect(&list, &SystemEvents::eventRemoved, this, [this] { m_log << "removed"; });
    }

    static SystemEventPtr make(const QString &text, int key) { return std::make_shared<TextEvent>(nullptr, text, key); }

    static QString texts(const SystemEvents &list)
    {
        QStringList result;
        for (const SystemEventPtr &event : list.events())
            result << event->text(true);
        return result.join(',');
    }

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }
    void init()
    {
        Common::clearLogBuffer();
        m_log.clear();
    }

    void replacesEqualKeys()
    {
        SystemEvents list;
        list.addEvent(make("a", 5));
        list.addEvent(make("b", 7));
        list.insertEvent(2, make("c", 5)); // the only way to list two events with one key
        watch(list);
        list.addEvent(make("d", 5));
        QCOMPARE(texts(list), QString("b,d"));
        QCOMPARE(m_log, (QStringList{"aboutToRemove(0)", "removed", "aboutToRemove(1)", "removed", "added(1)"}));
    }

    void removeSignalsAroundTheChange()
    {
        SystemEvents list;
        list.addEvent(make("a", -1));
        list.addEvent(make("b", -1));
        int countAtAboutToRemove = -1;
        connect(&list, &SystemEvents::eventAboutToRemove, this, [&] { countAtAboutToRemove = list.count(); });
        watch(list);
        list.removeEvent(list.eventByIndex(1));
        QCOMPARE(countAtAboutToRemove, 2);
        QCOMPARE(m_log, (QStringList{"aboutToRemove(1)", "removed"}));
        QCOMPARE(texts(list), QString("a"));
    }

    void unlistedRemovalReportsAndKeepsList()
    {
        TestHelpers::expectFailedChecks();
        SystemEvents list;
        list.addEvent(make("a", -1));
        watch(list);
        list.removeEvent(make("x", -1));
        QCOMPARE(m_log, (QStringList{"aboutToRemove(-1)", "removed"}));
        QCOMPARE(texts(list), QString("a"));
        QCOMPARE(logBuffer().count("ASSERT"), 1);
    }
};

QTEST_GUILESS_MAIN(TestSystemEvents)
#include "tst_systemeventslist.moc"
