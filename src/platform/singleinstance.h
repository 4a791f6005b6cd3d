#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running instance per user: the first process holds a lock file in the user's runtime folder and
// listens on a local socket beside it; later processes find the lock held and pass a text message over.
// A lock left by a killed process is taken over, and its socket file is replaced. The folder is always
// private to the user, so another user can neither plant a lock nor a socket there. Where the folder's
// path is too long for a socket's, the socket goes into a new private folder in the temporary folder,
// and the lock names it.
// A second lock in the data folder keeps one instance per data folder also where the runtime folders differ:
// a start under "su" or "sudo -u", a home shared by two computers.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // runtimeFolder: where the lock and the socket live; empty means the user's runtime folder.
    // dataFolder: where the second lock lives, made once the runtime lock is held; empty for none.
    explicit SingleInstance(const QString &appId, QObject *parent = nullptr, const QString &runtimeFolder = QString(),
                            const QString &dataFolder = QString());
    ~SingleInstance() override;

    // True when this process is not the instance: another process holds the lock, or no lock could
    // be made (then errorString() says why). The first call decides: this process either becomes the
    // instance (and starts listening) or not; later calls give the same answer.
    bool isRunning();
    // Why no lock could be made, neither taken nor found held; empty otherwise.
    QString errorString() const { return m_error; }
    // The program that holds the data folder ("process 4711 on host"), when its lock made this start not
    // the instance; empty otherwise. Messages then go to it where it listens on this host.
    QString dataFolderHolder() const { return m_holder; }
    // Who holds the data folder, when its lock made this start not the instance; empty otherwise.
    QString dataFolderHeldText() const;
    // What to tell the user when this start is not the instance and the message did not get through.
    QString handOverFailedText() const;

    // The folder for the lock and the socket: `sessionFolder` (the session's runtime folder) when it is
    // private to the user, else the folder `privateFolder`, made and kept private to the user. Empty,
    // with `error` set, when neither can be had: a shared folder is never taken.
    static QString chooseFolder(const QString &sessionFolder, const QString &privateFolder, QString *error = nullptr);
    // A folder, not a link, owned by `uid`, that no one else may read, enter or write.
    static bool isPrivateFolder(const QString &path, uint uid);
    // The folder in the user's cache that the lock and the socket take where no `runtimeFolder` is given and the
    // session has no runtime folder private to the user; empty where it is not taken.
    static QString cacheFolderInUse(const QString &runtimeFolder);
    // Sends the message to the running instance and waits for its receipt; false when nothing
    // took it within the time (the instance is busy or still starting), or the instance has ended. Once the
    // instance has held the connection for kQuietMs (or the time, when shorter) without answering (busy, not
    // gone), `waitLonger` is asked every tenth of a second whether to wait on, past the time too.
    bool sendMessage(const QString &message, int timeoutMs, const std::function<bool()> &waitLonger = {});
    // When the instance this process found has ended since, decides again as isRunning() did first: this
    // process takes its place, or finds the process that took it first. False when it has not ended, or
    // when no lock could be made at all.
    bool decideAgainIfEnded();

    QString lockFilePath() const;
    QString dataLockFilePath() const { return m_dataLock ? m_dataLock->fileName() : QString(); }
    // Where this instance listens, or where the instance this start found does.
    QString serverName() const;
    bool isListening() const;

    // An instance that has not answered for this long is busy: the start that waits for it says so.
    static constexpr int kQuietMs = 1000;
    // A peer has this long to send a message once it has connected.
    static constexpr int kPeerTimeoutMs = 5000;
    // Longer messages are refused; the instance only ever receives short commands.
    static constexpr int kMaxMessageBytes = 64 * 1024;
    // The holder of the data folder's lock renews its time while it runs. On another host its process cannot
    // be looked up: a lock not renewed for this long was left by a program that ended without removing it.
    static constexpr int kDataLockRenewMs = 60 * 1000;
    static constexpr int kDataLockStaleMs = 10 * 60 * 1000;

signals:
    void messageReceived(const QString &message);

private slots:
    void onNewConnection();

private:
    void readPeer(QLocalSocket *socket);
    bool holdDataFolder();
    bool holderEnded() const;
    void renewDataLock();

    QString m_error;
    QString m_folder;
    QString m_socketName;
    QString m_serverName;
    // Made for the socket when the folder's path is too long for one; removed at the end.
    QString m_shortFolder;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLockFile> m_dataLock;
    QTimer m_renewal;
    QString m_holder;
    QLocalServer *m_server = nullptr;
    bool m_decided = false;
    bool m_running = false;
};
