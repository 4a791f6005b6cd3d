#include "platform/osdescription.h"

#include <QSysInfo>

namespace OsDescriptionPrivate {

QString bitness(const QString &architecture)
{
    static const char *const s_64bit[] = {"x86_64",  "arm64", "ia64",    "mips64",      "power64",
                                          "riscv64", "s390x", "sparcv9", "loongarch64", "wasm64"};
    static const char *const s_32bit[] = {"i386", "arm", "mips", "power", "riscv32", "s390", "sparc", "wasm32"};
    for (const char *name : s_64bit) {
        if (architecture == QLatin1String(name))
            return QStringLiteral("64-bit");
    }
    for (const char *name : s_32bit) {
        if (architecture == QLatin1String(name))
            return QStringLiteral("32-bit");
    }
    return QStringLiteral("[Unknown bit version (%1)]").arg(architecture);
}

} // namespace OsDescriptionPrivate

namespace Common {

QString composeOsDescription(const QString &product, const QString &kernelType, const QString &kernelVersion,
                             const QString &architecture)
{
    QString name = product.trimmed();
    if (name.isEmpty())
        name = QStringLiteral("Linux");
    const QString kernel = (kernelType + QLatin1Char(' ') + kernelVersion).trimmed();
    if (!kernel.isEmpty())
        name += QStringLiteral(" (") + kernel + QLatin1Char(')');
    return name + QLatin1Char(' ') + OsDescriptionPrivate::bitness(architecture);
}

QString osDescription()
{
    return composeOsDescription(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
                                QSysInfo::currentCpuArchitecture());
}

} // namespace Common
