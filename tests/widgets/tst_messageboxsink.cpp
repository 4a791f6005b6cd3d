#include "widgets/messageboxsink.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

using Common::UserMessages;

// The real boxes: modal, as the message asks, and answering with the button pressed.
class TestMessageBoxSink : public QObject
{
    Q_OBJECT

private slots:
    void showsTheBoxAsked_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("tool");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("shownButtons");
        using M = UserMessages;
        QTest::newRow("no button given") << int(M::Warning) << int(M::NoButton) << false << int(M::Ok) << 1;
        QTest::newRow("information") << int(M::Information) << int(M::Ok) << false << int(M::Ok) << 1;
        QTest::newRow("question") << int(M::Question) << int(M::Yes | M::No) << false << int(M::Yes) << 2;
        QTest::newRow("frameless over its window")
            << int(M::Question) << int(M::Yes | M::Cancel) << true << int(M::Cancel) << 2;
    }
    void showsTheBoxAsked()
    {
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(bool, tool);
        QFETCH(int, press);
        QFETCH(int, shownButtons);
        QWidget window;
        UserMessages::Message message{UserMessages::Icon(icon), QStringLiteral("Caption"), QStringLiteral("Text"),
                                      UserMessages::Buttons(buttons)};
        if (tool) {
            message.parent = &window;
            message.windowFlags = Qt::Tool | Qt::FramelessWindowHint;
        }
        struct
        {
            int icon = -1, buttons = 0;
            QString title, text;
            QWidget *parent = nullptr;
            Qt::WindowFlags flags;
        } shown; // read while the box was up
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->button(QMessageBox::StandardButton(press)))
                return;
            closer.stop();
            shown = {box->icon(), int(box->buttons().size()), box->windowTitle(),
                     box->text(), box->parentWidget(),        box->windowFlags()};
            box->button(QMessageBox::StandardButton(press))->click();
        });
        closer.start(10);
        QCOMPARE(int(MessageBoxSink().show(message)), press);
        QCOMPARE(shown.icon, icon);
        QCOMPARE(shown.buttons, shownButtons);
        QCOMPARE(shown.title, QStringLiteral("Caption"));
        QCOMPARE(shown.text, QStringLiteral("Text"));
        QCOMPARE(shown.parent, message.parent);
        QCOMPARE(shown.flags.testFlags(Qt::Tool | Qt::FramelessWindowHint), tool);
    }
};

QTEST_MAIN(TestMessageBoxSink)
#include "tst_messageboxsink.moc"
