#include "core/inifilecheck.h"

#include "core/safefile.h"

#include <QFile>
#include <QFileInfo>

namespace Common {

std::optional<DataFileGuard::Problem> iniTextProblem(const QByteArray &text)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    if (text.contains('\0') || QString::fromUtf8(text).toUtf8() != text)
        return DataFileGuard::Unreadable;
    // The store ends every line it writes; a last line without its end was cut short.
    if (!text.endsWith('\n'))
        return DataFileGuard::Unreadable;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') ? !line.endsWith(']') : !line.contains('='))
            return DataFileGuard::UnknownShape;
    }
    return std::nullopt;
}

void guardIniFile(const QString &path)
{
    // Two handles read the organisation's file: it is checked, and kept, once.
    if ((!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) || DataFileGuard::isTold(path))
        return;
    QFile file;
    if (!openRegularFile(&file, path)) {
        DataFileGuard::noticeAndKeepAside(path, DataFileGuard::Unreadable);
        return;
    }
    if (const std::optional<DataFileGuard::Problem> problem = iniTextProblem(file.readAll()))
        DataFileGuard::noticeAndKeepAside(path, *problem);
}

} // namespace Common
