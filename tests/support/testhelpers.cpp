#include "testhelpers.h"

#include "fakewallclocktimer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimeZone>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>

namespace TestHelpers {

namespace {

QString s_ownRuntimeDir;

void removeOwnRuntimeDir()
{
    QDir(s_ownRuntimeDir).removeRecursively();
}

// A runtime folder of the test program's own when the session has none. Made before main(): the
// application makes one in the temporary folder as it starts (runtime-<user>), and a test that makes
// several applications would see this one gone with the first. Removed when the program ends.
void makeOwnRuntimeDir()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString dir = QDir::temp().filePath(QStringLiteral("qr-runtime-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    s_ownRuntimeDir = dir;
    std::atexit(removeOwnRuntimeDir);
}
Q_CONSTRUCTOR_FUNCTION(makeOwnRuntimeDir)

} // namespace

void isolateEnvironment()
{
    QStandardPaths::setTestModeEnabled(true);
    // Wall-clock timers follow the pinned clock, not the machine's.
    FakeWallClockTimer::install();
}

ScopedTimeZone::ScopedTimeZone(const char *tz) : m_old(qgetenv("TZ")), m_hadOld(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", tz);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (m_hadOld)
        qputenv("TZ", m_old);
    else
        qunsetenv("TZ");
    tzset();
}

qint64 FailingDevice::writeData(const char *data, qint64 len)
{
    const qint64 room = m_limit - m_written.size();
    if (room <= 0)
        return -1;
    const qint64 n = qMin(room, len);
    m_written.append(data, n);
    return n;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(qint64 bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_oldLimit = limit.rlim_cur;
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_oldLimit);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_oldHandler);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

} // namespace TestHelpers
