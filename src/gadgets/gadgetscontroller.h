#pragma once

#include "store/folderbackupobject.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>

class GadgetThemeManager;
class IBackupObject;
class Properties;
class QAction;
class ToDoGadget;

// Keeps the to-do gadgets on the desktop: one for every saved list file, new ones on request and a welcome
// one on the first start. Owns the themes and the defaults of new gadgets, and backs up the list files.
class GadgetsController : public QObject, public FolderBackupObject
{
    Q_OBJECT

public:
    static const QString s_listFilter;

    GadgetsController();
    ~GadgetsController() override;

    void loadGadgets();
    ToDoGadget *newToDoGadget(const QString &uid, bool isNew, const QRect &geometry, const QString &themeUid);
    QAction *applyToAllAction();
    void applyThemeToAll(const QString &themeUid);
    void closeAllGadgets();
    void createWelcomeGadget();
    // The controller, the default properties and each open gadget's properties; a manager drops a gadget's
    // when the gadget ends.
    QList<IBackupObject *> backupObjects();

    GadgetThemeManager *themeManager() const { return m_themeManager.get(); }
    Properties *defaultProperties() const { return m_properties.get(); }
    // Every gadget made so far, in creation order; a closed one reads as null.
    QList<QPointer<ToDoGadget>> gadgets() const { return m_gadgets; }
    QList<ToDoGadget *> liveGadgets() const;

    // The uid a list file's name gives: what lies between "todo." and the last ".".
    static QString uidFromFileName(const QString &fileName);
    // A list file of the program: "todo.<uid>.dat" with a uid of the form the program gives.
    static bool isListFileName(const QString &fileName);

    bool restore(const QByteArray &data) override;
    bool restoreSnapshot(const QByteArray &data) override;
    bool reloadAfterRestore() override;

signals:
    // A list file could not be written, or was written again after a failure; the list stays in memory
    // and the next change writes it whole.
    void saveFailed(const QString &fileName, const QString &reason);
    void saved(const QString &fileName);

public slots:
    // Moves every gadget wholly onto a screen that is there: run when monitors come, go or change.
    void keepGadgetsOnScreens();
    void newToDoGadget();
    void ensureVisible();
    void onThemeChanged(const QString &themeUid);
    void onApplyToAllToggled(bool checked);

private:
    QList<QPointer<ToDoGadget>> m_gadgets;
    std::unique_ptr<GadgetThemeManager> m_themeManager;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<QAction> m_applyToAllAction;
    // While the folder base puts a snapshot back, it restores through this object; the gadgets are
    // closed and loaded once around the whole of it.
    bool m_inRestore = false;
};
