#include "platform/timezonewatcher.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <atomic>
#include <cstring>
#include <ctime>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {
// The TZ value this program set itself, so that a value from the user is told apart.
QByteArray &pinnedValue()
{
    static QByteArray value;
    return value;
}

// The zone file pinned at the start and what it held then: a watcher made later compares with it.
QString &pinnedFile()
{
    static QString file;
    return file;
}

QByteArray &pinnedSignature()
{
    static QByteArray signature;
    return signature;
}

std::atomic<int> s_zoneGeneration{-1};

bool userZoneSet()
{
    return qEnvironmentVariableIsSet("TZ") && qgetenv("TZ") != pinnedValue();
}

void setZone(const QByteArray &value)
{
    qputenv("TZ", value);
    tzset();
    if (s_zoneGeneration >= 0)
        ++s_zoneGeneration;
}
} // namespace

TimeZoneWatcher::TimeZoneWatcher(const QString &zoneFile, QObject *parent)
    : QObject(parent), m_zoneFile(zoneFile), m_settle(this)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(100);
    connect(&m_settle, &QTimer::timeout, this, &TimeZoneWatcher::checkZone);
    m_userZone = userZoneSet();
    if (m_userZone)
        return;
    // Watched before it is read: a change after the reading is notified.
    watch();
    m_signature = signature(m_zoneFile);
    // Until now nothing watched the zone: what was worked out since the pin may be in the old one.
    const bool changedSincePin = s_zoneGeneration >= 0 && pinnedFile() == m_zoneFile && QFileInfo::exists(m_zoneFile) &&
                                 m_signature != pinnedSignature();
    apply(zoneValue(m_zoneFile), changedSincePin);
    if (changedSincePin)
        QMetaObject::invokeMethod(this, &TimeZoneWatcher::zoneChanged, Qt::QueuedConnection);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        bus.connect(QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), this,
                    SLOT(onTimeDateProperties(QString, QVariantMap, QStringList)));
    }
}

TimeZoneWatcher::~TimeZoneWatcher()
{
    m_notifier.reset();
#ifdef Q_OS_LINUX
    if (m_inotify >= 0)
        ::close(m_inotify);
#endif
}

void TimeZoneWatcher::pinSystemZone(const QString &zoneFile)
{
    if (userZoneSet())
        return;
    pinnedFile() = zoneFile;
    pinnedSignature() = signature(zoneFile);
    pinnedValue() = zoneValue(zoneFile);
    setZone(pinnedValue());
    s_zoneGeneration = 0;
}

int TimeZoneWatcher::zoneGeneration()
{
    return s_zoneGeneration;
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

QByteArray TimeZoneWatcher::signature(const QString &zoneFile)
{
    QByteArray value = zoneValue(zoneFile);
    QFile file(zoneFile);
    if (!QFileInfo(zoneFile).isSymLink() && file.open(QIODevice::ReadOnly))
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

void TimeZoneWatcher::watch()
{
#ifdef Q_OS_LINUX
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return;
    // The zone is mostly changed by putting a new link at the name: the folder sees that. Only what
    // arrives counts (a removed zone file keeps the zone until the new one comes), and writes to the
    // folder's other files are not asked for.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_zoneFile).absolutePath());
    m_folderWatch = ::inotify_add_watch(m_inotify, folder.constData(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    watchFile();
    m_notifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TimeZoneWatcher::onNotified);
#endif
}

void TimeZoneWatcher::watchFile()
{
#ifdef Q_OS_LINUX
    // Follows a link, so a zone file rewritten in place is seen wherever it lies. A new file at the
    // name gets a watch of its own, and the file it replaced (a zone the link left) loses its.
    const QByteArray path = QFile::encodeName(m_zoneFile);
    const int watch = ::inotify_add_watch(m_inotify, path.constData(), IN_CLOSE_WRITE);
    if (m_fileWatch >= 0 && watch != m_fileWatch)
        ::inotify_rm_watch(m_inotify, m_fileWatch);
    m_fileWatch = watch;
#endif
}

void TimeZoneWatcher::onNotified()
{
#ifdef Q_OS_LINUX
    const QByteArray name = QFile::encodeName(QFileInfo(m_zoneFile).fileName());
    alignas(inotify_event) char buffer[4096];
    bool concerned = false;
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t at = 0; at < length;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char *eventName = buffer + at + sizeof event;
            if (event.wd == m_fileWatch && m_fileWatch >= 0 && (event.mask & IN_CLOSE_WRITE))
                concerned = true;
            else if (event.wd == m_folderWatch && event.len > 0 && name == eventName)
                concerned = true;
            at += ssize_t(sizeof event + event.len);
        }
    }
    if (!concerned)
        return;
    watchFile();
    m_settle.start();
#endif
}

void TimeZoneWatcher::checkZone()
{
    if (m_userZone || !QFileInfo::exists(m_zoneFile))
        return;
    const QByteArray now = signature(m_zoneFile);
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
