#include "platform/terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace TerminationSignalsPrivate {

constexpr int s_signals[] = {SIGTERM, SIGINT, SIGHUP};

// The self-pipe: the handler writes the signal's number, the event loop reads it.
int s_pipe[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // A full pipe already holds a request to end; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace TerminationSignalsPrivate

using namespace TerminationSignalsPrivate;

void TerminationSignals::ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    ignoreFileSizeSignal();
    if (s_pipe[0] != -1) {
        qWarning("The termination signals are already watched");
        return;
    }
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Cannot watch the termination signals: no pipe");
        s_pipe[0] = s_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : s_signals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int number : s_signals)
        std::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
}

void TerminationSignals::onReadable()
{
    char bytes[16];
    const ssize_t count = ::read(s_pipe[0], bytes, sizeof bytes);
    if (count > 0)
        emit terminationRequested(int(bytes[count - 1]));
}
