#pragma once

#include <QMetaType>
#include <QString>

// Result of the update check.
struct LastVersionInfo
{
    QString version;
    QString infoUrl;
    QString downloadUrl;
    QString whatsNew;
};
Q_DECLARE_METATYPE(LastVersionInfo)
