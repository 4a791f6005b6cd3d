#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

class QSocketNotifier;

// Keeps the C library's local time zone loaded once and follows changes of the system's zone.
// While TZ is unset, glibc looks at the zone file again for every local-time conversion; with TZ
// naming the resolved zone it reads it once. A change of the zone file (a new file or link put at its
// name in its folder, or the file written in place) or the time-date service's announcement loads the
// new zone and gives one zoneChanged(). Other changes in the folder cost a look at a name, no more.
class TimeZoneWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kSystemZoneFile = "/etc/localtime";

    // Pins the zone at once unless the user set TZ; `zoneFile` stands for /etc/localtime. A zone
    // that differs from the one pinned for the same file is a change: zoneChanged() follows from
    // the event loop, once the owner is connected.
    explicit TimeZoneWatcher(const QString &zoneFile = QString::fromLatin1(kSystemZoneFile), QObject *parent = nullptr);
    ~TimeZoneWatcher() override;

    // Sets TZ to the zone the system file names, unless the user set TZ; call before the first
    // local-time conversion.
    static void pinSystemZone(const QString &zoneFile = QString::fromLatin1(kSystemZoneFile));
    // Once the zone is pinned, TZ changes only here: a number that grows with each change, so that
    // readers of the clock need not look TZ up each time. -1 while TZ may change from elsewhere.
    static int zoneGeneration();

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
    void onTimeDateProperties(const QString &interfaceName, const QVariantMap &changed, const QStringList &invalidated);

signals:
    void zoneChanged();

private:
    // What identifies the zone the file holds: the TZ value and, for a file that is no link,
    // its content.
    static QByteArray signature(const QString &zoneFile);
    // Sets TZ to `value`; `changed` makes the C library read the zone again under an unchanged name.
    void apply(const QByteArray &value, bool changed);
    void watch();
    // Watches what the zone file's name now stands for (the link's target, or the file).
    void watchFile();
    void onNotified();

    QString m_zoneFile;
    QByteArray m_zone;
    QByteArray m_signature;
    bool m_userZone = false;
    int m_inotify = -1;
    int m_folderWatch = -1;
    int m_fileWatch = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // A folder change comes in several steps (old file removed, new one made): looked at once it settled.
    QTimer m_settle;
};
