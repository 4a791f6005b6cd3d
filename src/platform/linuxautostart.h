#pragma once

#include "platform/iautostart.h"

#include <QString>

// An XDG autostart entry ("autostart/quillane-reminder.desktop" in the user's config folder)
// that starts the program with the argument "SILENTMODE".
class LinuxAutostart : public IAutostart
{
public:
    // Empty arguments mean the running program and the user's config folder.
    explicit LinuxAutostart(const QString &programPath = QString(), const QString &configFolder = QString());

    bool isOn() const override;
    bool setOn(bool on) override;

    QString entryPath() const { return m_entryPath; }
    // The text of the entry that setOn(true) writes.
    QByteArray entryText() const;

private:
    QString m_programPath;
    QString m_entryPath;
};
