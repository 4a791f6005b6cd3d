#include "store/editorcommands.h"

#include "core/log.h"
#include "core/storage.h"

#include <QBuffer>
#include <QObject>

namespace EditorCommandsPrivate {

RestoreCommand::Notifier &notifier()
{
    static RestoreCommand::Notifier s_notifier;
    return s_notifier;
}

} // namespace EditorCommandsPrivate

RestoreCommand::RestoreCommand(IBackupManager *manager, const QString &fileName)
    : QUndoCommand(QObject::tr("Restore")), m_manager(manager), m_fileName(fileName)
{
}

void RestoreCommand::setNotifier(const Notifier &notifier)
{
    EditorCommandsPrivate::notifier() = notifier;
}

void RestoreCommand::notify(const QString &text)
{
    QR_LOG("Restore: " + text.toUtf8());
    if (const Notifier &n = EditorCommandsPrivate::notifier())
        n(QObject::tr("Restore"), text);
}

void RestoreCommand::redo()
{
    if (!m_snapshot.isEmpty()) {
        undo();
        return;
    }
    bool ok = false;
    m_snapshot = m_manager->backupToMap(&ok);
    if (!ok) {
        // Without a safety copy a failed restore could not be taken back, so none is tried.
        notify(QObject::tr("Cannot restore data from this file"));
        return;
    }
    if (m_manager->restore(m_fileName)) {
        notify(QObject::tr("Data successfully restored"));
        return;
    }
    if (!m_manager->restoreFromMap(m_snapshot))
        QR_LOG("Restore: the data before the restore could not be put back whole");
    notify(QObject::tr("Cannot restore data from this file"));
}

void RestoreCommand::undo()
{
    if (m_snapshot.isEmpty())
        return;
    bool ok = false;
    const BackupMap current = m_manager->backupToMap(&ok);
    if (!ok) {
        QR_LOG("Restore: cannot keep the current data, nothing swapped");
        return;
    }
    if (!m_manager->restoreFromMap(m_snapshot)) {
        QR_LOG("Restore: swapping the data failed, putting the current data back");
        m_manager->restoreFromMap(current);
        return;
    }
    m_snapshot = current;
}

SaveStorageItemStateCommand::SaveStorageItemStateCommand(Storage *storage, const QByteArray &key, const QString &text)
    : QUndoCommand(text), m_storage(storage), m_key(key)
{
}

QByteArray SaveStorageItemStateCommand::currentData() const
{
    if (!m_storage->contains(m_key))
        return QByteArray();
    QBuffer buffer;
    m_storage->read(m_key, &buffer);
    return buffer.data();
}

void SaveStorageItemStateCommand::redo()
{
    const QByteArray current = currentData();
    if (m_firstRedo) {
        m_data = current;
        m_firstRedo = false;
        return;
    }
    if (m_data.isEmpty()) {
        m_storage->erase(m_key);
    } else {
        QBuffer buffer(&m_data);
        buffer.open(QIODevice::ReadOnly);
        if (!m_storage->write(m_key, &buffer)) {
            QR_LOG("Cannot put back storage item " + m_key);
            return;
        }
    }
    m_data = current;
}

void SaveStorageItemStateCommand::undo()
{
    redo();
}
