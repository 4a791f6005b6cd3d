#pragma once

#include <QByteArray>
#include <QDateTime>

// One thing a backup archive holds: a store that can hand out its whole data and take it back.
class IBackupObject
{
public:
    // The newest change of the object's data; null when the object cannot tell.
    virtual QDateTime lastModified() const = 0;
    // The whole data; `ok` is set true on success and false on failure.
    virtual QByteArray backup(bool *ok) = 0;
    // Replaces the data; true on success.
    virtual bool restore(const QByteArray &data) = 0;
    // The entry name in the archive.
    virtual QByteArray name() const = 0;
    virtual ~IBackupObject() = default;
};
