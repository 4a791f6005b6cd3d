#include "gadgets/gadget.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "gadgets/gadgetthememanager.h"
#include "platform/iwindowprobe.h"
#include "platform/iwindowsystem.h"
#include "ui_gadget.h"
#include "widgets/clickfocus.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QSet>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegularExpression>
#include <QScreen>
#include <QWindow>

namespace GadgetPrivate {

const QByteArray s_themeProperty(Setting::GadgetTheme);
IWindowProbe *s_probe = nullptr;

IWindowProbe *probe()
{
    return s_probe ? s_probe : IWindowProbe::platformProbe();
}

QSet<Gadget *> &liveGadgets()
{
    static QSet<Gadget *> s_gadgets;
    return s_gadgets;
}

bool s_compositing = true;

// Asks once, then follows the compositing manager as it starts and stops.
bool compositing()
{
    static bool s_watching = false;
    if (!s_watching) {
        s_watching = true;
        s_compositing = IWindowSystem::shared()->compositing();
        IWindowSystem::shared()->watchCompositing([](bool on) {
            s_compositing = on;
            for (Gadget *gadget : std::as_const(liveGadgets()))
                gadget->setShadow(on);
        });
    }
    return s_compositing;
}

QString dataLocation()
{
    IApplication *app = IApplication::instance();
    return app ? app->dataLocation() : QString();
}

} // namespace GadgetPrivate

using namespace GadgetPrivate;

void Gadget::setWindowProbe(IWindowProbe *probe)
{
    s_probe = probe;
}

Gadget::Gadget(const QByteArray &uid, GadgetThemeManager *themeManager, QWidget *parent)
    : DragableWidget(uid, parent), m_ui(std::make_unique<Ui::Gadget>()), m_uid(uid), m_themeManager(themeManager)
{
    m_opacityAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    m_ui->setupUi(this);
    setupProperties();
    setupActions();

    m_ui->area->setMouseTracking(true);
    m_ui->caption->setMouseTracking(true);
    m_ui->area->installEventFilter(this);
    m_ui->caption->installEventFilter(this);
    m_ui->captionEdit->installEventFilter(this);
    connect(m_ui->closeButton, &QToolButton::clicked, this, &Gadget::onCloseClicked);
    connect(m_ui->changeThemeButton, &ButtonLabel::clicked, this, &Gadget::nextThemeClicked);

    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Widget Info"));

    // The shadow is painted by the window (paintEvent), not by a graphics effect on the body: an effect
    // there keeps a picture of the body's children and never showed the controls fading in on it.

    setCaptionEditing(false);
    connect(m_ui->captionEdit, &QLineEdit::editingFinished, this, &Gadget::onCaptionEntered);
    resize(180, 225);
    new ClickFocus(this, IWindowSystem::shared(), [this] { nativeFlagsChanged(); });
    liveGadgets().insert(this);
    refreshShadow();
}

Gadget::~Gadget()
{
    liveGadgets().remove(this);
    saveWindowGeometry();
    emit aboutToBeDestroyed();
}

bool Gadget::isGeneratedUid(const QString &uid)
{
    // Anchored at the very end: "$" would also take a uid followed by a line break.
    static const QRegularExpression s_form(QRegularExpression::anchoredPattern(
        QStringLiteral("\\{[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}\\}")));
    return s_form.match(uid).hasMatch();
}

void Gadget::setupProperties()
{
    // A gadget of another uid keeps no property file: it could be the name of another data file.
    const bool ownName = QR_CHECK(isGeneratedUid(QString::fromLatin1(m_uid)));
    m_properties = std::make_unique<Properties>(
        nullptr, ownName ? QDir(dataLocation()).filePath(QString::fromLatin1(m_uid + ".dat")) : QString(), m_uid);
    connect(m_properties.get(), &Properties::propertyChanged, this, &Gadget::onPropertyChanged);
    registerThemeProperty(m_properties.get(), m_themeManager);
}

void Gadget::registerThemeProperty(Properties *properties, GadgetThemeManager *themeManager)
{
    properties->addProperty(s_themeProperty, themeManager ? themeManager->ids().value(0) : QString());
}

void Gadget::setupActions()
{
    m_renameGadgetAction =
        new QAction(QIcon(themeImagesPath() + QStringLiteral("menuedit.png")), tr("Rename..."), this);
    connect(m_renameGadgetAction, &QAction::triggered, this, &Gadget::startEditCaption);
    m_closeAction = new QAction(QIcon(themeImagesPath() + QStringLiteral("menuclose.png")), tr("Close Gadget"), this);
    connect(m_closeAction, &QAction::triggered, this, &Gadget::onCloseClicked);
    m_aboutAction = new QAction(tr("About"), this);
    connect(m_aboutAction, &QAction::triggered, this, &Gadget::onAboutClicked);
}

QString Gadget::caption() const
{
    return m_ui->caption->text();
}

void Gadget::setCaption(const QString &caption)
{
    if (caption == this->caption())
        return;
    m_ui->caption->setText(caption.isEmpty() ? tr("To-Dos") : caption);
    emit captionChanged();
}

void Gadget::setWorkingArea(QWidget *widget)
{
    auto *layout = qobject_cast<QBoxLayout *>(m_ui->bodyWidget->layout());
    QR_ASSERT(layout);
    if (layout)
        layout->insertWidget(0, widget);
}

QString Gadget::themeUid() const
{
    return m_properties->value(s_themeProperty).toString();
}

void Gadget::setThemeUid(const QString &uid)
{
    m_properties->setValue(s_themeProperty, uid);
}

QString Gadget::nextThemeUid() const
{
    const int count = m_themeManager ? m_themeManager->count() : 0;
    const QString current = themeUid();
    for (int i = 0; i < count; ++i) {
        if (m_themeManager->idAt(i) == current)
            return m_themeManager->idAt((i + 1) % count);
    }
    QR_ASSERT(!"not found");
    return QString();
}

QColor Gadget::nextThemeColor() const
{
    return m_themeManager ? m_themeManager->infoById(nextThemeUid()).defaultColor : QColor();
}

QString Gadget::themeImagesPath() const
{
    return m_themeManager ? m_themeManager->infoById(themeUid()).imagesPath : QString();
}

void Gadget::applyTheme()
{
    if (m_themeManager)
        setStyleSheet(m_themeManager->generateCss(themeUid()));
    QColor color = nextThemeColor();
    m_ui->changeThemeButton->setHoverPixmap(makeThemeIcon(color));
    color.setAlpha(90);
    m_ui->changeThemeButton->setPixmap(makeThemeIcon(color));
    onThemeApplied();
}

QPixmap Gadget::makeThemeIcon(const QColor &color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(0.75, 6);
    path.lineTo(6, 0.75);
    path.lineTo(11.25, 6);
    path.lineTo(6, 11.25);
    path.closeSubpath();
    painter.fillPath(path, QBrush(color));
    // The next theme's colour may be close to this caption's: a light rim keeps the shape visible on
    // the dark captions of every theme, quieter while the button rests.
    painter.strokePath(path, QPen(QColor(255, 255, 255, color.alpha() < 255 ? 200 : 255), 1.5));
    return pixmap;
}

bool Gadget::isOverHeader(const QPoint &globalPos) const
{
    const QPoint local = m_ui->header->mapFromGlobal(globalPos);
    return m_ui->header->rect().contains(local);
}

void Gadget::setGeometryAndStore(const QRect &geometry)
{
    setGeometry(geometry);
    saveWindowGeometry();
}

bool Gadget::isOwnWindowAt(const QPoint &globalPos) const
{
    const QWindow *window = windowHandle();
    return window && probe()->isWindowAt(window, globalPos);
}

bool Gadget::isPartlyVisible()
{
    QCoreApplication::processEvents();
    const QList<QPoint> corners = {QPoint(5, 5), QPoint(width() - 5, 5), QPoint(width() - 5, height() - 5),
                                   QPoint(5, height() - 5)};
    for (const QPoint &corner : corners) {
        if (isOwnWindowAt(mapToGlobal(corner)))
            return true;
    }
    return false;
}

QPixmap Gadget::grabAreaPixmap()
{
    QPixmap pixmap(m_ui->area->size());
    pixmap.fill(Qt::transparent);
    m_ui->area->render(&pixmap, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return pixmap;
}

QList<IBackupObject *> Gadget::backupObjects() const
{
    return {m_properties.get()};
}

QVariant Gadget::geometryToJson() const
{
    QVariantMap map;
    map.insert(QStringLiteral("version"), 1);
    map.insert(QStringLiteral("x"), x());
    map.insert(QStringLiteral("y"), y());
    map.insert(QStringLiteral("w"), width());
    map.insert(QStringLiteral("h"), height());
    return map;
}

bool Gadget::geometryFromJson(const QVariant &json)
{
    const QVariantMap map = json.toMap();
    QR_ASSERT(map[QLatin1String("version")].toInt() == 1);
    const QPoint topLeft(map.value(QStringLiteral("x")).toInt(), map.value(QStringLiteral("y")).toInt());
    if (!screenAreaAt(topLeft).contains(topLeft))
        return false;
    move(topLeft);
    resize(map.value(QStringLiteral("w")).toInt(), map.value(QStringLiteral("h")).toInt());
    return true;
}

bool Gadget::keepOpaque() const
{
    return isEditingCaption();
}

bool Gadget::isEditingCaption() const
{
    return !m_ui->captionEdit->isHidden();
}

bool Gadget::canClose()
{
    return true;
}

void Gadget::onPropertyChanged(const QByteArray &id, const QVariant &value)
{
    if (id != s_themeProperty)
        return;
    // The theme is applied lazily at the first show; until then only the property changes.
    if (!styleSheet().isEmpty())
        applyTheme();
    emit themeChangedByUser(value.toString());
}

void Gadget::setupAutoVisibility()
{
    if (!m_autoVisibilityEffects.isEmpty())
        return;
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (!child->property("autoVisibility").toBool())
            continue;
        auto *effect = new QGraphicsOpacityEffect(child);
        child->setGraphicsEffect(effect);
        auto *animation = new QPropertyAnimation(effect, "opacity", effect);
        animation->setDuration(s_fadeMs);
        animation->setStartValue(1.0);
        animation->setEndValue(0.0);
        animation->setObjectName(QStringLiteral("opacityAnimation"));
        m_autoVisibilityEffects << effect;
        m_autoVisibilityAnimations << animation;
    }
}

void Gadget::applyTransparency(bool animate, bool forseMouseOff)
{
    if (isHidden())
        return;
    const bool mouseIn = isOwnWindowAt(QCursor::pos()) && !forseMouseOff;
    if (mouseIn || keepOpaque()) {
        if (m_mouseOut)
            enterMouseIn();
    } else if (!m_mouseOut) {
        enterMouseOut(animate);
    }
}

void Gadget::enterMouseIn()
{
    m_mouseOut = false;
    m_opacityAnimation->stop();
    setWindowOpacity(s_opacityMouseIn);
    for (QPropertyAnimation *animation : std::as_const(m_autoVisibilityAnimations))
        animation->stop();
    for (QGraphicsOpacityEffect *effect : std::as_const(m_autoVisibilityEffects))
        effect->setOpacity(1.0);
}

void Gadget::enterMouseOut(bool animate)
{
    m_mouseOut = true;
    for (int i = 0; i < m_autoVisibilityEffects.size(); ++i) {
        if (animate)
            m_autoVisibilityAnimations.at(i)->start();
        else
            m_autoVisibilityEffects.at(i)->setOpacity(0.0);
    }
    if (animate) {
        m_opacityAnimation->stop();
        m_opacityAnimation->setDuration(s_fadeMs);
        m_opacityAnimation->setStartValue(windowOpacity());
        m_opacityAnimation->setEndValue(s_opacityMouseOut);
        m_opacityAnimation->start();
    } else {
        setWindowOpacity(s_opacityMouseOut);
    }
}

void Gadget::enterEvent(QEnterEvent *event)
{
    // The window system says the pointer came in: believe it, a probe of the stacking order may not
    // have caught up with a window just mapped.
    if (m_mouseOut)
        enterMouseIn();
    else
        applyTransparency(true, false);
    DragableWidget::enterEvent(event);
    emit mouseEntered();
}

void Gadget::leaveEvent(QEvent *event)
{
    applyTransparency(true, true);
    DragableWidget::leaveEvent(event);
    emit mouseLeft();
}

void Gadget::setCaptionEditing(bool on)
{
    m_ui->captionLabelHolder->setVisible(!on);
    // Hiding the editor must not count as finishing it.
    const bool blocked = m_ui->captionEdit->blockSignals(true);
    m_ui->captionEdit->setVisible(on);
    m_ui->captionEdit->blockSignals(blocked);
    if (on)
        m_ui->captionEdit->setFocus(Qt::OtherFocusReason);
    applyTransparency(true, false);
}

void Gadget::startEditCaption()
{
    m_ui->captionEdit->setText(caption());
    m_ui->captionEdit->selectAll();
    setCaptionEditing(true);
}

void Gadget::onCaptionEntered()
{
    setCaption(m_ui->captionEdit->text().trimmed());
    setCaptionEditing(false);
}

bool Gadget::eventFilter(QObject *object, QEvent *event)
{
    if (object == m_ui->captionEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        setCaptionEditing(false);
        return true;
    }
    if ((object == m_ui->area || object == m_ui->caption || object == m_ui->captionEdit) &&
        event->type() == QEvent::MouseButtonDblClick) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint local = m_ui->captionLabelHolder->mapFromGlobal(mouse->globalPosition().toPoint());
        if (mouse->button() == Qt::LeftButton && m_ui->captionLabelHolder->rect().contains(local)) {
            startEditCaption();
            return true;
        }
    }
    return DragableWidget::eventFilter(object, event);
}

void Gadget::keyPressEvent(QKeyEvent *event)
{
    // A gadget does not close on Escape, as a dialog would.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    DragableWidget::keyPressEvent(event);
}

void Gadget::refreshShadow()
{
    setShadow(compositing());
}

void Gadget::setShadow(bool on)
{
    m_shadow = on;
    // The body takes the shadow's margin when there is none, so no see-through band is left.
    layout()->setContentsMargins(0, 0, on ? 4 : 0, on ? 4 : 0);
    layout()->activate();
    update();
}

void Gadget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!m_shadow)
        return;
    // A soft shadow beside and below the body, in the margin the layout leaves for it.
    QPainter painter(this);
    const QRect body = m_ui->area->geometry();
    painter.setClipRegion(QRegion(rect()).subtracted(body));
    for (int i = 1; i <= 3; ++i)
        painter.fillRect(body.translated(i, i).adjusted(2, 2, 0, 0), QColor(0, 0, 0, 20));
}

void Gadget::resizeEvent(QResizeEvent *event)
{
    DragableWidget::resizeEvent(event);
}

void Gadget::showEvent(QShowEvent *event)
{
    // Told before it maps, so that the window manager reads it with the window.
    if (QWindow *window = windowHandle()) {
        IWindowSystem::shared()->setDesktopToolType(window);
        IWindowSystem::shared()->setSkipTaskbar(window);
    }
    if (styleSheet().isEmpty())
        applyTheme();
    setupAutoVisibility();
    DragableWidget::showEvent(event);
    applyTransparency(false, false);
    QMetaObject::invokeMethod(this, &Gadget::shown, Qt::QueuedConnection);
}

void Gadget::nativeFlagsChanged()
{
    // Qt writes the window's type anew with its flags.
    if (QWindow *window = windowHandle())
        IWindowSystem::shared()->setDesktopToolType(window);
}

QList<QRect> Gadget::foreignWindowRects() const
{
    const QWindow *window = windowHandle();
    const qreal ratio = window ? window->devicePixelRatio() : 1.0;
    QList<QRect> rects;
    for (const QRect &r : IWindowSystem::shared()->shownWindowRects(const_cast<QWindow *>(window)))
        rects << QRect(QPoint(qRound(r.x() / ratio), qRound(r.y() / ratio)),
                       QSize(qRound(r.width() / ratio), qRound(r.height() / ratio)));
    return rects;
}

void Gadget::hideEvent(QHideEvent *event)
{
    DragableWidget::hideEvent(event);
}

void Gadget::onCloseClicked()
{
    if (!canClose())
        return;
    hide();
    deleteLater();
    removeGeometryProperty();
}

void Gadget::onAboutClicked()
{
    if (IApplication *app = IApplication::instance())
        app->showAboutDialog();
}
