#include "core/backgroundwriter.h"

#include "core/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace BackgroundWriterPrivate {

struct Job
{
    QString path;
    Common::BackgroundWriter::MakeText makeText;
    QPointer<QObject> context;
    std::vector<Common::BackgroundWriter::Done> done;
};

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
            std::lock_guard<std::mutex> lock(m_mutex);
            for (Job &queued : m_queue) {
                if (queued.path == job.path && queued.context == job.context) {
                    queued.makeText = std::move(job.makeText);
                    queued.done.insert(queued.done.end(), job.done.begin(), job.done.end());
                    return;
                }
            }
            m_queue.push_back(std::move(job));
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
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

            QString error = Common::BackgroundWriter::textNotMade();
            const QByteArray text = job.makeText();
            // No text: the file stays as it is.
            const bool ok = !text.isNull() && Common::writeFileAtomically(job.path, text, &error);
            job.makeText = nullptr;
            if (QObject *context = job.context.data()) {
                // Posted before the waiters wake, so their answers are already queued when waitFor() returns.
                QMetaObject::invokeMethod(
                    context,
                    [done = std::move(job.done), ok, error] {
                        for (const Common::BackgroundWriter::Done &call : done)
                            call(ok, error);
                    },
                    Qt::QueuedConnection);
            }

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
    Worker::instance().add(Job{key(path), std::move(makeText), context, {std::move(done)}});
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
