#include "app/uidbackup.h"

#include "core/inifilecheck.h"
#include "core/log.h"
#include "core/settingkeys.h"

#include <QRegularExpression>
#include <QSettings>
#include <QUuid>

UidBackup::UidBackup(const QString &uid, const QString &organisation) : m_uid(uid), m_organisation(organisation) {}

QDateTime UidBackup::lastModified() const
{
    return QDateTime();
}

QByteArray UidBackup::backup(bool *ok)
{
    if (ok)
        *ok = true;
    return m_uid.toUtf8();
}

bool UidBackup::restore(const QByteArray &data)
{
    const QString uid = QString::fromUtf8(data).trimmed();
    // An archive is outside data: a broken entry must not become the id of every later report.
    if (!isValidUid(uid)) {
        QR_LOG("The archive's user id is not valid and was not restored");
        return false;
    }
    m_uid = uid;
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_organisation);
    settings.setValue(QString::fromLatin1(Setting::Uid), uid);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QByteArray UidBackup::name() const
{
    return QByteArrayLiteral("uid");
}

QString UidBackup::readOrCreate(const QString &organisation)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation);
    Common::guardIniFile(settings.fileName());
    QString uid = settings.value(QString::fromLatin1(Setting::Uid)).toString();
    if (uid.isEmpty()) {
        uid = QUuid::createUuid().toString(QUuid::WithBraces);
        settings.setValue(QString::fromLatin1(Setting::Uid), uid);
    }
    QR_LOG("UID: " + uid.toUtf8());
    return uid;
}

bool UidBackup::isValidUid(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\{[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}\\}$"));
    return pattern.match(text).hasMatch();
}
