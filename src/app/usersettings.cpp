#include "app/usersettings.h"

#include "app/savereporter.h"
#include "core/inifilecheck.h"
#include "core/log.h"
#include "platform/linuxsettingsstore.h"

#include <QFile>
#include <QSettings>

#include <sys/stat.h>

namespace UserSettingsPrivate {

// What tells a replaced file from the one before: a save writes a new file and renames it over the old.
UserSettings::FileSignature fileSignature(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_ino), qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace UserSettingsPrivate

using UserSettingsPrivate::fileSignature;

UserSettings::UserSettings(SaveReporter &reports) : m_reports(reports)
{
    // Checked before the store reads them: it would wait for good on a FIFO in their place. Only the
    // program's instance gets here: no read or write of its own is under way.
    for (const QString &file : LinuxSettingsStore::userFiles()) {
        Common::removeSettingsLeftovers(file);
        Common::guardIniFile(file);
    }
    m_settings = LinuxSettingsStore(Common::guardedIniFormat()).open();
    QR_ASSERT(LinuxSettingsStore::userFiles().contains(m_settings->fileName()));
}

UserSettings::~UserSettings() = default;

QVariant UserSettings::value(const QByteArray &key, const QVariant &defaultValue) const
{
    return m_settings->value(QString::fromLatin1(key), defaultValue);
}

void UserSettings::setValue(const QByteArray &key, const QVariant &value)
{
    const FileSignature before = fileSignature(m_settings->fileName());
    m_settings->setValue(QString::fromLatin1(key), value);
    sync(before);
}

void UserSettings::setValues(const QList<QPair<QByteArray, QVariant>> &values)
{
    const FileSignature before = fileSignature(m_settings->fileName());
    for (const auto &[key, value] : values)
        m_settings->setValue(QString::fromLatin1(key), value);
    sync(before);
}

void UserSettings::sync(const FileSignature &before)
{
    m_settings->sync();
    // The store's error status never clears again, and a failed write leaves the file as it was: a write
    // that went through always replaces the file.
    const QString file = m_settings->fileName();
    if (fileSignature(file) != before)
        m_reports.onSaved(file);
    else
        m_reports.reportSaveFailure(file, tr("The settings file cannot be written."),
                                    tr("The settings are kept while %1 runs and saved with your next change once "
                                       "the file can be written. If you exit now they are lost.")
                                        .arg(QCoreApplication::applicationName()));
}

void UserSettings::remove(const QByteArray &key, bool withDottedChildren)
{
    const QString name = QString::fromLatin1(key);
    const FileSignature before = fileSignature(m_settings->fileName());
    const QStringList keys = m_settings->allKeys();
    m_settings->remove(name);
    if (withDottedChildren) {
        const QString prefix = name + QLatin1Char('.');
        for (const QString &k : keys) {
            if (k.startsWith(prefix))
                m_settings->remove(k);
        }
    }
    // Removing what is not there writes nothing, which must not read as a failure.
    if (m_settings->allKeys().size() != keys.size())
        sync(before);
}
