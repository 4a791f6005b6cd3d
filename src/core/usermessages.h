#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace Common {

// Every message and question the program puts to the user goes through here. The program installs a
// sink that shows them once at start; without one they are recorded, and questions take the answers
// set beforehand, so that no test waits on a window.
class UserMessages
{
public:
    // The message box's own values, so that a sink hands them on as they are.
    enum Icon { NoIcon = 0, Information = 1, Warning = 2, Critical = 3, Question = 4 };
    enum Button { NoButton = 0, Ok = 0x400, Yes = 0x4000, No = 0x10000, Cancel = 0x400000 };
    Q_DECLARE_FLAGS(Buttons, Button)

    struct Message
    {
        Icon icon = Information;
        QString title;
        QString text;
        Buttons buttons = Ok;
        QWidget *parent = nullptr;
        // A message box's own flags unless a window asks for a frameless one like itself.
        Qt::WindowFlags windowFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;
    };

    class ISink
    {
    public:
        virtual ~ISink() = default;
        // Shows the message until it is answered: the button pressed, NoButton when none was.
        virtual Button show(const Message &message) = 0;
    };

    // Once at start; the sink lives as long as the process. Null goes back to recording.
    static void install(std::unique_ptr<ISink> sink);

    static Button ask(const Message &message);
    static void information(const QString &title, const QString &text, QWidget *parent = nullptr);
    static void warning(const QString &title, const QString &text, QWidget *parent = nullptr);
    // Yes or No; true for Yes.
    static bool question(const QString &title, const QString &text, QWidget *parent = nullptr);

    // Tests: the next message that offers a choice returns `answer` at once, without a window. Answers
    // set one after another are used in that order.
    static void setNextAnswer(Button answer);
    // Tests: what was told without a window, oldest first; as "title: text" lines.
    static QList<Message> told();
    static QStringList toldLines();
    // Tests: forget what was told and the answers not used.
    static void reset();
};

} // namespace Common

Q_DECLARE_OPERATORS_FOR_FLAGS(Common::UserMessages::Buttons)
