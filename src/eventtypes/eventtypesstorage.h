#pragma once

#include "core/filebackupobject.h"
#include "eventtypes/ieventtypesstorage.h"

#include <QList>

#include <map>
#include <memory>
#include <vector>

class BaseEventType;
class CustomEventType;
class CustomTypesStorage;

// The built-in kinds and the custom types in the user's order, over the order file.
// Without a readable order the five kinds stand at the top level in the order 1, 3, 2, 4, 0.
class EventTypesStorage : public IEventTypesStorage, public FileBackupObject
{
    Q_OBJECT

public:
    EventTypesStorage(CustomTypesStorage *customTypes, const QString &fileName, QObject *parent = nullptr);
    ~EventTypesStorage() override;

    int count(const Index &parent = Index()) const override;
    bool isFolder(const Index &index) const override;
    QString folderName(const Index &index) const override;
    IEventType *typeAt(const Index &index) const override;
    IEventType *typeById(const QByteArray &id) const override;
    int flags(const Index &index) const override;
    QVariantMap state() const override;
    void setState(const QVariantMap &state) override;
    bool insertFolder(int row, const QString &name) override;
    bool rename(const Index &index, const QString &name) override;
    bool insertCustomType(const Index &parent, int row, const CustomTypeInfo &info) override;
    bool replaceCustomType(const Index &index, const CustomTypeInfo &info) override;
    bool move(const Index &index, const Index &parent, int row) override;
    bool remove(const Index &index) override;
    quint32 folderKey(const Index &index) const override;
    int folderRow(quint32 key) const override;

    // Writes the file, then reloads the order.
    bool restore(const QByteArray &data) override;
    // Through restore(), which keeps an unreadable file aside and reloads what is shown.
    bool restoreFromFile(const QString &fileName) override { return IBackupObject::restoreFromFile(fileName); }
    bool stageRestoreFiles(const QString &entryFile, const QString &stagingFolder, QList<StagedFile> *files) override;
    bool reloadAfterRestore() override;
    // Read with its partner file as one set when a snapshot is put back.
    bool restoresSnapshotByFiles() const override { return true; }

    CustomTypesStorage *customTypes() const { return m_customTypes; }

    // The built-in kinds in the order a new tree lists them.
    static const QList<int> &defaultOrder();

signals:
    // After each write of the order file; the order stays in memory and the next change writes it whole.
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

private:
    struct Item
    {
        quint32 key = 0; // folders only
        QString name;
        QByteArray typeId;
        QList<QByteArray> children;
        bool isFolder() const { return key != 0; }
    };

    bool exists(const Index &index) const;
    QByteArray idAt(const Index &index) const;
    CustomEventType *customTypeAt(const Index &index) const;
    void syncCustomTypes();
    QVariantList treeState() const;
    // Drops unknown and repeated ids, then appends the types the list left out.
    // False when an entry of the list had to be left out.
    bool setTree(const QVariantList &tree);
    void loadOrder();
    bool save();
    void onCustomTypesAboutToReload();
    void onCustomTypesReloaded();

    CustomTypesStorage *const m_customTypes;
    std::vector<std::unique_ptr<BaseEventType>> m_builtIns;
    std::map<QByteArray, std::unique_ptr<CustomEventType>> m_custom;
    QList<Item> m_tree;
    quint32 m_nextKey = 1;
};
