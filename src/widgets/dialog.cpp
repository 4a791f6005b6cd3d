#include "widgets/dialog.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "platform/iwindowsystem.h"
#include "widgets/screenfit.h"
#include "widgets/windowplacement.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QWindow>

namespace {

Properties *properties()
{
    IApplication *app = IApplication::instance();
    return app ? app->properties() : nullptr;
}

} // namespace

Dialog::Dialog(QWidget *parent, const QByteArray &geometrySid, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_geometrySid(geometrySid)
{
    addGeometryProperty();
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    Properties *props = properties();
    if (QR_CHECK(props))
        connect(props, &Properties::propertyChanged, this, &Dialog::onPropertyChanged);
}

Dialog::~Dialog() = default;

Qt::WindowFlags Dialog::fixedSizeFlags(Qt::WindowFlags flags)
{
    // Without the customize hint the window manager is left to choose the buttons, and offers all of them.
    flags &= ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowContextHelpButtonHint);
    return flags | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
}

int Dialog::execWindowModal(QDialog *dialog)
{
    dialog->setWindowModality(Qt::WindowModal);
    return dialog->exec();
}

void Dialog::addGeometryProperty()
{
    if (m_geometrySid.isEmpty())
        return;
    if (Properties *props = properties())
        props->addProperty(m_geometrySid, QVariant(QByteArray()));
}

void Dialog::removeGeometryProperty()
{
    if (m_geometrySid.isEmpty())
        return;
    if (Properties *props = properties())
        props->removeProperty(m_geometrySid);
    m_geometrySid.clear();
}

void Dialog::saveWindowGeometry()
{
    if (m_geometrySid.isEmpty())
        return;
    if (Properties *props = properties())
        props->setValue(m_geometrySid, QVariant(saveGeometry()));
}

void Dialog::restoreWindowGeometry()
{
    QByteArray saved;
    if (!m_geometrySid.isEmpty()) {
        if (Properties *props = properties())
            saved = props->value(m_geometrySid).toByteArray();
    }
    // Bytes that restoreGeometry rejects still count as restored: the window stays where it was
    // rather than jumping to the centre.
    const bool restored = !saved.isEmpty();
    if (restored)
        restoreGeometry(saved);

    ScreenFit::keepOnScreen(this);
    if (!restored) {
        QPoint centre = ScreenFit::availableAreaFor(this).center();
        if (QWidget *parent = parentWidget())
            centre = parent->mapToGlobal(parent->rect().center());
        move(WindowPlacement::centredOn(frameGeometry(), centre).topLeft());
        // Centring on a parent near a screen edge must not push the window off that screen.
        ScreenFit::keepOnScreen(this);
    }
}

void Dialog::takePlaceFromServer()
{
    QWindow *window = windowHandle();
    const QRect onServer =
        window && isVisible() && !m_placePending ? IWindowSystem::shared()->windowRect(window) : QRect();
    if (!onServer.isValid())
        return;
    const QPoint place = (QPointF(onServer.topLeft()) / window->devicePixelRatio()).toPoint();
    if (place != geometry().topLeft())
        setGeometry(QRect(place, size()));
    // A new window's handle may keep the place the window manager reported before it moved the frame, while the
    // widget has the right one: lists open from it, and its next resize moves the window there.
    else if (window->position() != place)
        window->setPosition(place);
}

void Dialog::showEvent(QShowEvent *event)
{
    // Back from minimised, the window is where it was, maximised or not.
    if (!event->spontaneous()) {
        m_placePending = true;
        restoreWindowGeometry();
        if (QWindow *window = windowHandle(); window && !m_fitFramePending) {
            m_fitFramePending = true;
            window->installEventFilter(this);
        }
    }
    QDialog::showEvent(event);
}

void Dialog::changeEvent(QEvent *event)
{
    // Activated, the window has been taken in and placed by the window manager.
    if (event->type() == QEvent::ActivationChange && m_placePending && isActiveWindow()) {
        m_placePending = false;
        takePlaceFromServer();
    }
    QDialog::changeEvent(event);
}

bool Dialog::eventFilter(QObject *watched, QEvent *event)
{
    if (m_fitFramePending && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        m_fitFramePending = false;
        watched->removeEventFilter(this);
        // A window as tall as the screen would have its title bar above it.
        if (frameGeometry() != geometry())
            ScreenFit::keepOnScreen(this);
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::hideEvent(QHideEvent *event)
{
    // A window the user minimises is hidden by the window system: storing its place then would
    // restore it at once and undo a maximised state.
    if (!event->spontaneous())
        saveWindowGeometry();
    QWidget::hideEvent(event);
}

void Dialog::onPropertyChanged(const QByteArray &id, const QVariant &)
{
    if (!m_geometrySid.isEmpty() && id == m_geometrySid)
        restoreWindowGeometry();
}
