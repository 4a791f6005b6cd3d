#pragma once

#include <QByteArray>
#include <QIODevice>

namespace TestHelpers {

// Keeps tests away from the real user's folders and settings; call in initTestCase.
void isolateEnvironment();

// Sets TZ for the life of the object and restores the old value after.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *tz);
    ~ScopedTimeZone();

private:
    QByteArray m_old;
    bool m_hadOld;
};

// A write-only device that accepts `limit` bytes and then fails every write.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit) : m_limit(limit) {}
    QByteArray written() const { return m_written; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override;

private:
    qint64 m_limit;
    QByteArray m_written;
};

// While it lives, file writes past `bytes` fail as on a full disk (also for root, unlike a read-only folder).
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(qint64 bytes);
    ~ScopedFileSizeLimit();

private:
    quint64 m_oldLimit = 0;
    void (*m_oldHandler)(int) = nullptr;
};

// The calling thread is refused what a file's mode refuses it, also as root; `obey` false undoes it.
void obeyFileModes(bool obey);

// Failed checks fail the test function they happen in, but for the rest of the calling one: it provokes them.
void expectFailedChecks();

QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &content);

} // namespace TestHelpers
