#include "core/usermessages.h"

#include <QtTest>

using Common::UserMessages;

// Stands for the message boxes: answers every message with one button and counts them.
class CountingSink : public UserMessages::ISink
{
public:
    explicit CountingSink(int *shown) : m_shown(shown) {}
    UserMessages::Button show(const UserMessages::Message &) override
    {
        ++*m_shown;
        return UserMessages::Cancel;
    }

private:
    int *m_shown;
};

class TestUserMessages : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        UserMessages::install(nullptr);
        UserMessages::reset();
    }

    void answersInOrderWithoutAWindow_data()
    {
        QTest::addColumn<bool>("withSink");
        QTest::addColumn<QList<int>>("answers");  // set before
        QTest::addColumn<QList<int>>("returned"); // by: information, question, question
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("recorded");
        using M = UserMessages;
        QTest::newRow("none set") << false << QList<int>{} << QList<int>{M::NoButton, M::NoButton, M::NoButton} << 0
                                  << 3;
        QTest::newRow("information takes none")
            << false << QList<int>{M::Yes, M::No} << QList<int>{M::NoButton, M::Yes, M::No} << 0 << 3;
        QTest::newRow("sink when none left")
            << true << QList<int>{M::Yes} << QList<int>{M::Cancel, M::Yes, M::Cancel} << 2 << 1;
    }
    void answersInOrderWithoutAWindow()
    {
        QFETCH(bool, withSink);
        QFETCH(QList<int>, answers);
        QFETCH(QList<int>, returned);
        QFETCH(int, shown);
        QFETCH(int, recorded);
        int count = 0;
        if (withSink)
            UserMessages::install(std::make_unique<CountingSink>(&count));
        for (int answer : answers)
            UserMessages::setNextAnswer(UserMessages::Button(answer));
        const UserMessages::Buttons yesNo = UserMessages::Yes | UserMessages::No;
        const QList<int> got{UserMessages::ask({UserMessages::Information, "T", "a"}),
                             UserMessages::ask({UserMessages::Question, "T", "b", yesNo}),
                             UserMessages::ask({UserMessages::Question, "T", "c", yesNo})};
        QCOMPARE(got, returned);
        QCOMPARE(count, shown);
        QCOMPARE(UserMessages::told().size(), recorded);
    }
};

QTEST_GUILESS_MAIN(TestUserMessages)
#include "tst_usermessages.moc"
