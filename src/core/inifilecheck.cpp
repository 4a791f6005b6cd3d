#include "core/inifilecheck.h"

#include "core/log.h"
#include "core/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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
    if ((!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) || DataFileGuard::isTold(path) ||
        DataFileGuard::setAsideIfOversized(path))
        return;
    QFile file;
    if (!openRegularFile(&file, path)) {
        DataFileGuard::noticeAndKeepAside(path, DataFileGuard::Unreadable);
        return;
    }
    if (const std::optional<DataFileGuard::Problem> problem = iniTextProblem(file.readAll()))
        DataFileGuard::noticeAndKeepAside(path, *problem);
}

namespace {

// A temporary file beside the store's file; the store's own lock and save files for it start with its name.
bool openBeside(const QIODevice &device, QTemporaryFile *file)
{
    const auto *settings = qobject_cast<const QFileDevice *>(&device);
    if (!settings)
        return false;
    file->setFileTemplate(temporaryFileTemplate(settings->fileName()));
    if (file->open())
        return true;
    QR_LOG("Settings cannot be read or written: no temporary file can be made beside " + settings->fileName().toUtf8() +
           ": " + file->errorString().toUtf8());
    return false;
}

// The store keeps what it read of a file it no longer uses, in case the name comes again; each
// temporary file's name never does, and every write would leave a copy of all settings behind. An
// emptied file is forgotten.
void forgetTemporary(QSettings &ini, QFile &file)
{
    file.resize(0);
    ini.sync();
}

// Both directions go through the store's own INI reader and writer on a temporary file, so the text
// stays exactly what the native form reads and writes.
bool readIni(QIODevice &device, QSettings::SettingsMap &map)
{
    QTemporaryFile file;
    if (device.size() > DataFileGuard::s_largestSettingsFile || !openBeside(device, &file) ||
        file.write(device.readAll()) < 0 || !file.flush())
        return false;
    QSettings ini(file.fileName(), QSettings::IniFormat);
    const QStringList keys = ini.allKeys();
    for (const QString &key : keys)
        map.insert(key, ini.value(key));
    const bool read = ini.status() == QSettings::NoError;
    forgetTemporary(ini, file);
    return read;
}

bool writeIni(QIODevice &device, const QSettings::SettingsMap &map)
{
    if (const auto *target = qobject_cast<QFileDevice *>(&device)) {
        QString error;
        if (!DataFileGuard::keepAside(target->fileName(), &error)) {
            QR_LOG("Settings not written, as no copy of the damaged file could be made: " +
                   target->fileName().toUtf8());
            return false;
        }
    }
    QTemporaryFile file;
    if (!openBeside(device, &file))
        return false;
    file.close();
    QSettings ini(file.fileName(), QSettings::IniFormat);
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        ini.setValue(it.key(), it.value());
    ini.sync();
    QFile written(file.fileName());
    const bool ok = ini.status() == QSettings::NoError && written.open(QIODevice::ReadWrite);
    const QByteArray text = ok ? written.readAll() : QByteArray();
    forgetTemporary(ini, written);
    return ok && device.write(text) == text.size();
}

} // namespace

void removeSettingsLeftovers(const QString &path)
{
    const QFileInfo settings(path);
    const QString name = settings.fileName();
    const QFileInfoList left =
        settings.dir().entryInfoList({name + QLatin1String(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : left) {
        // Only the program's own mark right after the file's name: any other name may be a copy of the user's.
        const QString leftName = info.fileName();
        if (!leftName.startsWith(name) || leftName.size() != temporaryFileTemplate(name).size() ||
            !isTemporaryFileName(leftName))
            continue;
        const bool removed = QFile::remove(info.absoluteFilePath());
        QR_LOG((removed ? "Removed what a settings read or write cut short left: "
                        : "Cannot remove what a settings read or write cut short left: ") +
               info.absoluteFilePath().toUtf8());
    }
}

QSettings::Format guardedIniFormat()
{
    // The native form's extension, so that the files are the ones the native form would use.
    static const QSettings::Format s_format =
        QSettings::registerFormat(QStringLiteral("conf"), readIni, writeIni, Qt::CaseSensitive);
    return s_format;
}

} // namespace Common
