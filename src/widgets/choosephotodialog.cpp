#include "widgets/choosephotodialog.h"

#include "core/log.h"
#include "widgets/choosephotowidget.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

QSize layoutMargins(const QLayout *layout)
{
    const QMargins m = layout->contentsMargins();
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

} // namespace

QPixmap ChoosePhotoDialog::preparedPicture(const QPixmap &picture, const QSize &cropSize)
{
    if (picture.isNull() || cropSize.isEmpty())
        return picture;
    const float r =
        std::min(float(picture.width()) / float(cropSize.width()), float(picture.height()) / float(cropSize.height()));
    if (r >= 1.0f)
        return picture;
    const QSize size(int(picture.width() / r) + 1, int(picture.height() / r) + 1);
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

ChoosePhotoDialog::ChoosePhotoDialog(const QPixmap &picture, const QSize &cropSize) : QDialog(nullptr, Qt::Dialog)
{
    auto *layout = new QHBoxLayout(this);
    setWindowTitle(tr("Choose right size and position"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setMouseTracking(true);

    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

    m_photoWidget = new ChoosePhotoWidget(this);
    const QPixmap prepared = preparedPicture(picture, cropSize);
    m_photoWidget->setMaximumSize(prepared.size().boundedTo(area.size() - QSize(100, 150)));
    m_photoWidget->setPhoto(prepared);
    m_photoWidget->setCropSize(cropSize);
    // Centred in a window made wider for its title.
    layout->addWidget(m_photoWidget, 0, Qt::AlignCenter);
    m_maxSize = m_photoWidget->maximumSize() + layoutMargins(layout);
    m_maxSize.setWidth(std::max(m_maxSize.width(), titleWidth()));
    setMaximumSize(m_maxSize);

    initZoom();
    zoomBy(0);
    QRect r(QPoint(0, 0), size());
    r.moveCenter(area.center());
    move(r.topLeft());

    connect(&m_startDraggingTimer, &QTimer::timeout, m_photoWidget, &ChoosePhotoWidget::startDrag);
    m_startDraggingTimer.setSingleShot(true);
}

QPixmap ChoosePhotoDialog::photo() const
{
    return m_photoWidget->croppedPhoto();
}

bool ChoosePhotoDialog::canZoom() const
{
    return m_photoWidget->minZoom() != m_photoWidget->maxZoom();
}

void ChoosePhotoDialog::initZoom()
{
    if (!canZoom()) {
        delete m_zoomForm;
        m_zoomForm = nullptr;
        m_zoomSlider = nullptr;
        return;
    }
    if (m_zoomForm)
        return;
    m_zoomForm = new QWidget(this);
    m_zoomForm->setObjectName(QStringLiteral("ZoomWidget"));
    m_zoomForm->setAttribute(Qt::WA_StyledBackground);
    m_zoomForm->resize(94, 134);
    m_zoomForm->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *column = new QVBoxLayout(m_zoomForm);
    column->setObjectName(QStringLiteral("verticalLayout"));
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    auto addRow = [&](const char *name, QWidget *widget) {
        auto *row = new QHBoxLayout;
        row->setObjectName(QLatin1String(name));
        row->setSpacing(0);
        QMargins m = row->contentsMargins();
        m.setLeft(9);
        row->setContentsMargins(m);
        row->addWidget(widget);
        row->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
        column->addLayout(row);
    };
    auto *zoomOut = new QLabel(m_zoomForm);
    zoomOut->setObjectName(QStringLiteral("zoomOutLabel"));
    zoomOut->setPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/unzoom16.png")));
    m_zoomSlider = new QSlider(Qt::Vertical, m_zoomForm);
    m_zoomSlider->setObjectName(QStringLiteral("zoomSlider"));
    m_zoomSlider->setSingleStep(ChoosePhotoWidget::kZoomStep);
    m_zoomSlider->setInvertedAppearance(true); // the minimum at the top, beside the zoom-out picture
    m_zoomSlider->setInvertedControls(false);
    m_zoomSlider->setTickPosition(QSlider::TicksBelow);
    m_zoomSlider->setTickInterval(10);
    m_zoomSlider->setRange(m_photoWidget->minZoom(), m_photoWidget->maxZoom());
    m_zoomSlider->setValue(m_photoWidget->zoom());
    m_zoomSlider->setTracking(true);
    auto *zoomIn = new QLabel(m_zoomForm);
    zoomIn->setObjectName(QStringLiteral("zoomInLabel"));
    zoomIn->setPixmap(QPixmap(QStringLiteral(":/Ostrevalder/icons/zoom16.png")));
    addRow("horizontalLayout_2", zoomOut);
    addRow("horizontalLayout_3", m_zoomSlider);
    addRow("horizontalLayout", zoomIn);
    m_zoomForm->move(10, 10);

    // The frame keeps following the pointer over the floating control.
    m_zoomForm->setMouseTracking(true);
    m_zoomForm->installEventFilter(this);
    for (QWidget *child : m_zoomForm->findChildren<QWidget *>()) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
    connect(m_zoomSlider, &QSlider::valueChanged, this, &ChoosePhotoDialog::onSliderMoved);
    m_zoomForm->show();
    m_zoomForm->raise();
}

void ChoosePhotoDialog::zoomBy(int steps)
{
    m_photoWidget->zoomBy(steps);
    updateSize();
    if (m_zoomSlider) {
        const QSignalBlocker blocker(m_zoomSlider);
        m_zoomSlider->setValue(m_photoWidget->zoom());
    }
}

void ChoosePhotoDialog::onSliderMoved(int value)
{
    m_photoWidget->setZoom(value);
    updateSize();
}

int ChoosePhotoDialog::titleWidth() const
{
    // The window manager draws the title in a bold font of its own beside its buttons and the window's
    // icon: room for about eight lines' height of them besides the text.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(windowTitle()) + 8 * metrics.height();
}

void ChoosePhotoDialog::updateSize()
{
    QSize size = (m_photoWidget->size() + layoutMargins(layout())).boundedTo(m_maxSize);
    size.setWidth(std::max(size.width(), titleWidth()));
    setMinimumSize(size);
    setMaximumSize(size);
    resize(size);
}

void ChoosePhotoDialog::mousePressEvent(QMouseEvent *event)
{
    m_startDraggingTimer.start(300);
    m_lastPos = event->position().toPoint();
}

void ChoosePhotoDialog::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_startDraggingTimer.isActive()) {
        m_startDraggingTimer.stop();
        m_photoWidget->startDrag();
    }
    if (m_photoWidget->isDragging()) {
        m_photoWidget->scrollBy(pos - m_lastPos);
        m_lastPos = pos;
    }
}

void ChoosePhotoDialog::mouseReleaseEvent(QMouseEvent *)
{
    const bool click = !m_photoWidget->isDragging();
    m_startDraggingTimer.stop();
    if (click)
        accept();
    else
        m_photoWidget->stopDrag();
}

void ChoosePhotoDialog::wheelEvent(QWheelEvent *event)
{
    zoomBy(event->angleDelta().y() / 8 / 15);
    event->accept();
}

void ChoosePhotoDialog::keyPressEvent(QKeyEvent *event)
{
    // No button takes the default: Return takes the part under the frame as a click does. Esc cancels
    // as in every dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
    } else if (event->key() == Qt::Key_Plus) {
        zoomBy(event->count());
    } else if (event->key() == Qt::Key_Minus) {
        zoomBy(-event->count());
    } else {
        event->ignore();
        QDialog::keyPressEvent(event);
    }
}

bool ChoosePhotoDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && m_photoWidget) {
        const QPointF global = QCursor::pos();
        QMouseEvent move(QEvent::MouseMove, m_photoWidget->mapFromGlobal(global), global, Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(m_photoWidget, &move);
    }
    return QDialog::eventFilter(watched, event);
}
