#pragma once

#include "gadgets/gadget.h"
#include "store/todos/todostorage.h"

#include <QRegion>
#include <QSharedPointer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class ToDoModel;
class ToDoView;

namespace Common {
class JsonSettingsFile;
}
namespace Ui {
class ToDoGadgetContent;
}

// The to-do gadget: a gadget whose body is a to-do list kept in a file of its own, written on every change,
// with an entry line for new to-dos under the list and a context menu of the list's and the gadget's
// commands.
class ToDoGadget : public Gadget
{
    Q_OBJECT

public:
    // Handed the list file before its first write, so that failed saves are heard from the start.
    using WatchFile = std::function<void(Common::JsonSettingsFile *file)>;

    ToDoGadget(const QByteArray &uid, GadgetThemeManager *themeManager, QAction *applyToAllAction,
               const WatchFile &watchFile = {});
    ~ToDoGadget() override;

    static QString toDoFileName(const QByteArray &uid);
    void addToDo(const QString &text);
    ToDoStorage *storage() const { return m_storage.data(); }
    ToDoModel *model() const { return m_model.get(); }
    ToDoView *view() const;
    bool isEditing() const;
    // The commands of the context menu for a right click at the point, in order; null stands for a
    // separator and the theme menu shows as its menu action.
    QList<QAction *> contextMenuActions(const QPoint &globalPos);
    QMenu *themeMenu() const { return m_themeMenu.get(); }
    QRegion textRegions();

    bool keepOpaque() const override;
    bool canClose() override;
    void onThemeApplied() override;

signals:
    void newToDoGadget();

protected slots:
    void onPropertyChanged(const QByteArray &id, const QVariant &value) override;

private slots:
    void onDataChanged();
    void onCaptionChanged();
    void startEditing();
    void stopEditing();
    void onTextEntered();
    void updateMinSize();
    void clearTextRegionsCache();
    void onNextThemeClicked();
    void onShowEventsEditorClicked() {}
    void onEditClicked();
    void onRemoveClicked();
    void onClearClicked();
    void onThemeClicked();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void loadListFile(const WatchFile &watchFile);
    void writeList(const QByteArray &key, const QVariant &value);
    void setEditMode(bool on);
    void setupActions();
    void showContextMenu(const QPoint &globalPos);
    bool viewportMouseEvent(QEvent *event);

    std::unique_ptr<Common::JsonSettingsFile> m_file;
    QSharedPointer<ToDoStorage> m_storage;
    std::unique_ptr<ToDoModel> m_model;
    QAction *m_editAction = nullptr;
    QAction *m_removeAction = nullptr;
    QAction *m_clearAction = nullptr;
    QAction *m_newToDoGadgetAction = nullptr;
    QAction *m_applyToAllAction;
    std::unique_ptr<QMenu> m_themeMenu;
    std::unique_ptr<Ui::ToDoGadgetContent> m_ui;
    bool m_menuShown = false;
    QRegion m_textRegions;
    bool m_actionsBuilt = false;
    QWidget *m_content;
    // Set once the list file is deleted on close: late edits must not bring it back.
    bool m_fileRemoved = false;
};
