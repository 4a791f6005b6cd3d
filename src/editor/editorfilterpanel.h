#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>

#include <functional>

class QAction;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;

// The editor's left-hand panel: the calendars list above the event types tree, each with its
// buttons and context menu. It changes nothing itself: every button becomes a signal for the
// editor, and the selection in the two views is what the editor filters by.
class EditorFilterPanel : public QWidget
{
    Q_OBJECT

public:
    explicit EditorFilterPanel(QWidget *parent = nullptr);

    // After the editor has put the models on both views.
    void init();

    QTreeView *eventTypesTreeView() const { return m_typesView; }
    QTreeView *calendarsTreeView() const { return m_calendarsView; }
    QSplitter *splitter() const { return m_splitter; }

    // Text ids of the selected types; a selected folder stands for its types. In view order.
    QList<QByteArray> selectedEventTypes() const;
    QList<QByteArray> selectedCalendars() const;

    enum ActionId {
        CreateFolder,
        CreateEventType,
        EditEventType,
        RemoveEventType,
        MoveUpEventType,
        MoveDownEventType,
        SetDefaultCalendar,
        CreateNewCalendar,
        EditCalendar,
        RemoveCalendar,
        MoveUpCalendar,
        MoveDownCalendar,
        ActionCount
    };
    QAction *action(ActionId id) const { return m_actions.at(id); }
    QMenu *eventTypesMenu() const { return m_typesMenu; }
    QMenu *calendarsMenu() const { return m_calendarsMenu; }

    // Runs a context menu; tests replace it so no modal loop starts.
    using MenuRunner = std::function<void(QMenu *menu, const QPoint &globalPos)>;
    void setMenuRunner(const MenuRunner &runner) { m_menuRunner = runner; }

signals:
    void closeClicked();
    void createFolderClicked();
    void createCustomTypeClicked();
    void editClicked();
    void removeClicked();
    void moveUpClicked();
    void moveDownClicked();
    void createCalendarClicked();
    void editCalendarClicked();
    void removeCalendarClicked();
    void moveUpCalendarClicked();
    void moveDownCalendarClicked();
    void setCalendarAsDefaultClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void updateButtons();
    void updateCalendarsButtons();

private:
    QWidget *buildPane(const QString &name, const QString &title, bool withClose, QTreeView **view,
                       const QList<ActionId> &buttons, const QString &buttonsName);
    void connectView(QTreeView *view, void (EditorFilterPanel::*slot)());

    QSplitter *m_splitter = nullptr;
    QTreeView *m_calendarsView = nullptr;
    QTreeView *m_typesView = nullptr;
    QList<QAction *> m_actions;
    QMenu *m_typesMenu;
    QMenu *m_calendarsMenu;
    MenuRunner m_menuRunner;
};
