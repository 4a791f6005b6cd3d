#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace Common {

// Replaces files on one worker thread, in the order they were asked for, through
// DataFileGuard::writeFile(). A write not yet started is dropped when a newer text for the same file (and context)
// comes: only the last one could stay on disk anyway, and its answer stands for both.
// Whoever reads or replaces such a file otherwise waits for its writes first (waitFor).
class BackgroundWriter
{
public:
    // Called on the thread of `context` once the text is on disk or has failed; not at all when the
    // context is gone by then. write() is asked on the context's own thread. When no writer thread can
    // be had, the caller writes, and the answer still comes later.
    using Done = std::function<void(bool ok, const QString &error)>;

    // `makeText` runs on the writer's thread, so it must hold everything it needs (implicitly shared
    // texts, not objects the program goes on changing). A context waits for its writes before it ends.
    // A null text writes nothing: the file stays and the answer is a failure with textNotMade().
    using MakeText = std::function<QByteArray()>;
    static QString textNotMade();
    static void write(const QString &path, MakeText makeText, QObject *context, Done done);
    // Blocks until every write of `path` asked for so far has ended; their answers are still
    // delivered through the context's event queue.
    static void waitFor(const QString &path);
    // True while a write of `path` is queued or running.
    static bool isBusy(const QString &path);
};

} // namespace Common
