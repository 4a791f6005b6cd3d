#pragma once

#include <QPair>
#include <QString>

class ISystemInfo;
class QTextStream;

namespace Common {

// Writes the plain-text report of the machine and of the process, INI-like sections, for support.
// Facts that cannot be read are written empty or 0; the report always completes.
bool writeSystemInfoReport(QTextStream &out, qint64 processId, ISystemInfo &system);
// The same over the running system.
bool writeSystemInfoReport(QTextStream &out, qint64 processId);

// "1023 B", "1 KB", "1536 MB": cut, not rounded.
QString formatSize(quint64 bytes);
// "00100800.000206a7": upper and lower 32 bits of the cpuid signature.
QString formatCpuSignature(quint64 signature);
// The short name of a cpuid vendor text ("GenuineIntel" gives "Intel"); an unknown text comes back unchanged.
QString cpuVendorName(const QByteArray &vendor);
// Base name and four-part version of a shared object from its file name:
// "/usr/lib/libQt6Core.so.6.4.2" gives ("libQt6Core", "6.4.2.0"); no version gives "0.0.0.0".
QPair<QString, QString> moduleNameAndVersion(const QString &path);
// Whether an environment variable's value must stay out of the report: its name holds TOKEN, SECRET,
// PASSWORD, PASSWD, KEY or CREDENTIAL, in any case. The report writes "<hidden>" for its value.
bool isSecretVariable(const QString &name);

} // namespace Common
