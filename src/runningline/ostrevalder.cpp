#include "runningline/ostrevalder.h"

#include "core/colorcontrast.h"
#include "core/iapplication.h"
#include "core/lastversioninfo.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/version.h"
#include "events/system/updateevent.h"
#include "platform/iwindowsystem.h"
#include "platform/sessionprobe.h"
#include "runningline/accumulativeeventsmodel.h"
#include "runningline/barplacement.h"
#include "runningline/movinglinefilter.h"
#include "runningline/movingview.h"
#include "runningline/systemmodel.h"
#include "runningline/tooltiphandler.h"
#include "store/editorcommands.h"
#include "store/eventsmodel.h"
#include "widgets/disappearer.h"

#include <QAction>
#include <QDataStream>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>
#include <QWindow>

namespace OstrevalderPrivate {

Ostrevalder::Platform &platform()
{
    static Ostrevalder::Platform s_platform = Ostrevalder::defaultPlatform();
    return s_platform;
}

// The window system speaks in device pixels; the screen's logical ones hold the bar's place.
QRect logicalRect(const QRect &r, qreal ratio)
{
    return QRect(QPoint(qRound(r.left() / ratio), qRound(r.top() / ratio)),
                 QSize(qRound(r.width() / ratio), qRound(r.height() / ratio)));
}

// A place for the log: "x,y wxh".
QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The docks as one log line: window, place and whether it was there before the bar.
QByteArray docksText(const QList<DockWindow> &docks)
{
    QStringList seen;
    for (const DockWindow &dock : docks)
        seen << QStringLiteral("0x%1 %2 %3")
                    .arg(dock.id, 0, 16)
                    .arg(rectText(dock.rect), dock.earlier ? QStringLiteral("earlier") : QStringLiteral("later"));
    return seen.isEmpty() ? QByteArray("none") : seen.join(QStringLiteral("; ")).toUtf8();
}

// The program's own messages (the server's), shown after the events; null when there are none.
SystemEvents *applicationLines()
{
    IApplication *app = IApplication::instance();
    return app ? app->systemEvents() : nullptr;
}

Properties *properties()
{
    IApplication *app = IApplication::instance();
    return app ? app->properties() : nullptr;
}

void addProperty(const QByteArray &id, const QVariant &value)
{
    if (Properties *props = properties())
        props->addProperty(id, value);
}

int defaultDaysToWatch()
{
    Properties *props = properties();
    const QVariant days = props ? props->value(Setting::DaysToWatch) : QVariant();
    return days.isValid() ? days.toInt() : MovingLineFilter::s_defaultDaysToWatch;
}

QPixmap drawLogo(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient face(0, 0, 0, s);
    face.setColorAt(0, QColor(64, 148, 222));
    face.setColorAt(1, QColor(22, 84, 160));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.22, s * 0.22);
    // A ring with a tail: a "Q" that is also a clock face.
    QPen pen(Qt::white, qMax(1.5, s * 0.11), Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring(s * 0.2, s * 0.18, s * 0.56, s * 0.56);
    painter.drawEllipse(ring);
    painter.drawLine(QPointF(s * 0.6, s * 0.62), QPointF(s * 0.82, s * 0.84));
    pen.setWidthF(qMax(1.0, s * 0.07));
    painter.setPen(pen);
    painter.drawLine(ring.center(), ring.center() + QPointF(0, -s * 0.17));
    painter.drawLine(ring.center(), ring.center() + QPointF(s * 0.12, 0));
    return pixmap;
}

} // namespace OstrevalderPrivate

using namespace OstrevalderPrivate;

// ---- desktop access

void Ostrevalder::setPlatform(const Platform &value)
{
    platform() = value;
}

Ostrevalder::Platform Ostrevalder::defaultPlatform()
{
    Platform result;
    result.windowSystem = [] { return IWindowSystem::create(); };
    result.sessionActive = [] {
        LogindSessionProbe probe;
        return probe.isOwnSessionActive();
    };
    result.grabScreen = [](const QRect &rect) {
        // Only an X11 desktop hands out its pixels; elsewhere the gradient stays.
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return QImage();
        QScreen *screen = QGuiApplication::screenAt(rect.center());
        if (!screen)
            return QImage();
        const QRect local = rect.translated(-screen->geometry().topLeft());
        return screen->grabWindow(0, local.x(), local.y(), local.width(), local.height()).toImage();
    };
    return result;
}

// ---- settings

void Ostrevalder::registerPanelProperties()
{
    static_assert(Setting::PanelPositionDefault == BarPlacement::Bottom);
    addProperty(Setting::PanelPosition, Setting::PanelPositionDefault);
    addProperty(Setting::PanelOnTop, Setting::PanelOnTopDefault);
    addProperty(Setting::MonitorNumber, Setting::MonitorNumberDefault);
    addProperty(Setting::TransparentForMouseEvents, Setting::TransparentForMouseEventsDefault);
    addProperty(Setting::AdjustBackgroundToWallpaper, Setting::AdjustBackgroundToWallpaperDefault);
    addProperty(Setting::PanelBackgroundColor1, QColor());
    addProperty(Setting::PanelBackgroundColor2, QColor());
    addProperty(Setting::PanelBackgroundGradient, QByteArray());
    addProperty(Setting::AppAutorun, Setting::AppAutorunDefault);
    const int firstDay = int(QLocale::system().firstDayOfWeek());
    addProperty(Setting::FirstDayOfWeek, firstDay >= 1 && firstDay <= 7 ? firstDay : 1);
    // No taskbar band to dock into on this platform: a stored position over it becomes the bottom.
    fallBackFromTaskbarPosition();
}

void Ostrevalder::registerTextProperties()
{
    QFont font;
    font.setPointSize(14);
    addProperty(Setting::MovingTextFont, font);
    addProperty(Setting::MovingTextColor, QColor(0, 0, 0));
    addProperty(Setting::RemoveTextDayXfromY, Setting::RemoveTextDayXfromYDefault);
    addProperty(Setting::RemoveTextToday, Setting::RemoveTextTodayDefault);
    addProperty(Setting::RemoveDuplicatingWhen, Setting::RemoveDuplicatingWhenDefault);
}

void Ostrevalder::registerMovingProperties()
{
    addProperty(Setting::MovingLineSpeed, Setting::MovingLineSpeedDefault);
    addProperty(Setting::HotExitArea, Setting::HotExitAreaDefault);
    addProperty(Setting::ExitOnLeftButtonClick, Setting::ExitOnLeftButtonClickDefault);
    static_assert(Setting::MovingTextDirectionDefault == MovingView::Horizontal);
    addProperty(Setting::MovingTextDirection, Setting::MovingTextDirectionDefault);
    addProperty(Setting::VerticalPause, Setting::VerticalPauseDefault);
    addProperty(Setting::PermanentScroll, Setting::PermanentScrollDefault);
}

void Ostrevalder::fallBackFromTaskbarPosition()
{
    Properties *props = properties();
    if (props && props->value(Setting::PanelPosition).toInt() == BarPlacement::OverTaskbar)
        props->setValue(Setting::PanelPosition, int(BarPlacement::Bottom));
}

QGradientStops Ostrevalder::defaultGradient()
{
    return {{0.0, QColor(246, 246, 240)}, {1.0, QColor(214, 222, 232)}};
}

QByteArray Ostrevalder::gradientToByteArray(const QGradientStops &stops)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << quint32(stops.size());
    for (const QGradientStop &stop : stops)
        out << double(stop.first) << stop.second;
    return data;
}

QGradientStops Ostrevalder::gradientFromByteArray(const QByteArray &data)
{
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_4_0);
    quint32 count = 0;
    in >> count;
    // Each stop takes at least a double and a colour's spec; a count beyond the data is damage.
    if (in.status() != QDataStream::Ok || count == 0 || count > quint32(data.size() / 8))
        return defaultGradient();
    QGradientStops stops;
    for (quint32 i = 0; i < count; ++i) {
        double position = 0;
        QColor colour;
        in >> position >> colour;
        if (in.status() != QDataStream::Ok || !(position >= 0.0 && position <= 1.0))
            return defaultGradient();
        stops << QGradientStop(position, colour);
    }
    return stops;
}

QPair<QColor, QColor> Ostrevalder::averageColours(const QImage &image)
{
    if (image.isNull() || image.width() < 2)
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    auto average = [&rgb](int from, int to) {
        qint64 r = 0, g = 0, b = 0, n = 0;
        // Every few pixels are enough for an average and keep a wide strip cheap.
        for (int y = 0; y < rgb.height(); y += 2) {
            const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            for (int x = from; x < to; x += 3) {
                r += qRed(line[x]);
                g += qGreen(line[x]);
                b += qBlue(line[x]);
                ++n;
            }
        }
        return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
    };
    const int half = rgb.width() / 2;
    return {average(0, half), average(half, rgb.width())};
}

QIcon Ostrevalder::logoIcon()
{
    static QIcon s_logo;
    if (s_logo.isNull()) {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            s_logo.addPixmap(drawLogo(size));
    }
    return s_logo;
}

QString Ostrevalder::newVersionText()
{
    return tr("New version of %1 is available.").arg(QCoreApplication::applicationName());
}

bool Ostrevalder::hasEventsToShow()
{
    IApplication *app = IApplication::instance();
    EventsManager *manager = app ? app->eventsManager() : nullptr;
    if (!manager)
        return false;
    // The filter's rule on the events themselves, stopping at the first that passes.
    const int days = defaultDaysToWatch();
    for (int row = 0; row < manager->count(); ++row) {
        const AbstractCommonEventPtr &event = manager->eventAt(row);
        if (event && MovingLineFilter::acceptsEvent(*event, days))
            return true;
    }
    return false;
}

// ---- the bar

Ostrevalder::Ostrevalder(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), UndoProxy(IApplication::instance() ? IApplication::instance()->undoObject() : nullptr)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::applicationName());

    if (platform().windowSystem)
        m_windowSystem = platform().windowSystem();
    if (!m_windowSystem)
        m_windowSystem = std::make_unique<NullWindowSystem>();
    m_docked = m_windowSystem->supportsDocks();
    m_clock.start();
    // A click on it leaves the keyboard where it was, as with other docks; its menus take the keys while open.
    if (m_docked) {
        // Panels and trays come and go after the bar, at log-on above all: place the bar again then.
        m_windowSystem->watchDocks([this] {
            m_docksKnown = false;
            placeBar();
        });
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus);
    } else {
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        QR_LOG("The window system offers no docks: the bar is a plain window that stays on top");
    }

    IApplication *app = IApplication::instance();
    m_eventsModel = new EventsModel(app ? app->eventsManager() : nullptr, this);
    // The bar's filter refilters and resorts a changed event alone.
    m_eventsModel->setChangesByRow(true);
    m_ownLinesModel = new SystemModel(&m_systemEvents, this);
    m_allModel = new AccumulativeEventsModel(this);
    m_allModel->addSourceModel(m_eventsModel);
    if (SystemEvents *appLines = applicationLines()) {
        m_applicationLinesModel = new SystemModel(appLines, this);
        m_allModel->addSourceModel(m_applicationLinesModel);
    }
    m_allModel->addSourceModel(m_ownLinesModel);
    m_filter = new MovingLineFilter(this);
    m_filter->setDefaultDaysToWatch(defaultDaysToWatch());
    m_filter->setSourceModel(m_allModel);

    m_view = new MovingView(this);
    m_view->setLogo(QGuiApplication::windowIcon().isNull() ? logoIcon() : QGuiApplication::windowIcon());
    // The rows are shaped when the model is set: with the user's font from the start, they are shaped once.
    if (Properties *props = properties()) {
        const QVariant font = props->value(Setting::MovingTextFont);
        if (font.isValid())
            m_view->setTextFont(font.value<QFont>());
    }
    m_view->setModel(m_filter);
    m_view->setWindowSystem(m_windowSystem.get());
    m_updateButton = new QToolButton(this);
    m_updateButton->setText(tr("Update"));
    m_updateButton->setToolTip(newVersionText());
    m_updateButton->setAutoRaise(true);
    m_updateButton->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 2, 0);
    layout->setSpacing(2);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_updateButton);

    m_toolTipHandler = new ToolTipHandler(
        [this](int row) -> QWidget * {
            const QModelIndex index = m_filter->index(row, 0);
            if (!index.isValid())
                return nullptr;
            if (!index.data(IsSystemRole).toBool()) {
                IApplication *app = IApplication::instance();
                EventsManager *manager = app ? app->eventsManager() : nullptr;
                const AbstractCommonEventPtr event =
                    manager ? manager->eventById(index.data(EventIdRole).toByteArray()) : nullptr;
                if (QWidget *info = event ? event->infoWidget() : nullptr)
                    return info;
            }
            auto *label = new QLabel(index.data(Qt::DisplayRole).toString());
            label->setWordWrap(true);
            label->setMargin(6);
            label->setMaximumWidth(480);
            return label;
        },
        this);

    connect(m_view, &MovingView::eventLeftClicked, this, &Ostrevalder::onEventLeftClick);
    connect(m_view, &MovingView::eventDoubleClicked, this, &Ostrevalder::onEventDoubleClick);
    connect(m_view, &MovingView::exitAreaActivated, this, &Ostrevalder::myClose);
    connect(m_view, &MovingView::rowHovered, m_toolTipHandler, &ToolTipHandler::onRowHovered);
    connect(m_view, &MovingView::contextMenuRequested, this, [this](const QByteArray &id, const QPoint &pos) {
        m_toolTipHandler->hide();
        QMenu *menu = createContextMenu(id);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // The menu holds the pointer, so the line hears of no leave while it is open: ask afterwards.
        connect(menu, &QMenu::aboutToHide, m_view,
                [view = m_view] { QTimer::singleShot(0, view, &MovingView::recheckPointer); });
        menu->popup(pos);
    });
    connect(m_updateButton, &QToolButton::clicked, this, [] {
        if (IApplication *app = IApplication::instance())
            app->showUpdateDialog();
    });
    connect(m_filter, &QAbstractItemModel::modelReset, this, &Ostrevalder::scheduleInfoLines);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &Ostrevalder::scheduleInfoLines);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &Ostrevalder::scheduleInfoLines);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &Ostrevalder::scheduleInfoLines);

    if (Properties *props = properties()) {
        connect(props, &Properties::propertyChanged, this, &Ostrevalder::propertyChanged);
        for (const char *id : {Setting::MovingTextFont, Setting::MovingTextColor, Setting::RemoveDuplicatingWhen,
                               Setting::MovingLineSpeed, Setting::HotExitArea, Setting::MovingTextDirection,
                               Setting::VerticalPause, Setting::PermanentScroll})
            applySetting(id, props->value(id));
    }
    if (app)
        app->connectNewVersionAvailable(this, [this] { onNewVersionAvailable(); });
    // The notice is sent once per run; a bar made after it still offers the update.
    if (app) {
        const QString offered = app->lastVersionInfo().version;
        if (!offered.isEmpty() && Version(offered) > Version(QCoreApplication::applicationVersion()) &&
            offered != UpdateEvent::dontRemindVersion())
            onNewVersionAvailable();
    }

    watchScreens();
    updateInfoLines();
    placeBar();
    updateBackground(true);
}

Ostrevalder::~Ostrevalder()
{
    delete m_logWindow;
    // The view outlives the window system, a member.
    m_view->setWindowSystem(nullptr);
    // The models watch lists that outlive the bar; take them down before the list members go.
    delete m_filter;
    delete m_allModel;
    m_filter = nullptr;
    m_allModel = nullptr;
}

QVariant Ostrevalder::setting(const QByteArray &id, const QVariant &fallback) const
{
    Properties *props = properties();
    const QVariant value = props ? props->value(id) : QVariant();
    return value.isValid() ? value : fallback;
}

int Ostrevalder::eventsToShowCount() const
{
    return m_filter ? m_filter->userRowCount() : 0;
}

void Ostrevalder::invalidateTimeFilters()
{
    m_filter->invalidateTimeFilters();
    scheduleInfoLines();
}

void Ostrevalder::onTimeZoneChanged()
{
    m_filter->onTimeZoneChanged();
    scheduleInfoLines();
}

void Ostrevalder::myClose()
{
    if (m_closing)
        return;
    m_closing = true;
    m_toolTipHandler->hide();
    auto *fade = new Disappearer(this, 50, 0.15);
    connect(fade, &Disappearer::finished, this, &QWidget::close);
    fade->start();
}

SystemEvent *Ostrevalder::systemEventById(const QByteArray &id) const
{
    if (id.isEmpty())
        return nullptr;
    QList<SystemEventPtr> all = m_systemEvents.events();
    if (SystemEvents *appLines = applicationLines())
        all += appLines->events();
    for (const SystemEventPtr &event : all)
        if (event->id() == id)
            return event.get();
    return nullptr;
}

void Ostrevalder::onEventLeftClick(const QByteArray &id)
{
    if (SystemEvent *event = systemEventById(id)) {
        if (QAction *action = event->action())
            action->trigger();
    }
    if (setting(Setting::ExitOnLeftButtonClick, Setting::ExitOnLeftButtonClickDefault).toBool())
        myClose();
}

void Ostrevalder::onEventDoubleClick(const QByteArray &id)
{
    if (SystemEvent *event = systemEventById(id)) {
        if (QAction *action = event->doubleClickAction())
            action->trigger();
        return;
    }
    IApplication *app = IApplication::instance();
    EventsManager *manager = app ? app->eventsManager() : nullptr;
    if (!manager || id.isEmpty())
        return;
    const int index = manager->indexOf(manager->eventById(id));
    if (index >= 0)
        app->showEditor(index);
}

void Ostrevalder::onNewVersionAvailable()
{
    m_updateButton->show();
}

void Ostrevalder::showLog()
{
    if (!m_logWindow) {
        m_logWindow = new QPlainTextEdit;
        m_logWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_logWindow->setReadOnly(true);
        m_logWindow->setWindowTitle(tr("Log"));
        m_logWindow->resize(760, 420);
    }
    m_logWindow->setPlainText(QString::fromUtf8(logBuffer()));
    m_logWindow->show();
    m_logWindow->raise();
}

QMenu *Ostrevalder::createContextMenu(const QByteArray &id)
{
    auto *menu = new QMenu(this);
    IApplication *app = IApplication::instance();
    EventsManager *manager = app ? app->eventsManager() : nullptr;
    AbstractCommonEventPtr event = manager && !id.isEmpty() ? manager->eventById(id) : nullptr;
    if (SystemEvent *system = systemEventById(id)) {
        const QList<QAction *> actions = system->contextMenuActions();
        menu->addActions(actions);
    } else if (event) {
        menu->addActions(event->contextMenuActions());
        const int index = manager->indexOf(event);
        // Its own key: the events editor's entry below has E.
        menu->addAction(tr("Ed&it..."), this, [index] {
            if (IApplication *app = IApplication::instance())
                app->showEditor(index);
        });
        std::weak_ptr<AbstractCommonEvent> weak = event;
        menu->addAction(tr("&Delete"), this, [this, weak] {
            IApplication *app = IApplication::instance();
            AbstractCommonEventPtr target = weak.lock();
            if (app && app->eventsManager() && target && app->eventsManager()->indexOf(target) >= 0)
                COMMAND(new RemoveEventCommand(app->eventsManager(), target));
        });
    }
    if (!menu->isEmpty())
        menu->addSeparator();
    for (QAction *shared : {m_shared.eventsEditor, m_shared.newToDoGadget, m_shared.settings})
        if (shared)
            menu->addAction(shared);
    menu->addSeparator();
    if (app && app->undoObject()) {
        menu->addAction(createUndoAction(menu));
        menu->addAction(createRedoAction(menu));
        menu->addSeparator();
    }
    menu->addAction(tr("Show &Log..."), this, &Ostrevalder::showLog);
    menu->addAction(tr("&Hide"), this, &Ostrevalder::myClose);
    menu->addAction(tr("E&xit"), this, [] {
        // Queued: the menu closes before the program ends.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] {
                if (IApplication *app = IApplication::instance())
                    app->exitApp();
                else
                    QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });
    return menu;
}

void Ostrevalder::propertyChanged(const QByteArray &id, const QVariant &value)
{
    applySetting(id, value);
}

void Ostrevalder::applySetting(const QByteArray &id, const QVariant &value)
{
    if (id == Setting::AppAutorun) {
        // The application handles the entry too; setting it twice does no harm.
        if (IApplication *app = IApplication::instance())
            app->setAutorun(value.toBool());
    } else if (id == Setting::MovingTextFont) {
        QFont font = value.value<QFont>();
        if (value.isValid())
            m_view->setTextFont(font);
        placeBar();
    } else if (id == Setting::MovingTextColor) {
        applyTextColour();
    } else if (id == Setting::RemoveDuplicatingWhen) {
        m_view->setRemoveDuplicatingWhen(value.toBool());
    } else if (id == Setting::RemoveTextToday || id == Setting::RemoveTextDayXfromY) {
        // The events keep their texts for a day; make them anew so the change shows now.
        IApplication *app = IApplication::instance();
        if (EventsManager *manager = app ? app->eventsManager() : nullptr)
            for (const AbstractCommonEventPtr &event : manager->events())
                event->invalidateCache();
        m_view->rebuild();
    } else if (id == Setting::MovingLineSpeed) {
        m_view->setSpeed(value.toInt());
    } else if (id == Setting::HotExitArea) {
        m_view->setHotExitArea(value.toBool());
    } else if (id == Setting::MovingTextDirection) {
        m_view->setDirection(value.toInt());
    } else if (id == Setting::VerticalPause) {
        m_view->setVerticalPause(value.toInt());
    } else if (id == Setting::PermanentScroll) {
        m_view->setPermanentScroll(value.toBool());
    } else if (id == Setting::DaysToWatch) {
        m_filter->setDefaultDaysToWatch(value.isValid() ? value.toInt() : MovingLineFilter::s_defaultDaysToWatch);
        scheduleInfoLines();
    } else if (id == Setting::PanelPosition || id == Setting::MonitorNumber) {
        placeBar();
        updateBackground(!isVisible());
    } else if (id == Setting::PanelOnTop) {
        if (isVisible() && m_docked)
            m_windowSystem->setStacking(windowHandle(), value.toBool());
    } else if (id == Setting::AdjustBackgroundToWallpaper || id == Setting::PanelBackgroundGradient) {
        updateBackground(!isVisible());
    } else if (id == Setting::TransparentForMouseEvents) {
        if (!value.toBool())
            setClickThrough(false);
    }
}

// ---- information lines

void Ostrevalder::scheduleInfoLines()
{
    if (m_infoLinesPending)
        return;
    m_infoLinesPending = true;
    QTimer::singleShot(0, this, &Ostrevalder::updateInfoLines);
}

void Ostrevalder::updateInfoLines()
{
    m_infoLinesPending = false;
    IApplication *app = IApplication::instance();
    EventsManager *manager = app ? app->eventsManager() : nullptr;

    const bool loadFailed = manager && manager->hasError();
    if (loadFailed && !m_loadErrorLine) {
        m_loadErrorLine = std::make_shared<TextEvent>(nullptr, manager->errorString(), -1);
        m_systemEvents.insertEvent(0, m_loadErrorLine);
        // insertEvent says nothing to the models: tell them through a reset of the list's model.
        m_allModel->removeSourceModel(m_ownLinesModel);
        m_allModel->addSourceModel(m_ownLinesModel);
    } else if (!loadFailed && m_loadErrorLine) {
        m_systemEvents.removeEvent(m_loadErrorLine);
        m_loadErrorLine.reset();
    }

    const bool empty = eventsToShowCount() == 0;
    if (empty && !m_noEventsLine) {
        m_noEventsLine = std::make_shared<TextEvent>(
            nullptr, tr("No events in the next %n day(s).", nullptr, m_filter->defaultDaysToWatch()), -1);
        m_systemEvents.addEvent(m_noEventsLine);
    } else if (!empty && m_noEventsLine) {
        m_systemEvents.removeEvent(m_noEventsLine);
        m_noEventsLine.reset();
    }
}

// ---- placement and docking

QScreen *Ostrevalder::targetScreen() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return nullptr;
    const int index =
        BarPlacement::screenIndex(setting(Setting::MonitorNumber, Setting::MonitorNumberDefault).toInt(),
                                  int(screens.size()), int(screens.indexOf(QGuiApplication::primaryScreen())));
    return screens.at(index);
}

QRect Ostrevalder::targetGeometry() const
{
    return placement(nullptr);
}

QRect Ostrevalder::placement(int *settleIn) const
{
    if (settleIn)
        *settleIn = -1;
    QScreen *screen = targetScreen();
    if (!screen)
        return geometry();
    const int height = BarPlacement::barHeight(QFontMetrics(m_view->font()).height());
    const int position = setting(Setting::PanelPosition, Setting::PanelPositionDefault).toInt();
    // The docks are judged settled or not once per placement, so the time to look again agrees with it.
    QRect bar = m_docked ? BarPlacement::barBesideDocks(screen->geometry().marginsRemoved(m_keptMargins), position,
                                                        height, otherDocksOn(screen, settleIn))
                         : BarPlacement::barRect(screen->availableGeometry(), position, height);
    bar.setWidth(BarPlacement::widthWithinScreen(bar.width(), screen->devicePixelRatio()));
    return bar;
}

void Ostrevalder::refreshDocks()
{
    m_otherDocks = m_windowSystem->otherDocks(windowHandle());
    m_panels = m_windowSystem->windowManagerPanels(windowHandle());
    m_docksKnown = true;
    // Right after a change of the desktop's size the screens may not have caught up yet: the area tells nothing then.
    const QSize desktop = m_windowSystem->desktopSize();
    QScreen *screen = targetScreen();
    const QRect area =
        m_workAreaReader.read(m_windowSystem->workArea(), desktop, screen ? screen->geometry() : QRect());
    const bool screensKnowIt =
        !desktop.isValid() || !screen ||
        logicalRect(QRect(QPoint(), desktop), screen->devicePixelRatio()).size() == screen->virtualSize();
    m_workArea = screensKnowIt ? area : QRect();
    // Every window of any program that comes or goes makes the bar look again: log only what changed.
    const QByteArray text = docksText(m_otherDocks);
    if (text != m_loggedDocks) {
        QR_LOG("Other docks: " + text);
        m_loggedDocks = text;
    }
    const qint64 now = m_clock.elapsed();
    QHash<quint32, QPair<QRect, qint64>> since;
    for (const DockWindow &dock : std::as_const(m_otherDocks)) {
        const auto before = m_dockSince.constFind(dock.id);
        since.insert(dock.id,
                     {dock.rect, before != m_dockSince.cend() && before->first == dock.rect ? before->second : now});
    }
    m_dockSince = since;
}

QList<BarPlacement::OtherDock> Ostrevalder::otherDocksOn(QScreen *screen, int *settleIn) const
{
    const qreal ratio = screen->devicePixelRatio();
    const auto logical = [ratio](const QRect &r) { return logicalRect(r, ratio); };
    const qint64 now = m_clock.elapsed();
    if (settleIn)
        *settleIn = -1;
    QList<BarPlacement::OtherDock> docks;
    for (const DockWindow &dock : m_otherDocks) {
        BarPlacement::OtherDock other;
        other.window = logical(dock.rect);
        for (const DockStrip &strip : dock.strips)
            other.strips << DockStrip{strip.edge, logical(strip.rect)};
        other.earlier = dock.earlier;
        const qint64 still = now - m_dockSince.value(dock.id, {dock.rect, now}).second;
        other.settled = still >= BarPlacement::s_dockSettleMs;
        if (settleIn && !other.earlier && !other.settled) {
            const int wait = int(BarPlacement::s_dockSettleMs - still);
            *settleIn = *settleIn < 0 ? wait : qMin(*settleIn, wait);
        }
        docks << other;
    }
    return docks;
}

void Ostrevalder::updateKeptArea()
{
    QScreen *screen = targetScreen();
    if (!screen)
        return;
    const qreal ratio = screen->devicePixelRatio();
    QList<DockStrip> strips;
    for (const DockWindow &dock : std::as_const(m_otherDocks)) {
        for (const DockStrip &strip : dock.strips)
            strips << DockStrip{strip.edge, logicalRect(strip.rect, ratio)};
    }
    // The bar's own struts where they were reserved, and as deep from the edge of the screen as it is now: a window
    // manager catching up with a change of size reads them either way. The latest last.
    const QRect screenRect = screen->geometry();
    QList<DockStrip> own = m_ownStruts;
    for (const DockStrip &strut : std::as_const(m_ownStruts)) {
        const int depth = strut.rect.height();
        const int from = strut.edge == Qt::TopEdge ? screenRect.top() : screenRect.bottom() + 1 - depth;
        own << DockStrip{strut.edge, QRect(screenRect.left(), from, screenRect.width(), depth)};
    }
    QList<QRect> panels;
    for (const QRect &panel : std::as_const(m_panels))
        panels << logicalRect(panel, ratio);
    const QMargins kept = BarPlacement::marginsKeptByWindowManager(screenRect, logicalRect(m_workArea, ratio), strips,
                                                                   own, panels, m_keptMargins);
    if (kept != m_keptMargins && !kept.isNull())
        QR_LOG(QStringLiteral("The window manager's own panels take %1,%2,%3,%4 (left, top, right, bottom)")
                   .arg(kept.left())
                   .arg(kept.top())
                   .arg(kept.right())
                   .arg(kept.bottom())
                   .toUtf8());
    m_keptMargins = kept;
}

void Ostrevalder::placeBar()
{
    if (!m_view)
        return;
    if (m_docked && !m_docksKnown)
        refreshDocks();
    if (m_docked)
        updateKeptArea();
    int settleIn = -1;
    const QRect target = placement(&settleIn);
    if (QScreen *screen = targetScreen(); screen && windowHandle())
        windowHandle()->setScreen(screen);
    setFixedSize(target.size());
    move(target.topLeft());
    if (isVisible())
        applyDockHints();
    // A later dock counts once it has kept its place a while: look again then.
    if (settleIn >= 0)
        m_dockSettle.start(settleIn + 1, this);
    else
        m_dockSettle.stop();
}

void Ostrevalder::watchScreens()
{
    auto onScreen = [this](QScreen *screen) {
        // The work area is read again for the new size.
        connect(screen, &QScreen::geometryChanged, this, [this] {
            m_docksKnown = false;
            placeBar();
        });
        connect(screen, &QScreen::availableGeometryChanged, this, &Ostrevalder::placeBar);
    };
    for (QScreen *screen : QGuiApplication::screens())
        onScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, onScreen](QScreen *screen) {
        onScreen(screen);
        placeBar();
    });
    // The removed screen is still listed while this runs: place the bar once it is gone.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, &Ostrevalder::placeBar); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &Ostrevalder::placeBar);
}

void Ostrevalder::applyDockHints()
{
    if (!m_docked || !windowHandle())
        return;
    const bool top = setting(Setting::PanelPosition, Setting::PanelPositionDefault).toInt() == BarPlacement::Top;
    QWindow *window = windowHandle();
    const qreal ratio = window->devicePixelRatio();
    const QRect rect = geometry();
    const QRect device(QPoint(qRound(rect.x() * ratio), qRound(rect.y() * ratio)),
                       QSize(qRound(rect.width() * ratio), qRound(rect.height() * ratio)));
    // What it reserves, up to the edge of the desktop as the window server has it now: the screens may not have
    // caught up with a change of size yet. The window manager may not have taken in the last strut yet: the one
    // before counts too.
    const QSize desktop = m_windowSystem->desktopSize();
    QScreen *screen = targetScreen();
    const int bottom = desktop.isValid() ? qRound(desktop.height() / ratio)
                       : screen          ? screen->geometry().bottom() + 1
                                         : rect.bottom() + 1;
    const DockStrip own =
        top ? DockStrip{Qt::TopEdge, QRect(rect.left(), 0, rect.width(), rect.bottom() + 1)}
            : DockStrip{Qt::BottomEdge, QRect(rect.left(), rect.top(), rect.width(), bottom - rect.top())};
    if (own.rect.height() > 0 && (m_ownStruts.isEmpty() || !(m_ownStruts.last() == own)))
        m_ownStruts = {m_ownStruts.isEmpty() ? own : m_ownStruts.last(), own};
    m_windowSystem->setDockType(window);
    m_windowSystem->setStacking(window, setting(Setting::PanelOnTop, Setting::PanelOnTopDefault).toBool());
    m_windowSystem->setStrut(window, device, top);
}

void Ostrevalder::showEvent(QShowEvent *event)
{
    // Sent before the window is mapped: the window manager then reads the hints once, at mapping.
    placeBar();
    applyDockHints();
    QWidget::showEvent(event);
}

void Ostrevalder::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (isVisible() && !takePlaceBack(event))
        applyDockHints();
}

void Ostrevalder::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isVisible() && !takePlaceBack(event))
        applyDockHints();
}

bool Ostrevalder::takePlaceBack(const QEvent *event)
{
    if (!m_docked || !event->spontaneous() || !windowHandle())
        return false;
    // The window's geometry as the window server told it, both parts at once.
    const QRect put = windowHandle()->geometry();
    if (put == m_placeTakenBack || put == placement(nullptr))
        return false;
    m_placeTakenBack = put;
    QR_LOG(QStringLiteral("The window manager put the bar at %1: it goes back").arg(rectText(put)).toUtf8());
    placeBar();
    // The widget may not have taken the window manager's size yet: it then moved the window alone, at that size.
    windowHandle()->setGeometry(geometry());
    return true;
}

// ---- colours

void Ostrevalder::updateBackground(bool mayGrab)
{
    QGradientStops stops;
    if (setting(Setting::AdjustBackgroundToWallpaper, Setting::AdjustBackgroundToWallpaperDefault).toBool()) {
        QColor first = setting(Setting::PanelBackgroundColor1).value<QColor>();
        QColor second = setting(Setting::PanelBackgroundColor2).value<QColor>();
        const bool active = platform().sessionActive && platform().sessionActive();
        if (mayGrab && active && platform().grabScreen) {
            const auto sampled = averageColours(platform().grabScreen(targetGeometry()));
            if (sampled.first.isValid() && sampled.second.isValid()) {
                first = sampled.first;
                second = sampled.second;
                if (Properties *props = properties()) {
                    props->setValue(Setting::PanelBackgroundColor1, first);
                    props->setValue(Setting::PanelBackgroundColor2, second);
                }
            }
        }
        if (first.isValid() && second.isValid())
            stops = {{0.0, first}, {1.0, second}};
    }
    m_backgroundFromDesktop = !stops.isEmpty();
    if (stops.isEmpty())
        stops = gradientFromByteArray(setting(Setting::PanelBackgroundGradient).toByteArray());
    m_backgroundStops = stops;
    applyTextColour();
    update();
}

void Ostrevalder::applyTextColour()
{
    QColor colour = setting(Setting::MovingTextColor).value<QColor>();
    if (!colour.isValid())
        colour = Qt::black;
    // A gradient is the user's own choice of background; a desktop's colours are not, and may hide the text.
    QColor halo;
    if (m_backgroundFromDesktop) {
        QList<QColor> backgrounds;
        for (const QGradientStop &stop : std::as_const(m_backgroundStops))
            backgrounds << stop.second;
        const ColorContrast::TextLook look = ColorContrast::readableLook(colour, backgrounds);
        colour = look.text;
        halo = look.halo;
    }
    m_textColour = colour;
    if (m_view) {
        m_view->setTextColor(colour);
        m_view->setTextHalo(halo);
    }
}

void Ostrevalder::paintEvent(QPaintEvent *event)
{
    const bool top = setting(Setting::PanelPosition, Setting::PanelPositionDefault).toInt() == BarPlacement::Top;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_backgroundPixmap.size() != pixels || m_backgroundPixmap.devicePixelRatio() != ratio ||
        m_backgroundPixmapStops != m_backgroundStops || m_backgroundPixmapTop != top) {
        m_backgroundPixmap = QPixmap(pixels);
        m_backgroundPixmap.setDevicePixelRatio(ratio);
        m_backgroundPixmap.fill(Qt::transparent);
        QPainter background(&m_backgroundPixmap);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setStops(m_backgroundStops);
        background.fillRect(rect(), gradient);
        // A thin line on the side that faces the desktop; a one-pixel fill, which Qt does not hand
        // to its thread pool as it does a line as wide as the screen.
        const int y = top ? height() - 1 : 0;
        background.fillRect(QRect(0, y, width(), 1), QColor(0, 0, 0, 60));
        m_backgroundPixmapStops = m_backgroundStops;
        m_backgroundPixmapTop = top;
    }
    // Only the part asked for: while the line scrolls, that is the text area alone.
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawPixmap(QRectF(area), m_backgroundPixmap,
                       QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

// ---- click-through while hovered

void Ostrevalder::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (setting(Setting::TransparentForMouseEvents, Setting::TransparentForMouseEventsDefault).toBool() &&
        !(QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier))
        setClickThrough(true);
}

void Ostrevalder::setClickThrough(bool on)
{
    if (on == m_clickThrough)
        return;
    m_clickThrough = on;
    if (QWindow *window = windowHandle()) {
        window->setFlag(Qt::WindowTransparentForInput, on);
        // Changing the flags writes Qt's own window type again.
        if (isVisible())
            applyDockHints();
    }
    setWindowOpacity(on ? 0.25 : 1.0);
    // The bar gets no leave event while the mouse passes through it: look for the mouse instead.
    if (on)
        m_clickThroughPoll.start(200, this);
    else
        m_clickThroughPoll.stop();
}

void Ostrevalder::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_dockSettle.timerId()) {
        m_dockSettle.stop();
        placeBar();
        return;
    }
    if (event->timerId() != m_clickThroughPoll.timerId())
        return QWidget::timerEvent(event);
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    if (ctrl || !frameGeometry().contains(QCursor::pos()))
        setClickThrough(false);
}
