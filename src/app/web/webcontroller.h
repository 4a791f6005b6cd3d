#pragma once

#include "core/lastversioninfo.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

class QDomElement;
class QNetworkAccessManager;
class QNetworkReply;

// One message of the web server, shown on the running line.
struct SystemMessageInfo
{
    QString text;
    QString url;
};
Q_DECLARE_METATYPE(SystemMessageInfo)

// All traffic with the program's web server: the connection probe, the update check, the server's
// messages, translation updates, statistics and settings uploads, the uninstall notice and reports.
// Every request carries an operation number that one slot dispatches its reply on. Without a host
// the controller makes no network manager at all: nothing is ever sent and it stays offline.
class WebController : public QObject
{
    Q_OBJECT

public:
    enum Operation {
        LastVersion = 1,
        Upload = 2,
        Probe = 3,
        SystemMessages = 4,
        Email = 5,
        TranslationCheck = 6,
        Download = 7,
    };

    using Payload = QMap<QByteArray, QString>;
    using FormFields = QList<QPair<QString, QString>>;

    // One network interface as the address look-ups see it.
    struct Interface
    {
        bool loopback = false;
        QString hardwareAddress;
        QStringList addresses;
    };

    static constexpr int kRetryDelayMs = 5000;
    static constexpr int kMaxDownloadAttempts = 6;
    // Replies and downloads larger than this are dropped.
    static constexpr qint64 kMaxReplyBytes = 10 * 1024 * 1024;
    // Deeper nesting in a server reply is not followed.
    static constexpr int kMaxXmlDepth = 16;

    // `host` may carry a port ("example.org:8080"); empty means no server.
    explicit WebController(const QString &host);
    ~WebController() override;

    // The host of this build, or the one the settings value "webHost" names instead.
    static QString configuredHost();

    QString host() const { return m_host; }
    bool isConfigured() const { return !m_host.isEmpty(); }
    bool isConnected() const { return m_connected; }

    QString siteRoot() const;
    QString baseAddress() const;
    // The mailbox that receives the reports: at the server's domain.
    QString mailbox() const;

    void requestLastVersion();
    void requestSystemMessages();
    void sendStatistics(const Payload &values);
    void sendProperties(const Payload &values);
    void sendUninstallFeedback();
    void checkTranslationUpdate();
    void requestTranslationUpdate(const QString &path);
    void downloadFile(const QString &url, const QString &md5, const QString &saveToPath, int count);
    void sendEmail(const QString &from, const QString &subject, const QString &message);

    // Names of the translation files this run asked the server about.
    QSet<QString> askedTranslationFiles() const { return m_askedTranslations; }
    // Whether `url` may be fetched: http or https on this controller's host.
    bool isOwnUrl(const QString &url) const;

    // Delay of the probe after a failed reply; tests shorten it.
    void setRetryDelay(int ms) { m_retryTimer.setInterval(ms); }
    int retryDelay() const { return m_retryTimer.interval(); }
    bool isRetryPending() const { return m_retryTimer.isActive(); }

    // The request and reply formats, free of any network.
    static Payload withClientInfo(Payload payload, const QString &ip, const QString &mac, const QString &uid,
                                  const QString &lang);
    static QString toXml(const Payload &payload);
    static QVariantMap parseReply(const QByteArray &body);
    static QVariantMap fromXml(const QDomElement &parent, int depth = 0);
    static LastVersionInfo parseLastVersion(const QVariantMap &map);
    static QList<SystemMessageInfo> parseSystemMessages(const QVariantMap &map);
    static QByteArray checkMd5(const QByteArray &data);
    // An urlencoded form body: UTF-8, every byte but letters, digits and "-._~" percent-encoded.
    static QByteArray formBody(const FormFields &fields);
    static QString emailText(const QString &message, const Payload &clientInfo);
    static QString ipAddress(const QList<Interface> &interfaces);
    static QString macAddress(const QList<Interface> &interfaces);
    static QList<Interface> machineInterfaces();
    // A translation file name the program asks about: "quillane_" or "qt_", a language code, ".qm".
    static bool isTranslationFileName(const QString &name);

signals:
    void lastVersionReply(LastVersionInfo info);
    void systemMessagesReply(QList<SystemMessageInfo> messages);
    void networkStateChanged(bool connected);
    void emailSent();
    void translationUpdateRequired(QString downloadUrl, QString md5);

public slots:
    void replyFinished(QNetworkReply *reply);
    void checkConnection();

private:
    Payload clientInfo(Payload payload = Payload()) const;
    QNetworkReply *get(const QString &url, int operation);
    QNetworkReply *post(const QString &fieldName, const QString &url, const QByteArray &value, int operation);
    void postPayload(const QString &url, const Payload &payload, int operation);
    QNetworkReply *send(QNetworkReply *reply, int operation);
    void saveDownload(QNetworkReply *reply, const QByteArray &body);

    QString m_host;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    bool m_connected = false;
    QTimer m_retryTimer;
    QSet<QString> m_askedTranslations;
};
