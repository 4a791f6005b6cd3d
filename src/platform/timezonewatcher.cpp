#include "platform/timezonewatcher.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QFile>
#include <QFileInfo>

#include <ctime>

namespace {
// The TZ value this program set itself, so that a value from the user is told apart.
QByteArray &pinnedValue()
{
    static QByteArray value;
    return value;
}

bool userZoneSet()
{
    return qEnvironmentVariableIsSet("TZ") && qgetenv("TZ") != pinnedValue();
}

void setZone(const QByteArray &value)
{
    qputenv("TZ", value);
    tzset();
}
} // namespace

TimeZoneWatcher::TimeZoneWatcher(const QString &zoneFile, QObject *parent) : QObject(parent), m_zoneFile(zoneFile)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, &TimeZoneWatcher::checkZone);
    m_userZone = userZoneSet();
    if (m_userZone)
        return;
    m_signature = signature();
    apply(zoneValue(m_zoneFile), false);
    watchFolder();
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        bus.connect(QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), this,
                    SLOT(onTimeDateProperties(QString, QVariantMap, QStringList)));
    }
}

void TimeZoneWatcher::pinSystemZone()
{
    if (userZoneSet())
        return;
    pinnedValue() = zoneValue(QString::fromLatin1(kSystemZoneFile));
    setZone(pinnedValue());
}

QByteArray TimeZoneWatcher::zoneValue(const QString &zoneFile)
{
    const QFileInfo info(zoneFile);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        static const QString s_folder = QStringLiteral("/zoneinfo/");
        const qsizetype at = target.lastIndexOf(s_folder);
        if (at >= 0 && QFileInfo(target).isFile()) {
            const QString id = target.mid(at + s_folder.size());
            // "posix/" and "right/" are variants of the same names; the plain one is what TZ names.
            if (!id.isEmpty() && !id.startsWith(QLatin1String("posix/")) && !id.startsWith(QLatin1String("right/")))
                return ':' + id.toUtf8();
        }
    }
    return ':' + zoneFile.toUtf8();
}

QByteArray TimeZoneWatcher::signature() const
{
    QByteArray value = zoneValue(m_zoneFile);
    QFile file(m_zoneFile);
    if (!QFileInfo(m_zoneFile).isSymLink() && file.open(QIODevice::ReadOnly))
        value += QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
    return value;
}

void TimeZoneWatcher::apply(const QByteArray &value, bool changed)
{
    // The C library reads a zone again only when TZ names another: with the same name (a zone file
    // whose content was replaced) it is made to forget the old one first.
    if (changed && value == qgetenv("TZ"))
        setZone("UTC0");
    pinnedValue() = value;
    setZone(value);
    m_zone = value;
}

void TimeZoneWatcher::watchFolder()
{
    // The file is replaced rather than written (a new link is renamed over it): its folder sees that.
    const QString folder = QFileInfo(m_zoneFile).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start),
            Qt::UniqueConnection);
}

void TimeZoneWatcher::checkZone()
{
    if (m_userZone || !QFileInfo::exists(m_zoneFile))
        return;
    const QByteArray now = signature();
    if (now == m_signature)
        return;
    m_signature = now;
    apply(zoneValue(m_zoneFile), true);
    emit zoneChanged();
}

void TimeZoneWatcher::onTimeDateProperties(const QString &interfaceName, const QVariantMap &changed,
                                           const QStringList &invalidated)
{
    if (interfaceName != QLatin1String("org.freedesktop.timedate1"))
        return;
    if (changed.contains(QStringLiteral("Timezone")) || invalidated.contains(QStringLiteral("Timezone")))
        checkZone();
}
