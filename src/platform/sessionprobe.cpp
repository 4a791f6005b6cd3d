#include "platform/sessionprobe.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace LogindSessionProbePrivate {
// A busy or stuck bus must not freeze the bar.
constexpr int s_callTimeoutMs = 1000;
} // namespace LogindSessionProbePrivate

bool LogindSessionProbe::isOwnSessionActive()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return true;
    // A plain property read skips the introspection that QDBusInterface would do first.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1/session/auto"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("Active");
    const QDBusMessage reply = bus.call(call, QDBus::Block, LogindSessionProbePrivate::s_callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return true;
    const QVariant active = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    return active.canConvert<bool>() ? active.toBool() : true;
}
