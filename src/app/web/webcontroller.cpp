#include "app/web/webcontroller.h"

#include "core/iapplication.h"
#include "core/langs.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/safefile.h"
#include "core/settingkeys.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

#ifndef QR_WEB_HOST
#define QR_WEB_HOST ""
#endif

namespace WebControllerPrivate {

// A server reply may not make the program append records without end.
constexpr int kMaxMessages = 100;
// A stalled server must not keep a request open for the rest of the run.
constexpr int kTransferTimeoutMs = 60000;

const char *const kOversize = "oversize";

} // namespace WebControllerPrivate

using namespace WebControllerPrivate;

WebController::WebController(const QString &host) : m_host(host.trimmed())
{
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kRetryDelayMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &WebController::checkConnection);
    if (m_host.isEmpty()) {
        QR_LOG("No web server is configured: nothing is sent");
        return;
    }
    m_manager = std::make_unique<QNetworkAccessManager>();
    // Replies are handled as they come: a redirect never takes a request to another place.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(m_manager.get(), &QNetworkAccessManager::finished, this, &WebController::replyFinished);
    checkConnection();
}

WebController::~WebController() = default;

QString WebController::configuredHost()
{
    if (IApplication *app = IApplication::instance()) {
        const QString host = app->settingsValue(Setting::WebHost).toString().trimmed();
        if (!host.isEmpty())
            return host;
    }
    return QStringLiteral(QR_WEB_HOST);
}

QString WebController::siteRoot() const
{
    return QStringLiteral("http://") + m_host;
}

QString WebController::baseAddress() const
{
    return siteRoot() + QStringLiteral("/auto");
}

QString WebController::mailbox() const
{
    const QString domain = QUrl(siteRoot()).host();
    return domain.isEmpty() ? QString() : QStringLiteral("feedback@") + domain;
}

bool WebController::isOwnUrl(const QString &url) const
{
    if (m_host.isEmpty())
        return false;
    const QUrl target(url, QUrl::StrictMode);
    const QUrl own(siteRoot());
    const QString scheme = target.scheme().toLower();
    return target.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           target.userInfo().isEmpty() && !target.host().isEmpty() &&
           target.host().compare(own.host(), Qt::CaseInsensitive) == 0 && target.port() == own.port();
}

// ---- requests ------------------------------------------------------------------------------------------

QNetworkReply *WebController::send(QNetworkReply *reply, int operation)
{
    reply->setProperty("operation", operation);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxReplyBytes || total > kMaxReplyBytes) {
            reply->setProperty(kOversize, true);
            reply->abort();
        }
    });
    return reply;
}

QNetworkReply *WebController::get(const QString &url, int operation)
{
    if (!m_manager)
        return nullptr;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kTransferTimeoutMs);
    return send(m_manager->get(request), operation);
}

QNetworkReply *WebController::post(const QString &fieldName, const QString &url, const QByteArray &value, int operation)
{
    if (!m_manager)
        return nullptr;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kTransferTimeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("charset", "utf-8");
    return send(m_manager->post(request, formBody({{fieldName, QString::fromUtf8(value)}})), operation);
}

void WebController::postPayload(const QString &url, const Payload &payload, int operation)
{
    post(QStringLiteral("xml"), url, toXml(payload).toUtf8(), operation);
}

void WebController::checkConnection()
{
    get(siteRoot(), Probe);
}

void WebController::requestLastVersion()
{
    get(baseAddress() + QStringLiteral("/lastver.php"), LastVersion);
}

void WebController::requestSystemMessages()
{
    postPayload(baseAddress() + QStringLiteral("/messages.php"), clientInfo(), SystemMessages);
}

void WebController::sendStatistics(const Payload &values)
{
    if (m_connected)
        postPayload(baseAddress() + QStringLiteral("/stat.php"), clientInfo(values), Upload);
}

void WebController::sendProperties(const Payload &values)
{
    if (m_connected)
        postPayload(baseAddress() + QStringLiteral("/prop.php"), clientInfo(values), Upload);
}

void WebController::sendUninstallFeedback()
{
    postPayload(baseAddress() + QStringLiteral("/uninstall.php"), clientInfo(), Upload);
}

void WebController::checkTranslationUpdate()
{
    QLocale locale = QLocale::system();
    IApplication *app = IApplication::instance();
    if (app && app->properties()) {
        const QVariant stored = app->properties()->value(Setting::Locale);
        if (stored.isValid() && !stored.isNull())
            locale = stored.toLocale();
    }
    requestTranslationUpdate(Langs::appTranslationFile(locale.language()));
    requestTranslationUpdate(Langs::qtTranslationFile(locale.language()));
}

void WebController::requestTranslationUpdate(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    if (!m_connected)
        return;
    Payload payload = clientInfo();
    payload.insert("translation_file", fileName);
    payload.insert("app_ver", QCoreApplication::applicationVersion());
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        qWarning("can't open translation file for reading");
        return;
    }
    payload.insert("md5", QString::fromLatin1(checkMd5(file.readAll())));
    m_askedTranslations.insert(fileName);
    postPayload(baseAddress() + QStringLiteral("/get_trans_update.php"), payload, TranslationCheck);
}

void WebController::downloadFile(const QString &url, const QString &md5, const QString &saveToPath, int count)
{
    if (!isOwnUrl(url) || saveToPath.isEmpty()) {
        QR_LOG("Refused to download from an address that is not the program's server: " + url.toUtf8());
        return;
    }
    QNetworkReply *reply = get(url, Download);
    if (!reply)
        return;
    reply->setProperty("md5", md5);
    reply->setProperty("url", url);
    reply->setProperty("saveToPath", saveToPath);
    reply->setProperty("count", count);
}

void WebController::sendEmail(const QString &from, const QString &subject, const QString &message)
{
    if (!m_connected || !m_manager)
        return;
    const QByteArray body = formBody({{QStringLiteral("to"), mailbox()},
                                      {QStringLiteral("from"), from},
                                      {QStringLiteral("subject"), subject},
                                      {QStringLiteral("message"), emailText(message, clientInfo())}});
    QNetworkRequest request{QUrl(baseAddress() + QStringLiteral("/send.php"))};
    request.setTransferTimeout(kTransferTimeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    send(m_manager->post(request, body), Email);
}

// ---- replies -------------------------------------------------------------------------------------------

void WebController::replyFinished(QNetworkReply *reply)
{
    if (!QR_CHECK(reply))
        return;
    reply->deleteLater();
    if (reply->property(kOversize).toBool()) {
        QR_LOG("Dropped a server reply larger than " + QByteArray::number(kMaxReplyBytes) + " bytes");
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        if (m_connected) {
            QR_LOG("Connection lost");
            m_connected = false;
            emit networkStateChanged(false);
        }
        // One probe pending at a time, however many requests fail meanwhile.
        if (!m_retryTimer.isActive())
            m_retryTimer.start();
        return;
    }
    if (!m_connected) {
        m_connected = true;
        emit networkStateChanged(true);
    }
    const int operation = reply->property("operation").toInt();
    const QByteArray body = reply->read(kMaxReplyBytes);
    if (operation == Download) {
        saveDownload(reply, body);
        return;
    }
    QVariantMap map;
    if (operation != Upload && operation != Probe)
        map = parseReply(body);
    switch (operation) {
    case LastVersion:
        emit lastVersionReply(parseLastVersion(map));
        break;
    case Probe:
        qDebug("Connection established");
        break;
    case SystemMessages:
        emit systemMessagesReply(parseSystemMessages(map));
        break;
    case Email:
        emit emailSent();
        break;
    case TranslationCheck:
        if (map.contains(QStringLiteral("downloadUrl")))
            emit translationUpdateRequired(map.value(QStringLiteral("downloadUrl")).toString(),
                                           map.value(QStringLiteral("md5")).toString());
        break;
    default:
        break;
    }
}

void WebController::saveDownload(QNetworkReply *reply, const QByteArray &body)
{
    const int count = reply->property("count").toInt();
    const QString md5 = reply->property("md5").toString();
    const QString path = reply->property("saveToPath").toString();
    if (checkMd5(body) == md5.toUtf8()) {
        QString error;
        if (!Common::writeFileAtomically(path, body, &error))
            QR_LOG("Cannot save the downloaded " + path.toUtf8() + ": " + error.toUtf8());
        return;
    }
    if (count < kMaxDownloadAttempts - 1)
        downloadFile(reply->property("url").toString(), md5, path, count + 1);
    else
        QR_LOG("Dropped a download whose sum never matched: " + reply->property("url").toString().toUtf8());
}

// ---- formats -------------------------------------------------------------------------------------------

WebController::Payload WebController::clientInfo(Payload payload) const
{
    IApplication *app = IApplication::instance();
    const QList<Interface> interfaces = machineInterfaces();
    return withClientInfo(std::move(payload), ipAddress(interfaces), macAddress(interfaces),
                          app ? app->uid() : QString(), app ? app->language() : QString());
}

WebController::Payload WebController::withClientInfo(Payload payload, const QString &ip, const QString &mac,
                                                     const QString &uid, const QString &lang)
{
    payload.insert("ip", ip);
    payload.insert("mac", mac);
    payload.insert("uid", uid);
    payload.insert("lang", lang);
    return payload;
}

QString WebController::toXml(const Payload &payload)
{
    QDomDocument doc(QStringLiteral("doc"));
    QDomElement root = doc.createElement(QStringLiteral("doc"));
    doc.appendChild(root);
    for (auto it = payload.cbegin(); it != payload.cend(); ++it) {
        QDomElement element = doc.createElement(QString::fromUtf8(it.key()));
        element.appendChild(doc.createTextNode(it.value()));
        root.appendChild(element);
    }
    return doc.toString(1);
}

QVariantMap WebController::parseReply(const QByteArray &body)
{
    if (body.isEmpty())
        return QVariantMap();
    QDomDocument doc;
    if (!doc.setContent(body))
        return QVariantMap();
    return fromXml(doc.documentElement());
}

QVariantMap WebController::fromXml(const QDomElement &parent, int depth)
{
    QVariantMap map;
    for (QDomNode node = parent.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const QDomElement element = node.toElement();
        if (element.hasChildNodes() && !element.firstChild().isText()) {
            // Deeper levels are not followed: no reply field lies that deep.
            map.insert(element.tagName(), depth + 1 < kMaxXmlDepth ? fromXml(element, depth + 1) : QVariantMap());
        } else {
            map.insert(element.tagName(), element.text());
        }
    }
    return map;
}

LastVersionInfo WebController::parseLastVersion(const QVariantMap &map)
{
    LastVersionInfo info;
    info.version = map.value(QStringLiteral("version")).toString();
    info.infoUrl = map.value(QStringLiteral("infoUrl")).toString();
    info.downloadUrl = map.value(QStringLiteral("downloadUrl")).toString();
    info.whatsNew = map.value(QStringLiteral("whatsNew")).toString();
    return info;
}

QList<SystemMessageInfo> WebController::parseSystemMessages(const QVariantMap &map)
{
    QList<SystemMessageInfo> messages;
    if (map.isEmpty())
        return messages;
    bool ok = false;
    const QVariant countValue = map.value(QStringLiteral("count"));
    const int count = countValue.typeId() == QMetaType::QString ? countValue.toString().trimmed().toInt(&ok) : 0;
    if (!ok) {
        qWarning("error parsing system messages");
        return messages;
    }
    for (int n = 1; n <= qMin(count, kMaxMessages); ++n) {
        const QVariantMap message = map.value(QStringLiteral("message") + QString::number(n)).toMap();
        messages.append(
            {message.value(QStringLiteral("text")).toString(), message.value(QStringLiteral("url")).toString()});
    }
    return messages;
}

QByteArray WebController::checkMd5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}

QByteArray WebController::formBody(const FormFields &fields)
{
    QByteArrayList parts;
    for (const auto &field : fields)
        parts << QUrl::toPercentEncoding(field.first.toUtf8()) + '=' + QUrl::toPercentEncoding(field.second.toUtf8());
    return parts.join('&');
}

QString WebController::emailText(const QString &message, const Payload &clientInfo)
{
    QStringList lines;
    for (auto it = clientInfo.cbegin(); it != clientInfo.cend(); ++it)
        lines << QStringLiteral("%1 = %2").arg(QString::fromUtf8(it.key()), it.value());
    return message + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString WebController::ipAddress(const QList<Interface> &interfaces)
{
    for (const Interface &i : interfaces) {
        if (i.loopback || i.addresses.isEmpty())
            continue;
        const QString address = i.addresses.first();
        const int scope = address.indexOf(QLatin1Char('%'));
        return scope < 0 ? address : address.left(scope);
    }
    return QString();
}

QString WebController::macAddress(const QList<Interface> &interfaces)
{
    for (const Interface &i : interfaces) {
        if (!i.loopback)
            return i.hardwareAddress;
    }
    return QString();
}

QList<WebController::Interface> WebController::machineInterfaces()
{
    QList<Interface> result;
    for (const QNetworkInterface &network : QNetworkInterface::allInterfaces()) {
        Interface i;
        i.loopback = network.flags().testFlag(QNetworkInterface::IsLoopBack);
        i.hardwareAddress = network.hardwareAddress();
        for (const QNetworkAddressEntry &entry : network.addressEntries())
            i.addresses << entry.ip().toString();
        result << i;
    }
    return result;
}

bool WebController::isTranslationFileName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(quillane|qt)_[a-z]{2}\\.qm$"));
    return pattern.match(name).hasMatch();
}
