#include "app/usersettings.h"

#include "app/savereporter.h"
#include "core/datafileguard.h"
#include "core/inifilecheck.h"
#include "core/log.h"
#include "core/safefile.h"
#include "core/settingkeys.h"
#include "platform/linuxsettingsstore.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The bytes the settings file held for the table after "@Variant(": the stream of its value in the oldest layout.
constexpr QDataStream::Version kTableStreamVersion = QDataStream::Qt_4_0;

QByteArray tableBytes(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kTableStreamVersion);
    out << value;
    // Kept for the run: without the room the stream grew ahead.
    bytes.squeeze();
    return bytes;
}

// False when the bytes are not one list whole.
bool readTableBytes(const QByteArray &bytes, QVariant *value)
{
    QDataStream in(bytes);
    in.setVersion(kTableStreamVersion);
    in >> *value;
    return in.status() == QDataStream::Ok && in.atEnd() && value->typeId() == QMetaType::QVariantList;
}

// The last look and the readings shown ride in the table's list as maps of their own; a build that knows
// only the table reads each as an entry without a date and drops it.
const QString s_lookItem = QString::fromLatin1(Setting::ReminderLastLook);
const QString s_shownItem = QString::fromLatin1(Setting::ReminderShown);

QVariantMap takeItems(QVariant *table)
{
    QVariantMap items;
    QVariantList list = table->toList();
    for (auto it = list.begin(); it != list.end();) {
        const QVariantMap map = it->typeId() == QMetaType::QVariantMap ? it->toMap() : QVariantMap();
        const QString name = map.contains(s_lookItem) ? s_lookItem : s_shownItem;
        if (map.contains(name)) {
            items.insert(name, map.value(name));
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    *table = list;
    return items;
}

// An item's value from its stream; invalid for none.
QVariant streamedValue(const QByteArray &bytes)
{
    QVariant value;
    if (!bytes.isEmpty()) {
        QDataStream in(bytes);
        in.setVersion(kTableStreamVersion);
        in >> value;
    }
    return value;
}

QVariant withItems(const QVariant &table, const QMap<QString, QByteArray> &items)
{
    QVariantList list = table.toList();
    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        const QVariant value = streamedValue(it.value());
        if (value.isValid())
            list.append(QVariantMap{{it.key(), value}});
    }
    return list;
}

} // namespace UserSettingsPrivate

using namespace UserSettingsPrivate;

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
    m_tableFile = tableFileFor(m_settings->fileName());
    Common::removeSettingsLeftovers(m_tableFile);
}

QString UserSettings::tableFileFor(const QString &settingsFile)
{
    return QFileInfo(settingsFile).dir().filePath(QStringLiteral("reminder.dat"));
}

bool UserSettings::isTableKey(const QByteArray &key) const
{
    return key == Setting::Reminders || key == Setting::ReminderLastLook || key == Setting::ReminderShown;
}

void UserSettings::readTable() const
{
    if (m_tableRead)
        return;
    m_tableRead = true;
    using Common::DataFileGuard;
    if (DataFileGuard::setAsideIfOversized(m_tableFile))
        return;
    QFile file;
    if (!Common::openRegularFile(&file, m_tableFile, nullptr, false)) {
        // Not there yet, or not a file: what the settings file holds stands.
        if (QFileInfo(m_tableFile).isSymLink() || QFileInfo::exists(m_tableFile))
            DataFileGuard::notice(m_tableFile, DataFileGuard::Unreadable);
        return;
    }
    QVariant table;
    if (file.size() > 0 && !readTableBytes(file.readAll(), &table)) {
        DataFileGuard::notice(m_tableFile, DataFileGuard::Unreadable);
        return;
    }
    const QVariantMap items = takeItems(&table);
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        m_items.insert(it.key(), tableBytes(it.value()));
    m_table = tableBytes(table);
    m_tableInFile = true;
    // An older build keeps the table in the settings file: after it ran, the later of the two stands.
    const QString key = QString::fromLatin1(Setting::Reminders);
    if (m_settings->contains(key)) {
        if (fileSignature(m_settings->fileName()).modifiedNs > fileSignature(m_tableFile).modifiedNs)
            m_tableInFile = false;
        else
            m_settings->remove(key); // not to win once another setting's write makes that file the later
    }
}

QVariant UserSettings::lastLook() const
{
    const QVariant old = m_settings->value(s_lookItem);
    const QVariant look = streamedValue(m_items.value(s_lookItem));
    if (!old.isValid())
        return look;
    if (!look.isValid())
        return old;
    const auto at = [](const QVariant &look) { return QDateTime::fromString(look.toString(), Qt::ISODateWithMs); };
    return at(old) > at(look) ? old : look;
}

void UserSettings::writeTable()
{
    Common::dropLink(m_tableFile);
    // No copy can be read of a file of the program's own that its mode keeps from being opened: it is moved aside
    // whole, as nothing else uses it.
    QFile unopened;
    if (Common::DataFileGuard::isNoticed(m_tableFile) && QFileInfo(m_tableFile).isFile() &&
        !Common::openRegularFile(&unopened, m_tableFile))
        Common::copyAsideUnderFreeName(m_tableFile, QString(), m_tableFile);
    QString error;
    if (!Common::DataFileGuard::writeFile(m_tableFile, tableBytes(withItems(streamedValue(m_table), m_items)),
                                          &error)) {
        m_reports.reportSaveFailure(m_tableFile, error,
                                    tr("The reminders are kept while %1 runs and saved with the next change once "
                                       "the file can be written. If you exit now they are lost.")
                                        .arg(QCoreApplication::applicationName()));
        return;
    }
    m_reports.onSaved(m_tableFile);
    // A settings file from before holds the table and its look: the file of their own stands for them now.
    const FileSignature before = fileSignature(m_settings->fileName());
    bool dropped = false;
    for (const char *key : {Setting::Reminders, Setting::ReminderLastLook}) {
        if (m_settings->contains(QString::fromLatin1(key))) {
            m_settings->remove(QString::fromLatin1(key));
            dropped = true;
        }
    }
    if (dropped)
        sync(before);
}

UserSettings::~UserSettings() = default;

QVariant UserSettings::value(const QByteArray &key, const QVariant &defaultValue) const
{
    if (isTableKey(key)) {
        readTable();
        if (key != Setting::Reminders) {
            const QVariant item =
                key == Setting::ReminderLastLook ? lastLook() : streamedValue(m_items.value(QString::fromLatin1(key)));
            return item.isValid() ? item : defaultValue;
        }
        if (m_tableInFile)
            return streamedValue(m_table);
    }
    return m_settings->value(QString::fromLatin1(key), defaultValue);
}

void UserSettings::setValue(const QByteArray &key, const QVariant &value)
{
    setValues({{key, value}});
}

void UserSettings::setValues(const QList<QPair<QByteArray, QVariant>> &values)
{
    const FileSignature before = fileSignature(m_settings->fileName());
    bool inSettings = false;
    bool inTable = false;
    for (const auto &[key, value] : values) {
        if (isTableKey(key)) {
            if (!inTable) {
                readTable();
                // What a settings file from before holds moves with the first write.
                if (!m_tableInFile)
                    m_table = tableBytes(m_settings->value(QString::fromLatin1(Setting::Reminders)));
                m_items.insert(s_lookItem, tableBytes(lastLook()));
                m_tableInFile = true;
                inTable = true;
            }
            if (key == Setting::Reminders)
                m_table = tableBytes(value);
            else
                m_items.insert(QString::fromLatin1(key), tableBytes(value));
        } else {
            m_settings->setValue(QString::fromLatin1(key), value);
            inSettings = true;
        }
    }
    // The table and its look in one write of their file.
    if (inTable)
        writeTable();
    if (inSettings)
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
    if (key == Setting::Reminders) {
        if (Common::dropLink(m_tableFile) && QFile::exists(m_tableFile) && !QFile::remove(m_tableFile))
            QR_LOG("Cannot remove " + m_tableFile.toUtf8());
        m_table.clear();
        m_items.clear();
        m_tableInFile = false;
        m_tableRead = true;
    }
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
