#include "app/web/networkduties.h"

#include "core/iapplication.h"
#include "core/langs.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/statcollector.h"
#include "core/version.h"
#include "events/system/openurlevent.h"
#include "events/system/updateevent.h"
#include "store/systemevents.h"

#include <QCoreApplication>
#include <QUrl>

namespace NetworkDutiesPrivate {
// Kind of a running-line entry that came from the server.
constexpr int kServerMessage = 2;
} // namespace NetworkDutiesPrivate

NetworkDuties::NetworkDuties(WebController *web, QObject *parent) : QObject(parent), m_web(web)
{
    if (!QR_CHECK(m_web))
        return;
    connect(m_web, &WebController::networkStateChanged, this, &NetworkDuties::onNetworkStateChanged);
    connect(m_web, &WebController::lastVersionReply, this, &NetworkDuties::onLastVersionReply);
    connect(m_web, &WebController::systemMessagesReply, this, &NetworkDuties::onSystemMessagesReply);
    connect(m_web, &WebController::translationUpdateRequired, this, &NetworkDuties::downloadTranslation);
}

void NetworkDuties::onNetworkStateChanged(bool connected)
{
    if (connected)
        performNetworkOperations();
}

void NetworkDuties::performNetworkOperations()
{
    if (!isDone(UpdateCheck))
        checkForUpdate();
    if (!isDone(Messages))
        downloadSystemMessages();
    if (!isDone(Statistics)) {
        m_done[Statistics] = true;
        m_web->sendStatistics(StatCollector::collect());
    }
    if (!isDone(Settings)) {
        m_done[Settings] = true;
        IApplication *app = IApplication::instance();
        if (app && app->properties())
            m_web->sendProperties(app->properties()->toStringMap());
    }
    if (!isDone(Translations)) {
        m_done[Translations] = true;
        m_web->checkTranslationUpdate();
    }
}

void NetworkDuties::checkForUpdate()
{
    if (m_web->isConnected())
        m_web->requestLastVersion();
}

void NetworkDuties::downloadSystemMessages()
{
    if (m_web->isConnected())
        m_web->requestSystemMessages();
}

void NetworkDuties::onLastVersionReply(LastVersionInfo info)
{
    if (isDone(UpdateCheck))
        return;
    m_done[UpdateCheck] = true;
    if (Version(QCoreApplication::applicationVersion()) >= Version(info.version))
        return;
    if (info.version == UpdateEvent::dontRemindVersion())
        return;
    if (IApplication *app = IApplication::instance())
        app->setLastVersionInfo(info);
    emit newVersionAvailable();
}

void NetworkDuties::onSystemMessagesReply(QList<SystemMessageInfo> messages)
{
    if (isDone(Messages))
        return;
    m_done[Messages] = true;
    IApplication *app = IApplication::instance();
    SystemEvents *list = app ? app->systemEvents() : nullptr;
    if (!QR_CHECK(list))
        return;
    for (const SystemMessageInfo &message : messages)
        list->addEvent(
            std::make_shared<OpenUrlEvent>(nullptr, message.text, message.url, NetworkDutiesPrivate::kServerMessage));
}

void NetworkDuties::downloadTranslation(QString url, QString md5)
{
    // Only a newer copy of a file this run asked about, under its own name.
    const QString fileName = QUrl(url).fileName();
    if (!WebController::isTranslationFileName(fileName) || !m_web->askedTranslationFiles().contains(fileName)) {
        QR_LOG("Refused a translation download that was not asked for: " + url.toUtf8());
        return;
    }
    const QString target = Langs::downloadedTranslationPath(fileName);
    if (target.isEmpty())
        return;
    m_web->downloadFile(url, md5, target, 0);
}
