#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A tiny HTTP server on 127.0.0.1 that records every request and answers through a handler,
// so the network code is tested without leaving the machine.
class LoopbackServer : public QObject
{
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders;   // whole lines, each ending in "\r\n"
        qint64 claimedLength = -1; // a Content-Length other than the body's
    };
    using Handler = std::function<Response(const Request &)>;

    // A reply document holding `inner` under its root.
    static Response xml(const QByteArray &inner)
    {
        Response r;
        r.body = "<?xml version=\"1.0\"?><reply>" + inner + "</reply>";
        return r;
    }

    // Port 0 takes any free one.
    explicit LoopbackServer(quint16 port = 0)
    {
        m_server.listen(QHostAddress::LocalHost, port);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    m_buffers.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }

    // A port free at the moment, for a host that must be named before any event loop exists.
    static quint16 freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        quint16 port = 0;
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        if (fd >= 0)
            ::close(fd);
        return port;
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    QString url(const QString &path) const { return QStringLiteral("http://") + host() + path; }

    // Requests whose path starts with `prefix`.
    QList<Request> requestsTo(const QByteArray &prefix) const
    {
        QList<Request> found;
        for (const Request &r : m_requests)
            if (r.path.startsWith(prefix))
                found << r;
        return found;
    }

    // The fields of an urlencoded form, decoded once as a form reader does.
    static QMap<QString, QString> formFields(const QByteArray &body, QStringList *order = nullptr)
    {
        QMap<QString, QString> fields;
        for (QByteArray pair : body.split('&')) {
            pair.replace('+', ' ');
            const int eq = pair.indexOf('=');
            const QString name = QString::fromUtf8(QByteArray::fromPercentEncoding(pair.left(eq)));
            fields.insert(name, QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1))));
            if (order)
                *order << name;
        }
        return fields;
    }

    // Runs the event loop until `count` requests came in or `ms` passed.
    bool waitForRequests(int count, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (m_requests.size() < count && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return m_requests.size() >= count;
    }
    // Lets replies come back for a while.
    static void spin(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    Handler handler = [](const Request &) { return Response(); };
    QList<Request> m_requests;
    int m_connections = 0;

private:
    void onData(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const int end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request request;
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const int length = request.headers.value("content-length").toInt();
            if (buffer.size() < end + 4 + length)
                return;
            request.body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            m_requests << request;
            const Response response = handler(request);
            QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
            out += "Content-Type: text/xml\r\nConnection: close\r\n" + response.extraHeaders;
            out += "Content-Length: " +
                   QByteArray::number(response.claimedLength >= 0 ? response.claimedLength : response.body.size()) +
                   "\r\n\r\n" + response.body;
            socket->write(out);
            socket->disconnectFromHost();
        }
    }

    // Before the server, whose sockets still report their disconnection while it goes.
    QMap<QTcpSocket *, QByteArray> m_buffers;
    QTcpServer m_server;
};
