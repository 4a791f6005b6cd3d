#pragma once

#include "store/ibackupmanager.h"

#include <QByteArray>
#include <QString>
#include <QUndoCommand>

#include <functional>

class Storage;

// Replaces all data from a backup archive; undo and every later redo swap the data before and after it.
class RestoreCommand : public QUndoCommand
{
public:
    RestoreCommand(IBackupManager *manager, const QString &fileName);

    void undo() override;
    void redo() override;

    // Tells the user how the restore went (title, text); the GUI shows a message box, tests record the call.
    using Notifier = std::function<void(const QString &title, const QString &text)>;
    static void setNotifier(const Notifier &notifier);

private:
    void notify(const QString &text);

    IBackupManager *m_manager;
    QString m_fileName;
    BackupMap m_snapshot;
};

// Keeps one item of the blob storage as it was before the caller changed it; undo and redo swap it.
class SaveStorageItemStateCommand : public QUndoCommand
{
public:
    SaveStorageItemStateCommand(Storage *storage, const QByteArray &key, const QString &text);

    void undo() override;
    void redo() override;

private:
    QByteArray currentData() const;

    Storage *m_storage;
    QByteArray m_data;
    QByteArray m_key;
    bool m_firstRedo = true;
};
