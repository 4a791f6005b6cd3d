#pragma once

#include "platform/isysteminfo.h"

// System facts from Linux: /proc, sysinfo(2), cpuid, the dynamic linker and the screens Qt knows.
class LinuxSystemInfo : public ISystemInfo
{
public:
    // procRoot: where the proc file system is mounted; tests point it at a folder of their own.
    explicit LinuxSystemInfo(const QString &procRoot = QStringLiteral("/proc"));

    QString userName() override;
    QString hostName() override;
    QString kernelType() override;
    QString kernelVersion() override;
    QString osDescription() override;
    quint64 cpuSignature() override;
    QByteArray cpuVendor() override;
    int processorCount() override;
    SystemMemory systemMemory() override;
    ProcessMemory processMemory(qint64 processId) override;
    QList<DisplayInfo> displays() override;
    QSize dpi() override;
    QStringList loadedModules() override;
    QStringList environment() override;

private:
    QString m_procRoot;
};
