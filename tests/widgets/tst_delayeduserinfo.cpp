#include "widgets/delayeduserinfo.h"

#include <QtTest>

class TestDelayedUserInfo : public QObject
{
    Q_OBJECT

private:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };
    QList<Shown> m_shown;

private slots:
    void init()
    {
        m_shown.clear();
        DelayedUserInfo::setShowFunction([this](QMessageBox::Icon icon, const QString &title, const QString &text) {
            m_shown << Shown{icon, title, text};
        });
    }
    void cleanup() { DelayedUserInfo::setShowFunction({}); }

    void showsOnlyFromEventLoopThenGoes()
    {
        QPointer<DelayedUserInfo> info =
            new DelayedUserInfo(QMessageBox::Warning, QStringLiteral("Title"), QStringLiteral("Something failed"));
        // The code that made it runs to its end first.
        QVERIFY(m_shown.isEmpty());
        QTRY_COMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.first().icon, QMessageBox::Warning);
        QCOMPARE(m_shown.first().title, QStringLiteral("Title"));
        QCOMPARE(m_shown.first().text, QStringLiteral("Something failed"));
        QTRY_VERIFY(info.isNull());
        QCOMPARE(m_shown.size(), 1);
    }

    void realBoxIsModalWithDefaultButton()
    {
        DelayedUserInfo::setShowFunction({});
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        bool hasParent = true;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = box->buttons().size();
            hasParent = box->parentWidget() != nullptr;
            box->accept();
        });
        closer.start(10);
        QPointer<DelayedUserInfo> info =
            new DelayedUserInfo(QMessageBox::Information, QStringLiteral("Caption"), QStringLiteral("Text"));
        QTRY_VERIFY(info.isNull());
        QCOMPARE(text, QStringLiteral("Text"));
        QCOMPARE(title, QStringLiteral("Caption"));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(buttons, 1);
        QVERIFY(!hasParent);
    }
};

QTEST_MAIN(TestDelayedUserInfo)
#include "tst_delayeduserinfo.moc"
