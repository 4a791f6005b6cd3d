#pragma once

#include "core/ibackupobject.h"

#include <QString>

// Carries the user id in the backup archive; a restore writes it to the organisation's settings,
// where the next start reads it.
class UidBackup : public IBackupObject
{
public:
    UidBackup(const QString &uid, const QString &organisation);

    QDateTime lastModified() const override;
    QByteArray backup(bool *ok) override;
    bool restore(const QByteArray &data) override;
    QByteArray name() const override;
    // The id in use: the one given, or the one a restore brought back.
    QString uid() const { return m_uid; }

    // The organisation-wide id, made and stored when there is none yet.
    static QString readOrCreate(const QString &organisation);
    // Whether the text is a braced id of 38 characters.
    static bool isValidUid(const QString &text);

private:
    QString m_uid;
    QString m_organisation;
};
