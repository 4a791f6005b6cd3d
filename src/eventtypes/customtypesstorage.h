#pragma once

#include "core/filebackupobject.h"
#include "events/customtypeinfo.h"

#include <QList>
#include <QObject>
#include <QVariantList>

// The records of the user's custom types over their JSON file, written after every change.
// A file that cannot be read whole is copied aside before the first write.
class CustomTypesStorage : public QObject, public FileBackupObject
{
    Q_OBJECT

public:
    CustomTypesStorage(QObject *parent, const QString &fileName);
    explicit CustomTypesStorage(const QString &fileName) : CustomTypesStorage(nullptr, fileName) {}

    const QList<CustomTypeInfo> &types() const { return m_types; }
    bool contains(const QByteArray &id) const { return indexOf(id) >= 0; }
    CustomTypeInfo type(const QByteArray &id) const;

    // False for a record that is not valid, takes a reserved or used id, or has no known base kind.
    bool add(const CustomTypeInfo &info);
    // Replaces the record with the same id; false when there is none or the record is bad.
    bool replace(const CustomTypeInfo &info);
    bool remove(const QByteArray &id);

    // The records as a list of JSON maps; setState takes such a list (bad entries are dropped) and saves.
    QVariantList state() const;
    void setState(const QVariantList &state);

    // True when the record may be stored (an own, unused id and a known base kind).
    bool isAcceptable(const CustomTypeInfo &info) const;

    // Writes the file, then reloads it.
    bool restore(const QByteArray &data) override;
    // Through restore(), which keeps an unreadable file aside and reloads what is shown.
    bool restoreFromFile(const QString &fileName) override { return IBackupObject::restoreFromFile(fileName); }
    bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files) override;
    bool reloadAfterRestore() override;
    // Read with its partner file as one set when a snapshot is put back.
    bool restoresSnapshotByFiles() const override { return true; }

signals:
    void aboutToReload();
    void reloaded();
    // After each write of the file; the records stay in memory and the next change writes them all.
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

private:
    int indexOf(const QByteArray &id) const;
    void load();
    // Takes the acceptable records of a list; false when any entry had to be dropped.
    bool readList(const QVariantList &list);
    bool save();

    QList<CustomTypeInfo> m_types;
};
