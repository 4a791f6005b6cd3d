#include "editor/editorfilterpanel.h"

#include "core/log.h"
#include "editor/calendarmodel.h"
#include "editor/editorresources.h"
#include "eventtypes/eventtypestreemodel.h"
#include "eventtypes/ieventtype.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

struct ActionSpec
{
    const char *name;
    const char *text;
    const char *icon;
    const char *button;
};

const ActionSpec kActions[EditorFilterPanel::ActionCount] = {
    {"actionCreateFolder", QT_TRANSLATE_NOOP("EditorFilterPanel", "Create &Folder"), "folder16.png", "addFolderButton"},
    {"actionCreateEventType", QT_TRANSLATE_NOOP("EditorFilterPanel", "Create Event &Type"), "add16.png",
     "addCustomTypeButton"},
    {"actionEditEventType", QT_TRANSLATE_NOOP("EditorFilterPanel", "&Edit..."), "edit16.png", "editCustomTypeButton"},
    {"actionRemoveEventType", QT_TRANSLATE_NOOP("EditorFilterPanel", "&Remove"), "cancel16.png", "removeButton"},
    {"actionMoveUpEventType", QT_TRANSLATE_NOOP("EditorFilterPanel", "Move &Up"), "up16.png", "moveUpButton"},
    {"actionMoveDownEventType", QT_TRANSLATE_NOOP("EditorFilterPanel", "Move &Down"), "down16.png", "moveDownButton"},
    {"actionSetDefaultCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "&Set Default Calendar"), "ok.png",
     "setAsDefaultButton"},
    {"actionCreateNewCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "Create &New Calendar"), "add16.png",
     "newCalendarButton"},
    {"actionEditCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "&Edit..."), "edit16.png", "editCalendarButton"},
    {"actionRemoveCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "&Remove"), "cancel16.png", "removeCalendarButton"},
    {"actionMoveUpCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "Move &Up"), "up16.png", "moveUpCalendarButton"},
    {"actionMoveDownCalendar", QT_TRANSLATE_NOOP("EditorFilterPanel", "Move &Down"), "down16.png",
     "moveDownCalendarButton"},
};

void setUpView(QTreeView *view)
{
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed);
    view->setDragDropMode(QAbstractItemView::InternalMove);
    view->setAutoExpandDelay(200);
    view->setIndentation(10);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(true);
    view->setAnimated(false);
    view->setHeaderHidden(true);
}

QHBoxLayout *rowLayout(QWidget *parent, const char *name)
{
    auto *layout = new QHBoxLayout(parent);
    layout->setObjectName(QLatin1String(name));
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

EditorFilterPanel::EditorFilterPanel(QWidget *parent)
    : QWidget(parent), m_typesMenu(new QMenu(this)), m_calendarsMenu(new QMenu(this))
{
    initEditorResources();
    setObjectName(QStringLiteral("EditorFilterPanel"));
    resize(170, 642);
    setMinimumWidth(170);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    for (int id = 0; id < ActionCount; ++id) {
        const ActionSpec &spec = kActions[id];
        auto *action = new QAction(QIcon(QStringLiteral(":/Ostrevalder/icons/red/") + QLatin1String(spec.icon)),
                                   tr(spec.text), this);
        action->setObjectName(QLatin1String(spec.name));
        // The buttons' tooltips show the text without its menu key.
        action->setToolTip(action->text().remove(QLatin1Char('&')));
        m_actions << action;
    }

    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter);
    m_splitter->addWidget(buildPane(
        QStringLiteral("calendarsWidget"), tr("Calendars"), true, &m_calendarsView,
        {SetDefaultCalendar, CreateNewCalendar, EditCalendar, RemoveCalendar, MoveUpCalendar, MoveDownCalendar},
        QStringLiteral("calendarsButtonsWidget")));
    m_calendarsView->setObjectName(QStringLiteral("calendarsTreeView"));
    m_splitter->addWidget(
        buildPane(QStringLiteral("eventTypesWidget"), tr("Event Types"), false, &m_typesView,
                  {CreateFolder, CreateEventType, EditEventType, RemoveEventType, MoveUpEventType, MoveDownEventType},
                  QStringLiteral("typesButtonsWidget")));
    m_typesView->setObjectName(QStringLiteral("treeView"));

    const QList<void (EditorFilterPanel::*)()> relays = {
        &EditorFilterPanel::createFolderClicked,
        &EditorFilterPanel::createCustomTypeClicked,
        &EditorFilterPanel::editClicked,
        &EditorFilterPanel::removeClicked,
        &EditorFilterPanel::moveUpClicked,
        &EditorFilterPanel::moveDownClicked,
        &EditorFilterPanel::setCalendarAsDefaultClicked,
        &EditorFilterPanel::createCalendarClicked,
        &EditorFilterPanel::editCalendarClicked,
        &EditorFilterPanel::removeCalendarClicked,
        &EditorFilterPanel::moveUpCalendarClicked,
        &EditorFilterPanel::moveDownCalendarClicked,
    };
    for (int id = 0; id < ActionCount; ++id)
        connect(m_actions.at(id), &QAction::triggered, this, relays.at(id));
    // After the relay, so the buttons see the default the editor has just set.
    connect(m_actions.at(SetDefaultCalendar), &QAction::triggered, this, &EditorFilterPanel::updateCalendarsButtons);

    m_typesMenu->addActions({m_actions.at(CreateFolder), m_actions.at(CreateEventType), m_actions.at(EditEventType),
                             m_actions.at(RemoveEventType)});
    m_typesMenu->addSeparator();
    m_typesMenu->addActions({m_actions.at(MoveUpEventType), m_actions.at(MoveDownEventType)});
    m_calendarsMenu->addAction(m_actions.at(SetDefaultCalendar));
    m_calendarsMenu->setDefaultAction(m_actions.at(SetDefaultCalendar));
    m_calendarsMenu->addSeparator();
    m_calendarsMenu->addActions(
        {m_actions.at(CreateNewCalendar), m_actions.at(EditCalendar), m_actions.at(RemoveCalendar)});
    m_calendarsMenu->addSeparator();
    m_calendarsMenu->addActions({m_actions.at(MoveUpCalendar), m_actions.at(MoveDownCalendar)});
    m_menuRunner = [](QMenu *menu, const QPoint &pos) { menu->exec(pos); };
}

QWidget *EditorFilterPanel::buildPane(const QString &name, const QString &title, bool withClose, QTreeView **view,
                                      const QList<ActionId> &buttons, const QString &buttonsName)
{
    auto *pane = new QWidget(this);
    pane->setObjectName(name);
    pane->setMinimumHeight(140);
    auto *layout = new QVBoxLayout(pane);
    layout->setObjectName(withClose ? QStringLiteral("verticalLayout_3") : QStringLiteral("verticalLayout_2"));
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 3, 0);

    auto *header = new QWidget(pane);
    header->setObjectName(withClose ? QStringLiteral("calendarsHeader") : QStringLiteral("topWidget"));
    header->setMinimumWidth(15);
    header->setAttribute(Qt::WA_StyledBackground);
    QHBoxLayout *headerLayout = rowLayout(header, withClose ? "horizontalLayout_6" : "horizontalLayout_2");
    auto *label = new QLabel(title, header);
    label->setObjectName(withClose ? QStringLiteral("label_3") : QStringLiteral("label"));
    if (withClose) {
        // An invisible twin at the row's other end keeps the title centred.
        auto *twin = new QToolButton(header);
        twin->setObjectName(QStringLiteral("closePanelButtonCopy"));
        twin->setAutoRaise(true);
        twin->setToolTip(tr("Close Panel"));
        headerLayout->addWidget(twin);
        headerLayout->addStretch();
        headerLayout->addWidget(label);
        headerLayout->addStretch();
        auto *close = new QToolButton(header);
        close->setObjectName(QStringLiteral("closePanelButton"));
        close->setAutoRaise(true);
        close->setToolTip(tr("Close Panel"));
        headerLayout->addWidget(close);
        connect(close, &QToolButton::clicked, this, &EditorFilterPanel::closeClicked);
    } else {
        headerLayout->addStretch();
        headerLayout->addWidget(label);
        headerLayout->addStretch();
    }
    layout->addWidget(header);

    auto *buttonRow = new QWidget(pane);
    buttonRow->setObjectName(buttonsName);
    buttonRow->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    buttonRow->setMaximumHeight(24);
    buttonRow->setAttribute(Qt::WA_StyledBackground);
    QHBoxLayout *buttonLayout = rowLayout(buttonRow, withClose ? "horizontalLayout_5" : "horizontalLayout");
    for (ActionId id : buttons) {
        auto *button = new QToolButton(buttonRow);
        button->setObjectName(QLatin1String(kActions[id].button));
        button->setDefaultAction(m_actions.at(id));
        button->setAutoRaise(true);
        buttonLayout->addWidget(button);
    }
    buttonLayout->addStretch();
    layout->addWidget(buttonRow);

    *view = new QTreeView(pane);
    setUpView(*view);
    layout->addWidget(*view);
    return pane;
}

void EditorFilterPanel::connectView(QTreeView *view, void (EditorFilterPanel::*slot)())
{
    QAbstractItemModel *model = view->model();
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, slot);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, slot);
    connect(model, &QAbstractItemModel::rowsInserted, this, slot);
    connect(model, &QAbstractItemModel::rowsMoved, this, slot);
    connect(model, &QAbstractItemModel::rowsRemoved, this, slot);
    connect(model, &QAbstractItemModel::layoutChanged, this, slot);
    connect(model, &QAbstractItemModel::modelReset, this, slot);
}

void EditorFilterPanel::init()
{
    connectView(m_typesView, &EditorFilterPanel::updateButtons);
    connectView(m_calendarsView, &EditorFilterPanel::updateCalendarsButtons);
    m_typesView->viewport()->installEventFilter(this);
    m_calendarsView->viewport()->installEventFilter(this);
    m_typesView->installEventFilter(this);
    m_calendarsView->installEventFilter(this);
    updateButtons();
    updateCalendarsButtons();
}

static_assert(CalendarModel::ItemIsRemovable == IEventTypesStorage::ItemIsRemovable,
              "the panel reads both lists' removable flag alike");

void EditorFilterPanel::updateButtons()
{
    const QModelIndex current = m_typesView->currentIndex();
    const int flags = current.isValid() ? int(current.flags()) : 0;
    m_actions.at(CreateFolder)->setEnabled(!current.parent().isValid());
    m_actions.at(CreateEventType)->setEnabled(true);
    m_actions.at(EditEventType)->setEnabled(flags & Qt::ItemIsEditable);
    m_actions.at(RemoveEventType)->setEnabled(flags & IEventTypesStorage::ItemIsRemovable);
    m_actions.at(MoveUpEventType)->setEnabled(flags & IEventTypesStorage::ItemCanBeMovedUp);
    m_actions.at(MoveDownEventType)->setEnabled(flags & IEventTypesStorage::ItemCanBeMovedDown);
}

void EditorFilterPanel::updateCalendarsButtons()
{
    const QModelIndex current = m_calendarsView->currentIndex();
    const bool valid = current.isValid();
    const bool removable = valid && (int(current.flags()) & CalendarModel::ItemIsRemovable);
    m_actions.at(CreateNewCalendar)->setEnabled(true);
    m_actions.at(EditCalendar)->setEnabled(valid);
    m_actions.at(RemoveCalendar)->setEnabled(removable);
    m_actions.at(SetDefaultCalendar)->setEnabled(removable);
    m_actions.at(MoveUpCalendar)->setEnabled(valid && current.row() != 0);
    m_actions.at(MoveDownCalendar)->setEnabled(valid && current.row() < m_calendarsView->model()->rowCount() - 1);
}

QList<QByteArray> EditorFilterPanel::selectedEventTypes() const
{
    QList<QByteArray> result;
    auto *model = qobject_cast<EventTypesTreeModel *>(m_typesView->model());
    if (!QR_CHECK(model))
        return result;
    QModelIndexList indexes = m_typesView->selectionModel()->selectedIndexes();
    const int taken = int(indexes.count());
    for (int i = 0; i < taken; ++i) {
        const QModelIndex index = indexes.at(i);
        if (!model->isFolder(index))
            continue;
        for (int row = 0; row < model->rowCount(index); ++row)
            indexes << model->index(row, 0, index);
    }
    for (const QModelIndex &index : std::as_const(indexes)) {
        if (model->isFolder(index))
            continue;
        if (IEventType *type = model->typeAt(index)) {
            if (!result.contains(type->textId()))
                result << type->textId();
        }
    }
    return result;
}

QList<QByteArray> EditorFilterPanel::selectedCalendars() const
{
    QList<QByteArray> result;
    for (const QModelIndex &index : m_calendarsView->selectionModel()->selectedIndexes()) {
        const QByteArray id = index.data(CalendarModel::CalendarIdRole).toByteArray();
        if (!result.contains(id))
            result << id;
    }
    return result;
}

bool EditorFilterPanel::eventFilter(QObject *watched, QEvent *event)
{
    // F2 renames in place here; without this the window's "Edit Event" shortcut took the key.
    if ((watched == m_typesView || watched == m_calendarsView) && event->type() == QEvent::ShortcutOverride) {
        auto *view = static_cast<QTreeView *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier &&
            (view->currentIndex().flags() & Qt::ItemIsEditable)) {
            event->accept();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    const bool types = watched == m_typesView->viewport();
    const bool calendars = watched == m_calendarsView->viewport();
    if ((!types && !calendars) ||
        (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    QTreeView *view = types ? m_typesView : m_calendarsView;
    const bool onItem = view->indexAt(mouse->position().toPoint()).isValid();
    // The types view clears on the press, the calendars view on the release.
    const QEvent::Type clearOn = types ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease;
    if (mouse->button() == Qt::LeftButton && event->type() == clearOn && !onItem) {
        view->setCurrentIndex(QModelIndex());
        return true;
    }
    if (mouse->button() == Qt::RightButton && event->type() == QEvent::MouseButtonRelease) {
        if (onItem)
            m_menuRunner(types ? m_typesMenu : m_calendarsMenu, mouse->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
