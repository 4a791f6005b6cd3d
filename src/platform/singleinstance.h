#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

// One running instance per user: the first process holds a lock file in the user's runtime folder and
// listens on a local socket beside it; later processes find the lock held and pass a text message over.
// A lock left by a killed process is taken over, and its socket file is replaced.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // runtimeFolder: where the lock and the socket live; empty means the user's runtime folder.
    explicit SingleInstance(const QString &appId, QObject *parent = nullptr, const QString &runtimeFolder = QString());
    ~SingleInstance() override;

    // True when another process holds the instance. The first call decides: this process either
    // becomes the instance (and starts listening) or not; later calls give the same answer.
    bool isRunning();
    // Sends the message to the running instance and waits for its receipt; false when nothing
    // took it within the time (the instance is busy, gone, or still starting).
    bool sendMessage(const QString &message, int timeoutMs);

    QString lockFilePath() const;
    QString serverName() const { return m_serverName; }
    bool isListening() const;

    // A peer has this long to send a message once it has connected.
    static constexpr int kPeerTimeoutMs = 5000;
    // Longer messages are refused; the instance only ever receives short commands.
    static constexpr int kMaxMessageBytes = 64 * 1024;

signals:
    void messageReceived(const QString &message);

private slots:
    void onNewConnection();

private:
    void readPeer(QLocalSocket *socket);

    QString m_folder;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_decided = false;
    bool m_running = false;
};
