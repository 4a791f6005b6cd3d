#pragma once

#include "core/ibackupobject.h"

#include <QString>

// Backs up one file whole. Stores that keep their data in a file derive from it and
// override restore() to reload after the file was replaced.
class FileBackupObject : public IBackupObject
{
public:
    explicit FileBackupObject(const QString &fileName);

    QDateTime lastModified() const override;
    QByteArray backup(bool *ok) override;
    // Replaces the file atomically: a failed write keeps the old file.
    bool restore(const QByteArray &data) override;
    QByteArray name() const override;
    // Moves the unpacked entry into place; objects that reload after a restore override it too.
    bool restoreFromFile(const QString &fileName) override;
    // The unpacked entry is the file; derived stores reload in reloadAfterRestore().
    bool restoresByFiles() const override { return true; }
    bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files) override;
    // Also tells whether the file was there, so that taking a restore back removes a file it added.
    QByteArray snapshot(bool *ok) override;
    bool restoreSnapshot(const QByteArray &data) override;
    // Writes the file (or removes it when the snapshot had none) without reloading.
    bool writeSnapshotFiles(const QByteArray &data) override;

    QString backupFileName() const { return m_fileName; }

private:
    const QString m_fileName;
};
