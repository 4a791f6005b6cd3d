#pragma once

#include "core/ibackupobject.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Backs up the files of one folder whose names match the filters, packed into one entry.
class FolderBackupObject : public IBackupObject
{
public:
    FolderBackupObject(const QByteArray &name, const QString &folder, const QStringList &filters);

    QDateTime lastModified() const override;
    // Fails when a chosen file cannot be read whole, so a later restore never empties a real file.
    QByteArray backup(bool *ok) override;
    // Checks the whole packed data first; then writes each file atomically and, when one write fails, puts back
    // the files already written.
    bool restore(const QByteArray &data) override;
    QByteArray name() const override { return m_name; }
    // The packed data must unpack, name only files the filters allow, and each file must pass the
    // file check when one is set.
    bool checkRestoreFile(const QString &fileName) override;
    // Each packed file is staged as a file of its own.
    bool restoresByFiles() const override { return true; }
    bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files) override;
    // Also lists the matching files the folder held, so that putting the snapshot back removes the
    // files a restore added.
    QByteArray snapshot(bool *ok) override;
    bool restoreSnapshot(const QByteArray &data) override;

    // Checks one file of an archive's entry (its name and content) with the reader of its owner.
    using FileCheck = std::function<bool(const QString &name, const QByteArray &content)>;
    void setFileCheck(const FileCheck &check) { m_fileCheck = check; }
    // Tells, in the user's words, why a name the filters take is not one of the folder's files; empty for one
    // that is. Such a file is left out of backups, and an entry that holds one is refused.
    using NameRule = std::function<QString(const QString &name)>;
    void setNameRule(const NameRule &rule) { m_nameRule = rule; }
    QString restoreRefusal() const override { return m_refusal; }
    // What the entry holds in the user's words ("to-do lists"), for the reasons of a refused restore.
    void setTitle(const QString &title) { m_title = title; }

    QString folder() const { return m_folder; }
    QStringList filters() const { return m_filters; }

    using Record = QPair<QString, QByteArray>;
    // Reads packed data into file records; false on malformed data, another version or a name that is not
    // a bare file name (then given in `refusedName`).
    static bool unpack(const QByteArray &data, QList<Record> *records, QString *error = nullptr,
                       QString *refusedName = nullptr);
    // A bare file name that cannot reach outside the folder.
    static bool isSafeFileName(const QString &name);

    static constexpr int s_maxFiles = 255;
    static constexpr qint64 s_maxFileSize = 16 * 1024 * 1024;
    static constexpr qint8 s_formatVersion = 1;
    // Starts a snapshot, which packed data never does (its first byte is the version).
    static constexpr char s_snapshotMark[] = "qr-folder-snapshot";

private:
    // The records of an archive's entry file; false, logged and with its reason, when it cannot be read or
    // unpacked.
    bool readRestoreRecords(const QString &fileName, QList<Record> *records);
    // Why a packed file of this name is refused; empty when the filters and the name rule take it.
    QString refusal(const QString &name) const;
    // Why a name is refused, in the user's words.
    QString nameRefusal(const QString &name) const;

    const QString m_folder;
    const QStringList m_filters;
    const QByteArray m_name;
    FileCheck m_fileCheck;
    NameRule m_nameRule;
    QString m_title;
    QString m_refusal;
};
