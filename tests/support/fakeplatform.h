#pragma once

#include "platform/iautostart.h"
#include "platform/idatalocation.h"
#include "platform/isettingsstore.h"
#include "platform/isoundplayer.h"

#include <QStringList>
#include <QTemporaryDir>

// Test doubles of the platform facilities: private temporary folders, and records of what was asked.

// Settings in an INI file inside a temporary folder; every handle sees the same file.
class FakeSettingsStore : public ISettingsStore
{
public:
    std::unique_ptr<QSettings> open() override;
    QString filePath() const { return m_dir.filePath(QStringLiteral("settings.ini")); }

private:
    QTemporaryDir m_dir;
};

// A temporary data folder; set m_path to point it elsewhere (an empty path means "cannot be made").
class FakeDataLocation : public IDataLocation
{
    QTemporaryDir m_dir; // made before m_path, which starts as its path

public:
    FakeDataLocation() : m_path(m_dir.path()) {}
    QString path() override { return m_path; }

    QString m_path;
};

class FakeAutostart : public IAutostart
{
public:
    bool isOn() const override { return m_on; }
    bool setOn(bool on) override
    {
        if (m_fail)
            return false;
        m_on = on;
        return true;
    }

    bool m_on = false;
    bool m_fail = false;
};

class FakeSoundPlayer : public ISoundPlayer
{
public:
    void play(const QString &path) override { m_played << path; }

    QStringList m_played;
};
