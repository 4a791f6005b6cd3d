#pragma once

#include "core/ibackupobject.h"

// A store held in memory for backup tests, with switches for failures.
class MemoryBackupObject : public IBackupObject
{
public:
    MemoryBackupObject(const QByteArray &name, const QByteArray &data) : m_name(name), m_data(data) {}

    QDateTime lastModified() const override { return m_modified; }
    QByteArray backup(bool *ok) override
    {
        *ok = !m_failBackup;
        return m_failBackup ? QByteArray() : m_data;
    }
    bool restore(const QByteArray &data) override
    {
        ++m_restores;
        if (m_failRestore)
            return false;
        m_data = data;
        return true;
    }
    QByteArray name() const override { return m_name; }
    qint64 maxRestoreSize() const override { return m_maxRestoreSize; }

    QByteArray m_name;
    QByteArray m_data;
    QDateTime m_modified;
    bool m_failBackup = false;
    bool m_failRestore = false;
    int m_restores = 0;
    qint64 m_maxRestoreSize = s_defaultMaxRestoreSize;
};
