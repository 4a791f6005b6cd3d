#pragma once

#include "core/isettingsaccessor.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace Common {

// One JSON object in a file, kept in memory and written back whole after each change.
// A file that cannot be loaded is copied aside before the first write (see DataFileGuard), so its
// content is never lost.
class JsonSettingsFile : public QObject, public ISettingsAccessor
{
    Q_OBJECT

public:
    explicit JsonSettingsFile(const QString &fileName, QObject *parent = nullptr);

    QVariant value(const QByteArray &key, const QVariant &defaultValue = QVariant()) const override;
    bool setValue(const QByteArray &key, const QVariant &value) override;
    bool remove(const QByteArray &key, bool byPrefix = false) override;

    QString fileName() const { return m_fileName; }
    // True while a file that was not read whole is still waiting to be copied aside.
    bool loadFailed() const;

signals:
    // After each write: the values stay in memory and the next change writes them all.
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

private:
    void load();
    bool save();

    QMap<QByteArray, QVariant> m_values;
    QString m_fileName;
};

} // namespace Common
