#pragma once

#include "core/ibackupobject.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

// The program's settings under byte-string ids, each registered with a default. Values persist in the
// application's settings store, changes are broadcast, and a readable dump file follows a little later.
// Also a backup object: all values as one text.
class Properties : public QObject, public IBackupObject
{
    Q_OBJECT

public:
    Properties(QObject *parent, const QString &dumpFile, const QByteArray &prefix = QByteArray());
    ~Properties() override;

    QVariant addProperty(const QByteArray &id, const QVariant &defaultValue);
    QVariant value(const QByteArray &id) const;
    void setValue(const QByteArray &id, const QVariant &value);
    bool removeProperty(const QByteArray &id);
    QVariant takeProperty(const QByteArray &id, const QVariant &defaultValue);

    QMap<QByteArray, QString> toStringMap() const;
    QString dumpText() const;

    QDateTime lastModified() const override;
    QByteArray backup(bool *ok) override;
    bool restore(const QByteArray &data) override;
    QByteArray name() const override;
    // Every entry of the data must be a property name and its value.
    bool checkRestoreFile(const QString &fileName) override;

    static QByteArray variantToString(const QVariant &value);
    static QVariant stringToVariant(const QByteArray &text);

public slots:
    void restoreDefaults();
    void saveDumpFile();

signals:
    void propertyChanged(const QByteArray &id, const QVariant &value);

private:
    QByteArray settingsKey(const QByteArray &id) const;
    void persist(const QByteArray &id, const QVariant &value);
    void scheduleDump();
    QVariant toRegisteredType(const QByteArray &id, const QVariant &value, bool *ok) const;

    QByteArray m_prefix;
    QMap<QByteArray, QVariant> m_values;
    QMap<QByteArray, QVariant> m_defaults;
    QString m_dumpFile;
    QTimer m_saveTimer;
};
