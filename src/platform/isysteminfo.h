#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// Byte counts of the machine's memory; virtual memory is physical memory plus swap.
struct SystemMemory
{
    quint64 availablePhysical = 0;
    quint64 availableVirtual = 0;
    quint64 totalPhysical = 0;
    quint64 totalVirtual = 0;
};

// Memory counters of one process; counters the system does not keep stay 0.
struct ProcessMemory
{
    quint64 pageFaultCount = 0;
    quint64 pagefileUsage = 0;
    quint64 peakPagefileUsage = 0;
    quint64 peakWorkingSetSize = 0;
    quint64 quotaNonPagedPoolUsage = 0;
    quint64 quotaPagedPoolUsage = 0;
    quint64 quotaPeakNonPagedPoolUsage = 0;
    quint64 quotaPeakPagedPoolUsage = 0;
    quint64 workingSetSize = 0;
};

// One screen of the desktop.
struct DisplayInfo
{
    QString adapter;
    QString device;
    int width = 0;
    int height = 0;
    int depth = 0;
};

// Raw facts about the machine and a process for the system report; a fact that cannot be read is empty or 0.
class ISystemInfo
{
public:
    virtual ~ISystemInfo() = default;

    virtual QString userName() = 0;
    virtual QString hostName() = 0;
    virtual QString kernelType() = 0;
    virtual QString kernelVersion() = 0;
    virtual QString osDescription() = 0;
    // Leaf 1 of cpuid: EBX in the upper 32 bits, EAX in the lower; 0 where there is no cpuid.
    virtual quint64 cpuSignature() = 0;
    // The 12-character vendor text of cpuid leaf 0, such as "GenuineIntel".
    virtual QByteArray cpuVendor() = 0;
    virtual int processorCount() = 0;
    virtual SystemMemory systemMemory() = 0;
    virtual ProcessMemory processMemory(qint64 processId) = 0;
    virtual QList<DisplayInfo> displays() = 0;
    // Logical dots per inch of the primary screen; 0 by 0 without a screen.
    virtual QSize dpi() = 0;
    // File paths of the loaded shared objects in load order, the program first.
    virtual QStringList loadedModules() = 0;
    // "NAME=value" entries.
    virtual QStringList environment() = 0;
};
