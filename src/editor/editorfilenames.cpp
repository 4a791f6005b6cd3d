#include "editor/editorfilenames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace EditorFileNames {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Editor", text);
}

QString oneSuffix(const QString &name, const char *suffix)
{
    return name + QStringLiteral(" (*.%1)").arg(QLatin1String(suffix));
}

} // namespace

QString importFilter(const QString &applicationName)
{
    return QStringLiteral("%1;;%2;;%3;;%4")
        .arg(tr("Event Files") + QStringLiteral(" (*.%1 *.%2 *.%3)").arg("evt", "ics", "csv"),
             oneSuffix(applicationName, "evt"), oneSuffix(QStringLiteral("iCalendar"), "ics"),
             oneSuffix(QStringLiteral("CSV"), "csv"));
}

QString exportFilter()
{
    return oneSuffix(tr("Event Files"), "evt");
}

QString backupFilter()
{
    return oneSuffix(tr("Quillane Backup File"), "qbf");
}

QString withSuffix(const QString &fileName, const QString &suffix)
{
    if (fileName.isEmpty() || QFileInfo(fileName).suffix().compare(suffix, Qt::CaseInsensitive) == 0)
        return fileName;
    return fileName + QLatin1Char('.') + suffix;
}

QString proposedBackupPath(const QString &folder, const QDate &today)
{
    const QString name = QStringLiteral("Quillane Reminder ") + today.toString(QStringLiteral("yyyy-MM-dd"));
    return QDir::toNativeSeparators(QDir(folder).filePath(name));
}

} // namespace EditorFileNames
