#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

// Keeps the C library's local time zone loaded once and follows changes of the system's zone.
// While TZ is unset, glibc looks at the zone file again for every local-time conversion; with TZ
// naming the resolved zone it reads it once. A change of the zone file (its folder is watched) or
// the time-date service's announcement loads the new zone and gives one zoneChanged().
class TimeZoneWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kSystemZoneFile = "/etc/localtime";

    // Pins the zone at once unless the user set TZ; `zoneFile` stands for /etc/localtime.
    explicit TimeZoneWatcher(const QString &zoneFile = QString::fromLatin1(kSystemZoneFile),
                             QObject *parent = nullptr);

    // Sets TZ to the zone the system file names, unless the user set TZ; call before the first
    // local-time conversion.
    static void pinSystemZone();

    // The TZ value for a zone file: ":Area/City" when it links into a zoneinfo folder, else the
    // file itself (":/etc/localtime"), which the C library then reads once.
    static QByteArray zoneValue(const QString &zoneFile);

    // Whether a zone the user set in TZ is followed instead of the system's (nothing is watched then).
    bool followsUser() const { return m_userZone; }
    QByteArray zone() const { return m_zone; }

public slots:
    // Looks at the zone file again; when it changed, loads it and emits zoneChanged(). A missing
    // file is taken as a change still under way and keeps the zone.
    void checkZone();
    // The time-date service's D-Bus PropertiesChanged.
    void onTimeDateProperties(const QString &interfaceName, const QVariantMap &changed,
                              const QStringList &invalidated);

signals:
    void zoneChanged();

private:
    // What identifies the zone the file holds: the TZ value and, for a file that is no link,
    // its content.
    QByteArray signature() const;
    // Sets TZ to `value`; `changed` makes the C library read the zone again under an unchanged name.
    void apply(const QByteArray &value, bool changed);
    void watchFolder();

    QString m_zoneFile;
    QByteArray m_zone;
    QByteArray m_signature;
    bool m_userZone = false;
    QFileSystemWatcher m_watcher;
    // A folder change comes in several steps (old file removed, new one made): looked at once it settled.
    QTimer m_settle;
};
