#include "fakeapplication.h"

#include <QDir>

FakeApplication::FakeApplication()
{
    setInstance(this);
    m_dataLocation = m_dir.filePath(QStringLiteral("data"));
    QDir().mkpath(m_dataLocation);
    m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
}

FakeApplication::~FakeApplication() = default;

QVariant FakeApplication::settingsValue(const QByteArray &key, const QVariant &defaultValue) const
{
    return m_settings->value(QString::fromLatin1(key), defaultValue);
}

void FakeApplication::setSettingsValue(const QByteArray &key, const QVariant &value)
{
    m_settingsWrites << key;
    m_settings->setValue(QString::fromLatin1(key), value);
}

void FakeApplication::setSettingsValues(const QList<QPair<QByteArray, QVariant>> &values)
{
    QByteArrayList keys;
    for (const auto &[key, value] : values) {
        keys << key;
        m_settings->setValue(QString::fromLatin1(key), value);
    }
    m_settingsWrites << keys.join(',');
}

void FakeApplication::removeSettings(const QByteArray &key, bool withDottedChildren)
{
    const QString name = QString::fromLatin1(key);
    m_settings->remove(name);
    if (!withDottedChildren)
        return;
    const QString prefix = name + QLatin1Char('.');
    const QStringList keys = m_settings->allKeys();
    for (const QString &k : keys)
        if (k.startsWith(prefix))
            m_settings->remove(k);
}
