#pragma once

#include "core/ibackupobject.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

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

    QString folder() const { return m_folder; }
    QStringList filters() const { return m_filters; }

    using Record = QPair<QString, QByteArray>;
    // Reads packed data into file records; false on malformed data or a name that is not a bare file name.
    static bool unpack(const QByteArray &data, QList<Record> *records, QString *error = nullptr);
    // A bare file name that cannot reach outside the folder.
    static bool isSafeFileName(const QString &name);

    static constexpr int s_maxFiles = 255;
    static constexpr qint64 s_maxFileSize = 16 * 1024 * 1024;
    static constexpr qint8 s_formatVersion = 1;

private:
    const QString m_folder;
    const QStringList m_filters;
    const QByteArray m_name;
};
