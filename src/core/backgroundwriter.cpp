#include "core/backgroundwriter.h"

#include "core/datafileguard.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace BackgroundWriterPrivate {

// Whether a write's context is still there, asked on the writer's thread. The context's end clears it
// under the lock, before the context drops what was posted to it; so the writer posts to the context
// only while it is there, and a post under way holds its end back. A context may end at any time.
class Relay
{
public:
    struct State
    {
        std::mutex mutex;
        QObject *context = nullptr;
        QMetaObject::Connection ending;
    };

    static std::shared_ptr<State> watch(QObject *context)
    {
        auto state = std::make_shared<State>();
        state->context = context;
        state->ending = QObject::connect(
            context, &QObject::destroyed, context,
            [raw = state.get()] {
                const std::lock_guard<std::mutex> lock(raw->mutex);
                raw->context = nullptr;
            },
            Qt::DirectConnection);
        return state;
    }

    // On the context's thread.
    static void release(const std::shared_ptr<State> &state) { QObject::disconnect(state->ending); }

    static void deliver(const std::shared_ptr<State> &state, std::vector<Common::BackgroundWriter::Done> done, bool ok,
                        const QString &error)
    {
        const std::lock_guard<std::mutex> lock(state->mutex);
        if (!state->context)
            return;
        QMetaObject::invokeMethod(
            state->context,
            [state, done = std::move(done), ok, error] {
                release(state);
                for (const Common::BackgroundWriter::Done &call : done)
                    call(ok, error);
            },
            Qt::QueuedConnection);
    }
};

struct Job
{
    QString path;
    Common::BackgroundWriter::MakeText makeText;
    const QObject *context = nullptr; // only compared: the relay answers
    std::shared_ptr<Relay::State> relay;
    std::vector<Common::BackgroundWriter::Done> done;
};

void dropRelay(Job &job)
{
    if (job.relay)
        Relay::release(job.relay);
    job.relay.reset();
}

// Writes one job and hands its answer to the relay.
void carryOut(Job &job)
{
    QString error = Common::BackgroundWriter::textNotMade();
    const QByteArray text = job.makeText();
    // No text: the file stays as it is.
    const bool ok = !text.isNull() && Common::DataFileGuard::writeFile(job.path, text, &error);
    job.makeText = nullptr;
    if (job.relay)
        Relay::deliver(job.relay, std::move(job.done), ok, error);
    job.relay.reset();
}

// The queue and its one thread, started with the first write and ended when the program ends,
// after the writes still queued.
class Worker
{
public:
    static Worker &instance()
    {
        static Worker worker;
        return worker;
    }

    ~Worker()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void add(Job job)
    {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            for (Job &queued : m_queue) {
                if (queued.path == job.path && queued.context == job.context) {
                    queued.makeText = std::move(job.makeText);
                    queued.done.insert(queued.done.end(), job.done.begin(), job.done.end());
                    // The queued job's relay answers for both.
                    dropRelay(job);
                    return;
                }
            }
            if (!m_thread.joinable()) {
                try {
                    m_thread = std::thread([this] { run(); });
                } catch (const std::system_error &) {
                    // No thread to be had: the caller writes, after the writes of this path already asked
                    // for, and its answer still comes through the event queue.
                    m_idle.wait(lock, [&] { return !busyLocked(job.path); });
                    lock.unlock();
                    carryOut(job);
                    return;
                }
            }
            m_queue.push_back(std::move(job));
        }
        m_wake.notify_all();
    }

    bool busy(const QString &path)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return busyLocked(path);
    }

    void waitFor(const QString &path)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [&] { return !busyLocked(path); });
    }

private:
    bool busyLocked(const QString &path) const
    {
        // An idle worker's running path is empty too: a manager without a file waits for nothing.
        if (path.isEmpty())
            return false;
        if (m_running == path)
            return true;
        for (const Job &job : m_queue) {
            if (job.path == path)
                return true;
        }
        return false;
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            Job job = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = job.path;
            lock.unlock();

            // Posted before the waiters wake, so their answers are already queued when waitFor() returns.
            carryOut(job);

            lock.lock();
            m_running.clear();
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_queue;
    QString m_running;
    bool m_stop = false;
    std::thread m_thread;
};

QString key(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace BackgroundWriterPrivate

namespace Common {

using namespace BackgroundWriterPrivate;

void BackgroundWriter::write(const QString &path, MakeText makeText, QObject *context, Done done)
{
    Q_ASSERT(!context || context->thread() == QThread::currentThread());
    std::shared_ptr<Relay::State> relay;
    if (context)
        relay = Relay::watch(context);
    Worker::instance().add(Job{key(path), std::move(makeText), context, std::move(relay), {std::move(done)}});
}

void BackgroundWriter::waitFor(const QString &path)
{
    Worker::instance().waitFor(key(path));
}

QString BackgroundWriter::textNotMade()
{
    return QStringLiteral("The text to write could not be made");
}

bool BackgroundWriter::isBusy(const QString &path)
{
    return Worker::instance().busy(key(path));
}

} // namespace Common
