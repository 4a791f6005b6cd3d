#include "core/jsonsettingsfile.h"

#include "core/datafileguard.h"
#include "core/jsonparser.h"
#include "core/log.h"
#include "core/safefile.h"
#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Common {

bool JsonSettingsFile::loadFailed() const
{
    return DataFileGuard::isNoticed(m_fileName);
}

JsonSettingsFile::JsonSettingsFile(const QString &fileName, QObject *parent) : QObject(parent), m_fileName(fileName)
{
    load();
}

void JsonSettingsFile::load()
{
    QFile file(m_fileName);
    // Another program may write the file too: what it holds when this one writes is kept aside unless read here.
    DataFileGuard::watchUnread(m_fileName, !file.exists());
    if (!file.exists()) {
        const QString folder = QFileInfo(m_fileName).absolutePath();
        if (!QDir(folder).exists())
            makePrivateFolder(folder);
        return; // a new list: nothing to read and nothing wrong
    }
    QString error;
    const QByteArray text = openRegularFile(&file, m_fileName, &error) ? file.readAll() : QByteArray();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        qWarning("Settings File %s", qPrintable(file.isOpen() ? file.errorString() : error));
        // A file that is there but cannot be read must not be replaced by what little we hold.
        DataFileGuard::notice(m_fileName, DataFileGuard::Unreadable);
        return;
    }
    DataFileGuard::watch(m_fileName, text);
    try {
        const QVariant top = readJson(text);
        if (top.userType() != QMetaType::QVariantMap) {
            // Text that is not an object is no settings of ours, but it may be somebody's data.
            if (!(top.userType() == QMetaType::QString && top.toString().isEmpty()))
                DataFileGuard::notice(m_fileName, DataFileGuard::UnknownShape);
            return;
        }
        const QVariantMap map = top.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            m_values.insert(it.key().toUtf8(), it.value());
    } catch (const std::exception &e) {
        qWarning("Settings File %s", e.what());
        DataFileGuard::notice(m_fileName, DataFileGuard::Unreadable);
    }
}

QVariant JsonSettingsFile::value(const QByteArray &key, const QVariant &defaultValue) const
{
    return m_values.value(key, defaultValue);
}

bool JsonSettingsFile::setValue(const QByteArray &key, const QVariant &value)
{
    m_values.insert(key, value);
    return save();
}

bool JsonSettingsFile::remove(const QByteArray &key, bool byPrefix)
{
    if (byPrefix) {
        for (auto it = m_values.begin(); it != m_values.end();) {
            if (it.key().startsWith(key))
                it = m_values.erase(it);
            else
                ++it;
        }
    } else {
        m_values.remove(key);
    }
    return save();
}

bool JsonSettingsFile::save()
{
    QVariantMap map;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        map.insert(QString::fromUtf8(it.key()), it.value());
    QString error;
    if (!DataFileGuard::writeFile(m_fileName, toJson(map), &error)) {
        qWarning("Settings File %s %s", qPrintable(error), qPrintable(m_fileName));
        emit saveFailed(m_fileName, error);
        return false;
    }
    emit saved(m_fileName);
    return true;
}

} // namespace Common
