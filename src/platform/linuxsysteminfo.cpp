#include "platform/linuxsysteminfo.h"

#include "platform/osdescription.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSysInfo>

#include <link.h>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <cstring>
#endif

namespace LinuxSystemInfoPrivate {

QByteArray readProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // Files under /proc report size 0, so read until the end rather than by size.
    return file.readAll();
}

// A "Name:   1234 kB" line of /proc/<pid>/status or /proc/meminfo, in bytes.
quint64 statusValue(const QByteArray &status, const QByteArray &key)
{
    for (const QByteArray &line : status.split('\n')) {
        if (!line.startsWith(key + ':'))
            continue;
        const QList<QByteArray> fields = line.mid(key.size() + 1).simplified().split(' ');
        bool ok = false;
        const quint64 value = fields.value(0).toULongLong(&ok);
        if (!ok)
            return 0;
        return fields.value(1) == "kB" ? value * 1024 : value;
    }
    return 0;
}

// Minor plus major faults from /proc/<pid>/stat; the command name in parentheses may hold blanks.
quint64 pageFaults(const QByteArray &stat)
{
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    // After the name come state (field 3) ... minflt (field 10) ... majflt (field 12).
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 10)
        return 0;
    return fields.at(7).toULongLong() + fields.at(9).toULongLong();
}

int collectModule(dl_phdr_info *info, size_t, void *data)
{
    auto *paths = static_cast<QStringList *>(data);
    paths->append(QString::fromLocal8Bit(info->dlpi_name ? info->dlpi_name : ""));
    return 0;
}

} // namespace LinuxSystemInfoPrivate

LinuxSystemInfo::LinuxSystemInfo(const QString &procRoot) : m_procRoot(procRoot) {}

QString LinuxSystemInfo::userName()
{
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd *result = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result && result->pw_name)
        return QString::fromLocal8Bit(result->pw_name);
    return qEnvironmentVariable("USER");
}

QString LinuxSystemInfo::hostName()
{
    return QSysInfo::machineHostName();
}

QString LinuxSystemInfo::kernelType()
{
    return QSysInfo::kernelType();
}

QString LinuxSystemInfo::kernelVersion()
{
    return QSysInfo::kernelVersion();
}

QString LinuxSystemInfo::osDescription()
{
    return Common::osDescription();
}

quint64 LinuxSystemInfo::cpuSignature()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return (quint64(ebx) << 32) | eax;
#endif
    return 0;
}

QByteArray LinuxSystemInfo::cpuVendor()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
        char vendor[12];
        std::memcpy(vendor, &ebx, 4);
        std::memcpy(vendor + 4, &edx, 4);
        std::memcpy(vendor + 8, &ecx, 4);
        return QByteArray(vendor, sizeof vendor);
    }
#endif
    return QByteArray();
}

int LinuxSystemInfo::processorCount()
{
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? int(count) : 0;
}

SystemMemory LinuxSystemInfo::systemMemory()
{
    SystemMemory memory;
    struct sysinfo info
    {
    };
    if (sysinfo(&info) != 0)
        return memory;
    const quint64 unit = info.mem_unit ? info.mem_unit : 1;
    memory.totalPhysical = quint64(info.totalram) * unit;
    // Free memory leaves out the page cache the kernel gives back on demand; MemAvailable counts it.
    const quint64 available = LinuxSystemInfoPrivate::statusValue(
        LinuxSystemInfoPrivate::readProcFile(m_procRoot + QStringLiteral("/meminfo")), "MemAvailable");
    memory.availablePhysical = available ? available : (quint64(info.freeram) + info.bufferram) * unit;
    memory.totalVirtual = memory.totalPhysical + quint64(info.totalswap) * unit;
    memory.availableVirtual = memory.availablePhysical + quint64(info.freeswap) * unit;
    return memory;
}

ProcessMemory LinuxSystemInfo::processMemory(qint64 processId)
{
    using namespace LinuxSystemInfoPrivate;
    const QDir process(QDir(m_procRoot).filePath(QString::number(processId)));
    ProcessMemory memory;
    const QByteArray status = readProcFile(process.filePath(QStringLiteral("status")));
    // Linux keeps no paged pool and no peaks of kernel memory per process; those counters stay 0.
    memory.pagefileUsage = statusValue(status, "VmSize");
    memory.peakPagefileUsage = statusValue(status, "VmPeak");
    memory.workingSetSize = statusValue(status, "VmRSS");
    memory.peakWorkingSetSize = statusValue(status, "VmHWM");
    memory.quotaNonPagedPoolUsage = statusValue(status, "VmPTE");
    memory.pageFaultCount = pageFaults(readProcFile(process.filePath(QStringLiteral("stat"))));
    return memory;
}

QList<DisplayInfo> LinuxSystemInfo::displays()
{
    QList<DisplayInfo> result;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return result;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        DisplayInfo display;
        display.adapter = (screen->manufacturer() + QLatin1Char(' ') + screen->model()).trimmed();
        display.device = screen->name();
        const QSize pixels = screen->size() * screen->devicePixelRatio();
        display.width = pixels.width();
        display.height = pixels.height();
        display.depth = screen->depth();
        result << display;
    }
    return result;
}

QSize LinuxSystemInfo::dpi()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QSize(0, 0);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(0, 0);
    return QSize(qRound(screen->logicalDotsPerInchX()), qRound(screen->logicalDotsPerInchY()));
}

QStringList LinuxSystemInfo::loadedModules()
{
    QStringList names;
    dl_iterate_phdr(LinuxSystemInfoPrivate::collectModule, &names);
    QStringList paths;
    for (const QString &name : std::as_const(names)) {
        // The program itself comes with an empty name.
        QString path = name;
        if (path.isEmpty())
            path = QFile::symLinkTarget(QDir(m_procRoot).filePath(QStringLiteral("self/exe")));
        if (path.isEmpty())
            continue;
        // Libraries are loaded through their soname link; the target's name carries the full version.
        const QString target = QFileInfo(path).canonicalFilePath();
        paths << (target.isEmpty() ? path : target);
    }
    return paths;
}

QStringList LinuxSystemInfo::environment()
{
    return QProcess::systemEnvironment();
}
