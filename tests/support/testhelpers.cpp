#include "testhelpers.h"

#include "fakewallclocktimer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimeZone>

#include <csignal>
#include <ctime>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace TestHelpers {

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

void obeyFileModes(bool obey)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    ::syscall(SYS_capget, &header, data);
    const quint32 overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = obey ? data[0].effective & ~overrides : data[0].effective | (data[0].permitted & overrides);
    ::syscall(SYS_capset, &header, data);
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
