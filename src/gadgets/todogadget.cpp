#include "gadgets/todogadget.h"

#include "core/datafileguard.h"
#include "core/iapplication.h"
#include "core/jsonsettingsfile.h"
#include "core/log.h"
#include "core/usermessages.h"
#include "gadgets/gadgetresizer.h"
#include "gadgets/gadgetstyle.h"
#include "gadgets/gadgetthememanager.h"
#include "gadgets/tododelegate.h"
#include "gadgets/todomodel.h"
#include "gadgets/todoview.h"
#include "store/todos/todorecord.h"
#include "ui_todogadgetcontent.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>

namespace ToDoGadgetPrivate {

const QByteArray s_toDosKey("ToDos");
const QByteArray s_captionKey("Caption");
constexpr int s_textMargin = 30;
constexpr int s_minListHeight = 100;

void log(const char *text)
{
    QR_LOG(QByteArray("ToDo: ") + text);
}

bool askClose(QWidget *parent)
{
    using Common::UserMessages;
    const UserMessages::Message question{
        UserMessages::Question,
        ToDoGadget::tr("Close To-Do"),
        ToDoGadget::tr("Are you sure you want to close to-do gadget?\nAll to-dos will be lost."),
        UserMessages::Yes | UserMessages::Cancel,
        parent,
        Qt::Tool | Qt::FramelessWindowHint};
    return UserMessages::ask(question) == UserMessages::Yes;
}

} // namespace ToDoGadgetPrivate

using namespace ToDoGadgetPrivate;

ToDoGadget::ToDoGadget(const QByteArray &uid, GadgetThemeManager *themeManager, QAction *applyToAllAction,
                       const WatchFile &watchFile)
    : Gadget(uid, themeManager, nullptr), m_applyToAllAction(applyToAllAction),
      m_ui(std::make_unique<Ui::ToDoGadgetContent>()), m_content(new QWidget)
{
    GadgetStyle *style = GadgetStyle::instance();
    GadgetResizer::instance()->addWidget(this, 0);
    m_ui->setupUi(m_content);
    setStyle(style);
    // The margin the style removes is asked of the view itself.
    m_ui->view->setStyle(style);

    loadListFile(watchFile);
    connect(m_storage.data(), &ToDoStorage::somethingChanged, this, &ToDoGadget::onDataChanged);

    m_model = std::make_unique<ToDoModel>(m_storage.data());
    m_model->setFontWidget(m_ui->view);
    m_ui->view->setModel(m_model.get());
    m_ui->view->setItemDelegate(new ToDoDelegate(m_ui->view, themeImagesPath()));

    m_ui->editContainerWidget->setFixedHeight(m_ui->enterEdit->sizeHint().height());
    setEditMode(false);
    setWorkingArea(m_content);

    connect(m_ui->enterEdit, &QLineEdit::editingFinished, this, &ToDoGadget::onTextEntered);
    m_ui->enterToDoLabel->installEventFilter(this);
    m_ui->enterEdit->installEventFilter(this);
    m_content->installEventFilter(this);
    m_ui->view->viewport()->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
    m_content->setMouseTracking(true);
    m_ui->enterToDoLabel->setMouseTracking(true);
    m_ui->enterEdit->setMouseTracking(true);

    // A new gadget gets its file at once; one whose file holds its list as it stands has nothing to write.
    if (m_file->value(s_toDosKey) == QVariant(m_storage->objectToMap()))
        QMetaObject::invokeMethod(this, &ToDoGadget::updateMinSize, Qt::QueuedConnection);
    else
        onDataChanged();

    connect(m_storage.data(), &ToDoStorage::somethingChanged, this, &ToDoGadget::clearTextRegionsCache);
    connect(this, &Gadget::captionChanged, this, &ToDoGadget::onCaptionChanged);
    connect(this, &Gadget::nextThemeClicked, this, &ToDoGadget::onNextThemeClicked);
    connect(m_ui->view, &ToDoView::dragCanceled, this, [this] { applyTransparency(); });
}

ToDoGadget::~ToDoGadget()
{
    if (GadgetResizer *resizer = GadgetResizer::existingInstance())
        resizer->removeWidget(this);
    // The view goes with the content widget; the model must outlive it.
    m_ui->view->setModel(nullptr);
}

QString ToDoGadget::toDoFileName(const QByteArray &uid)
{
    IApplication *app = IApplication::instance();
    const QString folder = app ? app->dataLocation() : QString();
    return QDir(folder).absoluteFilePath(
        QStringLiteral("todo.%1.%2").arg(QString::fromLatin1(uid), QStringLiteral("dat")));
}

void ToDoGadget::loadListFile(const WatchFile &watchFile)
{
    const QString fileName = toDoFileName(uid());
    m_file = std::make_unique<Common::JsonSettingsFile>(fileName);
    if (watchFile)
        watchFile(m_file.get());
    const QVariant toDos = m_file->value(s_toDosKey);
    m_storage = QSharedPointer<ToDoStorage>::create();
    Common::DataFileGuard::Problem problem = Common::DataFileGuard::UnknownShape;
    const bool whole = m_storage->objectFromMap(toDos.toMap(), &problem);
    // What the list could not take stays in the file's copy, made before the list is written again.
    const QVariant caption = m_file->value(s_captionKey);
    if (!whole || (toDos.isValid() && toDos.userType() != QMetaType::QVariantMap) ||
        (caption.isValid() && caption.userType() != QMetaType::QString))
        Common::DataFileGuard::notice(fileName, problem);
    setCaption(m_file->value(s_captionKey, tr("To-Dos")).toString());
}

void ToDoGadget::writeList(const QByteArray &key, const QVariant &value)
{
    if (m_fileRemoved)
        return;
    m_file->setValue(key, value);
}

ToDoView *ToDoGadget::view() const
{
    return m_ui->view;
}

void ToDoGadget::addToDo(const QString &text)
{
    IToDoRecordPtr record = ToDoRecord::create();
    record->setText(text);
    m_storage->addEvent(record);
}

bool ToDoGadget::isEditing() const
{
    return !m_ui->enterEdit->isHidden();
}

void ToDoGadget::onDataChanged()
{
    writeList(s_toDosKey, m_storage->objectToMap());
    QMetaObject::invokeMethod(this, &ToDoGadget::updateMinSize, Qt::QueuedConnection);
}

void ToDoGadget::onCaptionChanged()
{
    log("Caption Edited");
    writeList(s_captionKey, caption());
}

void ToDoGadget::setEditMode(bool on)
{
    const bool blocked = m_ui->enterEdit->blockSignals(true);
    m_ui->enterEdit->setVisible(on);
    m_ui->enterEdit->blockSignals(blocked);
    m_ui->enterToDoLabel->setVisible(!on);
    if (on)
        m_ui->enterEdit->setFocus(Qt::OtherFocusReason);
    applyTransparency(true, false);
}

void ToDoGadget::startEditing()
{
    log("Enter edit mode");
    m_ui->enterEdit->clear();
    setEditMode(true);
}

void ToDoGadget::stopEditing()
{
    setEditMode(false);
    log("Finish Editing");
}

void ToDoGadget::onTextEntered()
{
    if (!m_model)
        return;
    const QString text = m_ui->enterEdit->text().trimmed();
    if (!text.isEmpty()) {
        IToDoRecordPtr record = ToDoRecord::create();
        record->setText(text);
        m_ui->enterEdit->clear();
        m_storage->addEvent(record);
    }
    stopEditing();
}

void ToDoGadget::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text().trimmed();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!text.isEmpty() && (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) && text.at(0).isPrint()) {
        if (!isEditing())
            setEditMode(true);
        m_ui->enterEdit->setText(text);
        event->accept();
    }
    Gadget::keyPressEvent(event);
}

void ToDoGadget::updateMinSize()
{
    if (m_model->rowCount() > 0 && isVisible()) {
        int rows = 0;
        for (int row = 0; row < m_model->rowCount(); ++row)
            rows += m_ui->view->visualRect(m_model->index(row, 0)).height();
        setMinimumHeight(height() - m_ui->view->height() + qMax(s_minListHeight, rows));
    }
    setMinimumWidth(m_ui->view->minimumSizeHint().width());
}

void ToDoGadget::clearTextRegionsCache()
{
    m_textRegions = QRegion();
}

QRegion ToDoGadget::textRegions()
{
    if (!m_textRegions.isNull())
        return m_textRegions;
    ToDoView *view = m_ui->view;
    const QFontMetrics metrics(view->font());
    QRegion region;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        const QRect rect = view->visualRect(index);
        if (!rect.isValid())
            continue;
        QRect text = rect;
        text.setWidth(
            qMin(rect.width(), metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + s_textMargin));
        region += text;
        region += QRect(view->viewport()->width() - s_textMargin, rect.top(), s_textMargin, rect.height());
    }
    m_textRegions = region;
    return m_textRegions;
}

void ToDoGadget::resizeEvent(QResizeEvent *event)
{
    Gadget::resizeEvent(event);
    clearTextRegionsCache();
    // Texts wrap by the width.
    m_ui->view->doItemsLayout();
}

void ToDoGadget::showEvent(QShowEvent *event)
{
    Gadget::showEvent(event);
    QMetaObject::invokeMethod(this, &ToDoGadget::updateMinSize, Qt::QueuedConnection);
    log("ToDo Gadget shown");
}

bool ToDoGadget::keepOpaque() const
{
    return isEditing() || Gadget::keepOpaque() || m_menuShown || m_ui->view->isDragging();
}

bool ToDoGadget::canClose()
{
    if (m_storage->count() > 0 && !askClose(this))
        return false;
    QFile::remove(toDoFileName(uid()));
    m_fileRemoved = true;
    log("Gadget Closed");
    return true;
}

void ToDoGadget::onThemeApplied()
{
    m_actionsBuilt = false;
    QAbstractItemDelegate *old = m_ui->view->itemDelegate();
    m_ui->view->setItemDelegate(new ToDoDelegate(m_ui->view, themeImagesPath()));
    delete old;
}

void ToDoGadget::onPropertyChanged(const QByteArray &id, const QVariant &value)
{
    Gadget::onPropertyChanged(id, value);
}

void ToDoGadget::onNextThemeClicked()
{
    setThemeUid(nextThemeUid());
}

void ToDoGadget::onThemeClicked()
{
    if (auto *action = qobject_cast<QAction *>(sender()))
        setThemeUid(action->data().toString());
}

void ToDoGadget::onEditClicked()
{
    log("Edit to-do");
    if (auto *action = qobject_cast<QAction *>(sender()))
        m_ui->view->edit(m_model->index(action->data().toInt(), 0));
}

void ToDoGadget::onRemoveClicked()
{
    log("Remove to-do");
    auto *action = qobject_cast<QAction *>(sender());
    const int row = action ? action->data().toInt() : -1;
    if (row >= 0 && row < m_model->rowCount())
        m_model->removeRow(row);
}

void ToDoGadget::onClearClicked()
{
    log("Clear");
    m_storage->clear();
}

void ToDoGadget::setupActions()
{
    if (m_actionsBuilt)
        return;
    // Built again after a theme change, for the new theme's icons.
    delete m_editAction;
    delete m_removeAction;
    delete m_newToDoGadgetAction;
    delete m_clearAction;
    const QString images = themeImagesPath();
    m_editAction = new QAction(QIcon(images + QStringLiteral("menuedit.png")), tr("Edit"), this);
    connect(m_editAction, &QAction::triggered, this, &ToDoGadget::onEditClicked);
    m_removeAction = new QAction(QIcon(images + QStringLiteral("menuremove.png")), tr("Remove"), this);
    connect(m_removeAction, &QAction::triggered, this, &ToDoGadget::onRemoveClicked);
    m_newToDoGadgetAction =
        new QAction(QIcon(images + QStringLiteral("menunewtodo.png")), tr("New To-Do Gadget"), this);
    connect(m_newToDoGadgetAction, &QAction::triggered, this, &ToDoGadget::newToDoGadget);
    m_clearAction = new QAction(QIcon(images + QStringLiteral("menuclear.png")), tr("Clear"), this);
    connect(m_clearAction, &QAction::triggered, this, &ToDoGadget::onClearClicked);

    m_themeMenu = std::make_unique<QMenu>(tr("Theme"));
    m_themeMenu->setIcon(QIcon(images + QStringLiteral("menutheme.png")));
    if (GadgetThemeManager *themes = themeManager()) {
        const QStringList ids = themes->ids();
        for (const QString &id : ids) {
            const GadgetThemeInfo info = themes->infoById(id);
            QAction *action = m_themeMenu->addAction(QIcon(makeThemeIcon(info.defaultColor)), info.name);
            action->setCheckable(true);
            action->setData(id);
            connect(action, &QAction::triggered, this, &ToDoGadget::onThemeClicked);
        }
    }
    m_themeMenu->addSeparator();
    if (m_applyToAllAction)
        m_themeMenu->addAction(m_applyToAllAction);
    m_actionsBuilt = true;
}

QList<QAction *> ToDoGadget::contextMenuActions(const QPoint &globalPos)
{
    setupActions();
    QList<QAction *> actions;
    ToDoView *view = m_ui->view;
    const QPoint inViewport = view->viewport()->mapFromGlobal(globalPos);
    const QModelIndex index = view->indexAt(inViewport);
    if (view->viewport()->rect().contains(inViewport) && index.isValid()) {
        m_editAction->setData(index.row());
        m_removeAction->setData(index.row());
        actions << m_editAction << m_removeAction << nullptr;
    } else if (isOverHeader(globalPos)) {
        actions << renameAction() << nullptr;
    }
    actions << m_newToDoGadgetAction << nullptr << m_themeMenu->menuAction();

    const QString theme = themeUid();
    const QList<QAction *> themeActions = m_themeMenu->actions();
    for (QAction *action : themeActions) {
        if (action == m_applyToAllAction || action->isSeparator())
            continue;
        const bool current = action->data().toString() == theme;
        action->setChecked(current);
        action->setIcon(
            current ? QIcon() : QIcon(makeThemeIcon(themeManager()->infoById(action->data().toString()).defaultColor)));
    }
    if (m_applyToAllAction)
        m_applyToAllAction->setData(theme);

    if (m_model->rowCount() > 0)
        actions << nullptr << m_clearAction;
    actions << nullptr << aboutAction() << nullptr << closeAction();
    return actions;
}

void ToDoGadget::showContextMenu(const QPoint &globalPos)
{
    log("Context Menu Event");
    const QList<QAction *> actions = contextMenuActions(globalPos);
    QMenu menu;
    menu.setStyleSheet(styleSheet());
    menu.setWindowOpacity(0.9);
    m_themeMenu->setStyleSheet(styleSheet());
    for (QAction *action : actions) {
        if (action)
            menu.addAction(action);
        else
            menu.addSeparator();
    }
    m_menuShown = true;
    menu.exec(globalPos);
    m_menuShown = false;
    applyTransparency(true, false);
}

void ToDoGadget::mouseReleaseEvent(QMouseEvent *event)
{
    Gadget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        showContextMenu(event->globalPosition().toPoint());
}

bool ToDoGadget::viewportMouseEvent(QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    ToDoView *view = m_ui->view;
    const QPoint pos = mouse->position().toPoint();
    const QPoint global = mouse->globalPosition().toPoint();
    const bool onText = textRegions().contains(pos);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        if (!onText) {
            // The empty part of the list is the gadget's background: it drags the gadget.
            QMouseEvent forwarded(event->type(), mapFromGlobal(global), global, mouse->button(), mouse->buttons(),
                                  mouse->modifiers());
            QCoreApplication::sendEvent(this, &forwarded);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::RightButton)
            showContextMenu(global);
        return false;
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton) {
            const QModelIndex index = view->indexAt(pos);
            if (!index.isValid())
                startEditing();
            else if (!onText)
                view->edit(index);
        }
        return false;
    default:
        return false;
    }
}

bool ToDoGadget::eventFilter(QObject *object, QEvent *event)
{
    if (object == m_ui->enterToDoLabel && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        startEditing();
        return true;
    }
    if (object == m_ui->enterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        stopEditing();
        return true;
    }
    if (object == m_ui->view->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
         event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonDblClick)) {
        if (viewportMouseEvent(event))
            return true;
    }
    return Gadget::eventFilter(object, event);
}
