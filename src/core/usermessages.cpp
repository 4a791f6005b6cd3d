#include "core/usermessages.h"

#include <QMutex>

namespace UserMessagesPrivate {

struct State
{
    QMutex mutex;
    std::unique_ptr<Common::UserMessages::ISink> sink;
    QList<Common::UserMessages::Button> answers;
    QList<Common::UserMessages::Message> told;
};

State &state()
{
    static State s;
    return s;
}

bool offersChoice(Common::UserMessages::Buttons buttons)
{
    const int bits = int(buttons);
    return bits != 0 && (bits & (bits - 1)) != 0;
}

} // namespace UserMessagesPrivate

using namespace UserMessagesPrivate;

namespace Common {

void UserMessages::install(std::unique_ptr<ISink> sink)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.sink = std::move(sink);
}

UserMessages::Button UserMessages::ask(const Message &message)
{
    State &s = state();
    ISink *sink = nullptr;
    {
        const QMutexLocker lock(&s.mutex);
        const bool answered = offersChoice(message.buttons) && !s.answers.isEmpty();
        if (answered || !s.sink) {
            s.told << message;
            return answered ? s.answers.takeFirst() : NoButton;
        }
        sink = s.sink.get();
    }
    // Not under the lock: the box runs an event loop that may tell more.
    return sink->show(message);
}

void UserMessages::information(const QString &title, const QString &text, QWidget *parent)
{
    ask({Information, title, text, Ok, parent});
}

void UserMessages::warning(const QString &title, const QString &text, QWidget *parent)
{
    ask({Warning, title, text, Ok, parent});
}

bool UserMessages::question(const QString &title, const QString &text, QWidget *parent)
{
    return ask({Question, title, text, Yes | No, parent}) == Yes;
}

void UserMessages::setNextAnswer(Button answer)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.answers << answer;
}

QList<UserMessages::Message> UserMessages::told()
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    return s.told;
}

QStringList UserMessages::toldLines()
{
    QStringList lines;
    for (const Message &m : told())
        lines << m.title + QStringLiteral(": ") + m.text;
    return lines;
}

void UserMessages::reset()
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.answers.clear();
    s.told.clear();
}

} // namespace Common
