#include "platform/singleinstance.h"

#include "platform/privatefolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace SingleInstancePrivate {

// The receipt the instance writes back once it has the whole message.
constexpr char kReceipt = '\x06';
// The line the instance adds to its locks, after what QLockFile wrote: where it listens.
const QByteArray s_serverLine("server ");
// A socket's whole path must fit into the address the kernel takes, with its closing zero.
constexpr int kMaxSocketPathBytes = int(sizeof(sockaddr_un::sun_path)) - 1;

bool fitsSocketPath(const QString &path)
{
    return QFile::encodeName(path).size() <= kMaxSocketPathBytes;
}

// Where the lock at `lockPath` says its holder listens; empty when it does not say.
QString serverOfLock(const QString &lockPath)
{
    QFile lock(lockPath);
    QString server;
    if (lock.open(QIODevice::ReadOnly))
        for (const QByteArray &line : lock.readAll().split('\n'))
            if (line.startsWith(s_serverLine))
                server = QFile::decodeName(line.mid(s_serverLine.size()));
    return server;
}

// A new folder of this user's alone, with a path short enough for a socket named `name` in it: in the
// temporary folder, or in /tmp when that one's path is long. Empty when none can be made.
QString makeShortFolder(const QString &name)
{
    for (const QString &base : {QDir::tempPath(), QStringLiteral("/tmp")}) {
        QByteArray pattern = QFile::encodeName(QDir(base).filePath(QStringLiteral("qr-XXXXXX")));
        if (!fitsSocketPath(QFile::decodeName(pattern) + QLatin1Char('/') + name))
            continue;
        if (::mkdtemp(pattern.data()))
            return QFile::decodeName(pattern);
    }
    return QString();
}

// The socket and the short folder a killed instance left, once its lock has been taken over.
void removeLeftSocket(const QString &server, const QString &folder)
{
    const QString socketFolder = QFileInfo(server).path();
    if (server.isEmpty() || socketFolder == folder || !SingleInstance::isPrivateFolder(socketFolder, ::getuid()))
        return;
    QLocalServer::removeServer(server);
    QDir().rmdir(socketFolder);
}

// Without a session runtime folder the lock goes into the user's own cache, never into a shared
// temporary folder where another user could plant a lock or a socket of the same name.
QString defaultFolder(QString *error)
{
    return SingleInstance::chooseFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                        SingleInstance::cacheFolderInUse(QString()), error);
}

} // namespace SingleInstancePrivate

bool SingleInstance::isPrivateFolder(const QString &path, uint uid)
{
    struct stat info;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == uid && (info.st_mode & 077) == 0;
}

QString SingleInstance::cacheFolderInUse(const QString &runtimeFolder)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!runtimeFolder.isEmpty() || cache.isEmpty() ||
        isPrivateFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), ::getuid()))
        return QString();
    return QDir(cache).filePath(QStringLiteral("runtime"));
}

QString SingleInstance::chooseFolder(const QString &sessionFolder, const QString &privateFolder, QString *error)
{
    const uint uid = ::getuid();
    if (isPrivateFolder(sessionFolder, uid))
        return sessionFolder;
    if (!sessionFolder.isEmpty())
        qWarning("The runtime folder \"%s\" is not private to this user; it is not used",
                 qUtf8Printable(sessionFolder));
    QString why;
    if (privateFolder.isEmpty()) {
        why = QStringLiteral("no folder of the user's own is known");
    } else {
        Common::makePrivateFolder(privateFolder);
        struct stat info;
        // Only a folder of our own is made private; anything else is refused below.
        const QByteArray path = QFile::encodeName(privateFolder);
        if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == uid)
            ::chmod(path.constData(), 0700);
        if (isPrivateFolder(privateFolder, uid))
            return privateFolder;
        why = QStringLiteral("\"%1\" cannot be made a folder private to this user").arg(privateFolder);
    }
    if (error)
        *error = why;
    return QString();
}

SingleInstance::SingleInstance(const QString &appId, QObject *parent, const QString &runtimeFolder,
                               const QString &dataFolder)
    : QObject(parent),
      m_folder(runtimeFolder.isEmpty() ? SingleInstancePrivate::defaultFolder(&m_error) : runtimeFolder)
{
    // Per user, also when several users share a temporary folder.
    const QString base = appId + QLatin1Char('-') + QString::number(getuid());
    m_socketName = base + QStringLiteral(".socket");
    m_serverName = QDir(m_folder).filePath(m_socketName);
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(base + QStringLiteral(".lock")));
    // Only a dead holder makes the lock stale, never its age: the instance may run for months.
    m_lock->setStaleLockTime(0);
    if (!dataFolder.isEmpty()) {
        m_dataLock = std::make_unique<QLockFile>(QDir(dataFolder).filePath(QStringLiteral("instance.lock")));
        m_dataLock->setStaleLockTime(kDataLockStaleMs);
        m_renewal.setInterval(kDataLockRenewMs);
        connect(&m_renewal, &QTimer::timeout, this, &SingleInstance::renewDataLock);
    }
}

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
        QLocalServer::removeServer(m_serverName);
    }
    if (!m_shortFolder.isEmpty())
        QDir().rmdir(m_shortFolder);
}

QString SingleInstance::lockFilePath() const
{
    return m_lock->fileName();
}

QString SingleInstance::serverName() const
{
    // The instance of the runtime folder says in its lock where it listens, once it does.
    const QString locked =
        m_running && m_holder.isEmpty() ? SingleInstancePrivate::serverOfLock(lockFilePath()) : QString();
    return locked.isEmpty() ? m_serverName : locked;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

QString SingleInstance::dataFolderHeldText() const
{
    if (m_holder.isEmpty())
        return QString();
    const QString folder = QFileInfo(dataLockFilePath()).path();
    return tr("%1 already runs on the data folder \"%2\", as %3.")
        .arg(QCoreApplication::applicationName(), folder, m_holder);
}

QString SingleInstance::handOverFailedText() const
{
    if (!dataFolderHeldText().isEmpty())
        return dataFolderHeldText() +
               tr("\n\nIt does not start a second time, so that two copies cannot overwrite each other's changes. "
                  "End the running copy, then start it again. A copy on another computer that stopped without "
                  "ending frees the folder %1 minutes later.")
                   .arg(kDataLockStaleMs / 60000);
    if (!m_error.isEmpty())
        return tr("%1 cannot make sure that it runs only once: %2.\n\nIt does not start, so that two copies "
                  "cannot overwrite each other's changes. Put that right, then start it again.")
            .arg(QCoreApplication::applicationName(), m_error);
    return tr("%1 is already running but does not answer.\n\nIt does not start a second time, so that two "
              "copies cannot overwrite each other's changes. Wait a moment or end the running copy, then start "
              "it again.")
        .arg(QCoreApplication::applicationName());
}

bool SingleInstance::isRunning()
{
    if (m_decided)
        return m_running;
    m_decided = true;
    // Without a lock this process cannot know that it is alone: it must not take itself for the instance.
    m_running = true;
    if (m_folder.isEmpty()) {
        qWarning("No private folder for the instance lock: %s", qUtf8Printable(m_error));
        return m_running;
    }
    Common::makePrivateFolder(m_folder);
    const QString leftServer = SingleInstancePrivate::serverOfLock(lockFilePath());
    if (!m_lock->tryLock(100)) {
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_error = QStringLiteral("the lock \"%1\" cannot be created (is its folder writable, with free "
                                     "space?)")
                          .arg(lockFilePath());
            qWarning("Cannot create the instance lock: %s", qUtf8Printable(m_error));
        }
        return m_running;
    }
    if (m_dataLock && !holdDataFolder()) {
        m_lock->unlock();
        return m_running;
    }
    // We hold the lock, so a socket file left here belongs to a dead instance.
    QLocalServer::removeServer(m_serverName);
    SingleInstancePrivate::removeLeftSocket(leftServer, m_folder);
    // A long folder (a long home without a runtime folder) has no room for the socket's path.
    if (!SingleInstancePrivate::fitsSocketPath(m_serverName)) {
        m_shortFolder = SingleInstancePrivate::makeShortFolder(m_socketName);
        if (!m_shortFolder.isEmpty())
            m_serverName = QDir(m_shortFolder).filePath(m_socketName);
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    if (!m_server->listen(m_serverName))
        qWarning("Cannot listen for other instances at \"%s\": %s", qUtf8Printable(m_serverName),
                 qUtf8Printable(m_server->errorString()));
    // Other starts read where to find it from the locks.
    const QByteArray serverLine = SingleInstancePrivate::s_serverLine + QFile::encodeName(m_serverName) + '\n';
    for (const QString &path : {lockFilePath(), dataLockFilePath()}) {
        QFile lock(path);
        if (!path.isEmpty() && lock.open(QIODevice::Append))
            lock.write(serverLine);
    }
    m_running = false;
    return false;
}

bool SingleInstance::holdDataFolder()
{
    const QString path = m_dataLock->fileName();
    // Made by the instance only. Without it there is nothing to hold: the start ends on that later.
    if (!Common::makePrivateFolder(QFileInfo(path).path()))
        return true;
    // The lock is the program's own: a link at its place, to a data file say, is never read or written.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    if (m_dataLock->tryLock(100)) {
        m_renewal.start();
        return true;
    }
    if (m_dataLock->error() != QLockFile::LockFailedError) {
        // A folder another user made: no room is not why, and making it private is not ours to do. On a read-only
        // mount, whoever it shows as the owner, the lock cannot be written at all.
        struct stat info;
        const QString folder = QFileInfo(path).path();
        if (::stat(QFile::encodeName(folder).constData(), &info) == 0 && info.st_uid != ::getuid() &&
            !Common::isReadOnlyMount(folder))
            m_error = QStringLiteral("the data folder \"%1\" belongs to another user and cannot be made private "
                                     "to this one")
                          .arg(folder);
        else
            m_error = QStringLiteral("the lock \"%1\" cannot be created (is its folder writable, with free space?)")
                          .arg(path);
        qWarning("Cannot create the data folder's lock: %s", qUtf8Printable(m_error));
        return false;
    }
    qint64 pid = 0;
    QString host;
    m_dataLock->getLockInfo(&pid, &host, nullptr);
    m_holder = tr("process %1 on %2").arg(pid).arg(host);
    // Its socket can be reached on this host only; elsewhere the same path may be another's, or none.
    m_serverName = host == QSysInfo::machineHostName() ? SingleInstancePrivate::serverOfLock(path) : QString();
    return false;
}

void SingleInstance::renewDataLock()
{
    qint64 pid = 0;
    QString host;
    if (m_dataLock->getLockInfo(&pid, &host, nullptr) &&
        (pid != QCoreApplication::applicationPid() || host != QSysInfo::machineHostName())) {
        qWarning("The data folder's lock was taken over by process %lld on %s", pid, qUtf8Printable(host));
        m_renewal.stop();
    } else {
        ::utimensat(AT_FDCWD, QFile::encodeName(m_dataLock->fileName()).constData(), nullptr, 0);
    }
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs, const std::function<bool()> &waitLonger)
{
    const QByteArray payload = message.toUtf8() + '\n';
    // A bare socket name would be looked up in the shared temporary folder.
    if (m_folder.isEmpty() || m_serverName.isEmpty() || payload.size() > kMaxMessageBytes)
        return false;
    const auto remaining = [](const QDeadlineTimer &timer) { return int(qMax<qint64>(1, timer.remainingTime())); };
    const QDeadlineTimer deadline(timeoutMs);
    // Past a quiet moment without an answer the caller is asked every tenth of a second whether to wait on (it says
    // the instance is busy), past the time too; without a caller, the time ends the wait.
    const QDeadlineTimer quiet(qMin(kQuietMs, timeoutMs));
    const auto goOn = [&] { return !quiet.hasExpired() || (waitLonger ? waitLonger() : !deadline.hasExpired()); };
    const auto waitMs = [&] {
        return remaining(!quiet.hasExpired() ? quiet : waitLonger ? QDeadlineTimer(100) : deadline);
    };
    // The instance may hold the lock but not listen yet, or have been stopped before it did: try again until it
    // listens, or has ended.
    while (!holderEnded() && goOn()) {
        QLocalSocket socket;
        socket.connectToServer(serverName());
        if (!socket.waitForConnected(waitMs())) {
            QThread::msleep(50);
            continue;
        }
        socket.write(payload);
        // A loaded machine can hold the instance up for long; it answers once it gets to it.
        while (socket.state() == QLocalSocket::ConnectedState && socket.bytesAvailable() < 1 && goOn()) {
            if (socket.bytesToWrite() > 0)
                socket.waitForBytesWritten(waitMs());
            else
                socket.waitForReadyRead(waitMs());
        }
        char receipt = 0;
        return socket.bytesAvailable() > 0 && socket.getChar(&receipt) && receipt == SingleInstancePrivate::kReceipt;
    }
    return false;
}

bool SingleInstance::holderEnded() const
{
    // Its lock is gone, or names a process gone from this host; one on another host cannot be looked up. A lock
    // that cannot be read yet is being written by a start that has just taken it.
    const QLockFile &lock = m_holder.isEmpty() ? *m_lock : *m_dataLock;
    qint64 pid = 0;
    QString host;
    if (!lock.getLockInfo(&pid, &host, nullptr))
        return !QFileInfo::exists(lock.fileName());
    return host == QSysInfo::machineHostName() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

bool SingleInstance::decideAgainIfEnded()
{
    if (!m_decided || !m_running || !m_error.isEmpty())
        return false;
    // An instance that has just closed the connection may still be on its way out.
    for (QDeadlineTimer moment(kQuietMs); !holderEnded(); QThread::msleep(50))
        if (moment.hasExpired())
            return false;
    m_decided = false;
    m_holder.clear();
    m_serverName = QDir(m_folder).filePath(m_socketName);
    isRunning();
    return true;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readPeer(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that connects and says nothing is dropped, so it holds nothing up.
        QTimer::singleShot(kPeerTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readPeer(socket);
    }
}

void SingleInstance::readPeer(QLocalSocket *socket)
{
    if (socket->property("done").toBool())
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxMessageBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    QByteArray line = socket->readLine(kMaxMessageBytes);
    line.chop(1);
    socket->setProperty("done", true);
    socket->putChar(SingleInstancePrivate::kReceipt);
    socket->flush();
    socket->disconnectFromServer();
    emit messageReceived(QString::fromUtf8(line));
}
