#include "core/systeminforeport.h"

#include "core/clock.h"
#include "platform/isysteminfo.h"
#include "platform/linuxsysteminfo.h"

#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QTextStream>

namespace SystemInfoReportPrivate {

// A cpuid vendor text and the short name the report writes.
struct Vendor
{
    const char *text;
    const char *name;
};

const Vendor s_vendors[] = {
    {"GenuineIntel", "Intel"},  {"AuthenticAMD", "AMD"},       {"CyrixInstead", "Cyrix"}, {"CentaurHauls", "Centaur"},
    {"NexGenDriven", "NexGen"}, {"GenuineTMx86", "Transmeta"}, {"RiseRiseRise", "Rise"},  {"UMC UMC UMC ", "UMC"},
    {"SiS SiS SiS ", "SiS"},    {"Geode by NSC", "NSC"},
};

// The first library of a name wins, as the dynamic linker binds to it.
QMap<QString, QString> modules(const QStringList &paths)
{
    QMap<QString, QString> result;
    for (const QString &path : paths) {
        const QPair<QString, QString> module = Common::moduleNameAndVersion(path);
        if (!result.contains(module.first))
            result.insert(module.first, module.second);
    }
    return result;
}

QMap<QString, QString> environment(const QStringList &entries)
{
    QMap<QString, QString> result;
    for (const QString &entry : entries) {
        const int equals = entry.indexOf(QLatin1Char('='));
        // The whole value, "=" signs included (LS_COLORS, options lists).
        if (equals < 0)
            result.insert(entry, QString());
        else
            result.insert(entry.left(equals), entry.mid(equals + 1));
    }
    return result;
}

} // namespace SystemInfoReportPrivate

namespace Common {

QString formatSize(quint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes >= 1048576)
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    return QStringLiteral("%1 KB").arg(bytes >> 10);
}

QString formatCpuSignature(quint64 signature)
{
    return QStringLiteral("%1.%2")
        .arg(quint32(signature >> 32), 8, 16, QLatin1Char('0'))
        .arg(quint32(signature & 0xffffffffu), 8, 16, QLatin1Char('0'));
}

QString cpuVendorName(const QByteArray &vendor)
{
    for (const SystemInfoReportPrivate::Vendor &known : SystemInfoReportPrivate::s_vendors) {
        if (vendor.compare(known.text, Qt::CaseInsensitive) == 0)
            return QLatin1String(known.name);
    }
    return QString::fromLatin1(vendor);
}

QPair<QString, QString> moduleNameAndVersion(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    QString name = QFileInfo(path).completeBaseName();
    QStringList numbers;
    const int so = fileName.indexOf(QLatin1String(".so"));
    if (so > 0 && (so + 3 == fileName.size() || fileName.at(so + 3) == QLatin1Char('.'))) {
        name = fileName.left(so);
        const QStringList parts = fileName.mid(so + 4).split(QLatin1Char('.'), Qt::SkipEmptyParts);
        for (const QString &part : parts)
            numbers << QString::number(part.toUInt());
    }
    while (numbers.size() < 4)
        numbers << QStringLiteral("0");
    return {name, numbers.mid(0, 4).join(QLatin1Char('.'))};
}

bool writeSystemInfoReport(QTextStream &out, qint64 processId, ISystemInfo &system)
{
    const QLocale locale = QLocale::system();
    out << "[UserProfile]\n";
    out << "username=" << system.userName() << "\n";
    out << "computername=" << system.hostName() << "\n";
    // Seconds east of UTC, signed: a zone west of Greenwich must not wrap to a huge number.
    out << "utcoffset=" << Clock::now().offsetFromUtc() << "\n";
    out << "launguage=" << QLocale::languageToString(locale.language()) << "\n";
    out << "country=" << QLocale::territoryToString(locale.territory()) << "\n";

    out << "[OS]\n";
    out << "platformId=" << system.kernelType() << "\n";
    out << "version=" << system.kernelVersion() << "\n";
    out << "name=" << system.osDescription() << "\n";

    out << "[CPU]\n";
    out << "cpuid=" << formatCpuSignature(system.cpuSignature()) << "\n";
    out << "cpunum=" << system.processorCount() << "\n";
    out << "vendor=" << cpuVendorName(system.cpuVendor()) << "\n";

    const SystemMemory memory = system.systemMemory();
    out << "[System Memory]\n";
    out << "Available physical memory=" << formatSize(memory.availablePhysical) << "\n";
    out << "Available virtual memory=" << formatSize(memory.availableVirtual) << "\n";
    out << "Total physical memory=" << formatSize(memory.totalPhysical) << "\n";
    out << "Total virtual memory=" << formatSize(memory.totalVirtual) << "\n";

    const ProcessMemory process = system.processMemory(processId);
    out << "[Process Memory]\n";
    out << "PageFaultCount=" << formatSize(process.pageFaultCount) << "\n";
    out << "PagefileUsage=" << formatSize(process.pagefileUsage) << "\n";
    out << "PeakPagefileUsage=" << formatSize(process.peakPagefileUsage) << "\n";
    out << "PeakWorkingSetSize=" << formatSize(process.peakWorkingSetSize) << "\n";
    out << "QuotaNonPagedPoolUsage=" << formatSize(process.quotaNonPagedPoolUsage) << "\n";
    out << "QuotaPagedPoolUsage=" << formatSize(process.quotaPagedPoolUsage) << "\n";
    out << "QuotaPeakNonPagedPoolUsage=" << formatSize(process.quotaPeakNonPagedPoolUsage) << "\n";
    out << "QuotaPeakPagedPoolUsage=" << formatSize(process.quotaPeakPagedPoolUsage) << "\n";
    out << "WorkingSetSize=" << formatSize(process.workingSetSize) << "\n";

    out << "[Display]\n";
    const QList<DisplayInfo> displays = system.displays();
    for (int n = 0; n < displays.size(); ++n) {
        const DisplayInfo &display = displays.at(n);
        out << "Num" << n << " Adapter=" << display.adapter << "\n";
        out << "Num" << n << " Device=" << display.device << "\n";
        out << "Num" << n << " Resolution=" << display.width << "x" << display.height << "x" << display.depth << "\n";
    }
    const QSize dpi = system.dpi();
    out << "dpiX=" << dpi.width() << "\n";
    out << "dpiY=" << dpi.height() << "\n";

    out << "[Environment]\n";
    const QMap<QString, QString> variables = SystemInfoReportPrivate::environment(system.environment());
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        out << it.key() << "=" << (isSecretVariable(it.key()) ? QStringLiteral("<hidden>") : it.value()) << "\n";

    out << "[Modules Info]\n";
    const QMap<QString, QString> modules = SystemInfoReportPrivate::modules(system.loadedModules());
    for (auto it = modules.cbegin(); it != modules.cend(); ++it)
        out << it.key() << "=" << it.value() << "\n";
    return true;
}

bool isSecretVariable(const QString &name)
{
    static const char *const words[] = {"TOKEN", "SECRET", "PASSWORD", "PASSWD", "KEY", "CREDENTIAL"};
    for (const char *word : words) {
        if (name.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool writeSystemInfoReport(QTextStream &out, qint64 processId)
{
    LinuxSystemInfo system;
    return writeSystemInfoReport(out, processId, system);
}

} // namespace Common
