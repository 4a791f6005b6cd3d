#include "app/reminderwidget.h"

#include "app/reminderplacement.h"
#include "app/remindercontroller.h"
#include "core/clock.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "platform/freememory.h"
#include "platform/iwindowsystem.h"
#include "platform/xlibrequestnotes.h"
#include "store/eventsmanager.h"
#include "ui_reminderwidget.h"
#include "widgets/clickfocus.h"
#include "widgets/dialog.h"
#include "widgets/screenfit.h"
#include "widgets/setasdefaultwidget.h"

#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

namespace ReminderWidgetPrivate {

const QByteArray s_defaultMinutesProperty = QByteArray(Setting::ReminderWidgetDefaultMinutes);
QList<ReminderWidget *> s_widgets;
// The most windows open at once since the last release of their memory.
qsizetype s_mostOpen = 0;

// The style sheet's tables of rules found for each widget, and of the fonts and palettes it gave each, grow
// with the widgets of a burst and keep their size after the windows have gone, spread over the memory the
// windows used. Setting the same sheet again drops only the rules; taken off first, the sheet's style goes
// with all its tables, and the widgets still open are styled anew: only after many windows.
void dropStyleTables()
{
    const qsizetype mostOpen = std::exchange(s_mostOpen, 0);
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (mostOpen >= ReminderWidget::kManyWindows && app && !app->styleSheet().isEmpty()) {
        const QString sheet = app->styleSheet();
        app->setStyleSheet(QString());
        app->setStyleSheet(sheet);
    }
}

QRect availableAreaUnderCursor()
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Characters after which a line may break inside an address.
bool breaksAfter(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('?') ||
           c == QLatin1Char('=') || c == QLatin1Char('_') || c == QLatin1Char('~') || c == QLatin1Char('@');
}

// The style makes a new icon for every button box, and each new icon leaves the pictures drawn from
// it in the process-wide pixmap cache after its window has gone: every window shares the first one.
void shareCloseIcon(QDialogButtonBox *box)
{
    QPushButton *button = box->button(QDialogButtonBox::Close);
    if (!button || button->icon().isNull())
        return;
    static const QIcon s_icon = button->icon();
    button->setIcon(s_icon);
}

// Under the application's style sheet the style looks up rules for a spin box's own line edit, which
// it never styles by itself, and keeps what it found after the edit has gone: about a kilobyte for
// every window. An edit with a style sheet of its own is forgotten with it, and draws the same.
void keepNothingOfSpinEdit(QSpinBox *spinBox)
{
    if (auto *edit = spinBox->findChild<QLineEdit *>())
        edit->setStyleSheet(QStringLiteral("QLineEdit {}"));
}

// The desktop's cursor flash time while a reminder window holds carets still, else -1. A blinking
// caret in the snooze box woke the program several times a second for as long as the window stayed
// active; only the active window has one, so holding carets still while it is costs no other window.
int s_flashTime = -1;

void holdCarets(bool hold)
{
    QStyleHints *hints = QGuiApplication::styleHints();
    if (hold == (s_flashTime >= 0))
        return;
    if (hold) {
        s_flashTime = hints->cursorFlashTime();
        hints->setCursorFlashTime(0);
    } else {
        hints->setCursorFlashTime(s_flashTime);
        s_flashTime = -1;
    }
}

// Brings a reminder above the program's other windows it opened under (gadgets, dialogs), once the window manager
// has placed it. Some (i3) put a window that opens without the keyboard under all others, or under the dialog that
// holds the keyboard, and restack none on request; activated, a window that refuses input comes to the top and the
// keyboard stays where it is.
class AboveOwnWindows : public QObject
{
public:
    explicit AboveOwnWindows(QWidget *reminder) : QObject(reminder), m_reminder(reminder)
    {
        reminder->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *window = m_reminder->windowHandle();
        if (event->type() != QEvent::Expose || watched != window || !window->isExposed())
            return false;
        // Other reminders may lie over it: each came above the others as it opened.
        QList<QWindow *> reminders;
        for (ReminderWidget *widget : ReminderWidget::widgets())
            reminders << widget->windowHandle();
        for (QWindow *other : QGuiApplication::topLevelWindows()) {
            if (other->isVisible() && !reminders.contains(other) && IWindowSystem::shared()->covers(other, window)) {
                IWindowSystem::shared()->activate(quint32(window->winId()), 0);
                break;
            }
        }
        deleteLater();
        return false;
    }

private:
    QWidget *m_reminder;
};

} // namespace ReminderWidgetPrivate

using namespace ReminderWidgetPrivate;

ReminderWidget::ReminderWidget(const AbstractCommonEventPtr &event)
    : QFrame(nullptr, Dialog::fixedSizeFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)),
      m_ui(std::make_unique<Ui::Reminder>()), m_event(event)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // It comes on its own while the user types elsewhere: on top and visible, but the keyboard stays
    // where it was until the user clicks it. Some window managers focus every window they map, whatever
    // its user time says: the window takes no input until a click in it, and none once left again.
    setAttribute(Qt::WA_ShowWithoutActivating);
    create();
    // Above the program's dialogs too, which some window managers keep above every window of the program.
    IWindowSystem::shared()->standApart(windowHandle());
    new ClickFocus(this, IWindowSystem::shared());
    new AboveOwnWindows(this);
    s_widgets.append(this);
    s_mostOpen = qMax(s_mostOpen, s_widgets.size());
    m_ui->setupUi(this);
    shareCloseIcon(m_ui->buttonBox);
    keepNothingOfSpinEdit(m_ui->spinBox);
    setupEvent();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_ui->snoozeButton, &QPushButton::clicked, this, &ReminderWidget::snooze);
    // Looked at from the event loop: an import that replaces the event removes it and adds it back.
    if (EventsManager *manager = IApplication::instance()->eventsManager()) {
        const auto later = [this] {
            QMetaObject::invokeMethod(this, &ReminderWidget::closeIfEventGone, Qt::QueuedConnection);
        };
        connect(manager, &EventsManager::eventRemoved, this, later);
        connect(manager, &EventsManager::layoutChanged, this, later);
    }
}

ReminderWidget::~ReminderWidget()
{
    QR_LOG("Hide Reminder");
    if (m_holdsCaret)
        holdCarets(false);
    s_widgets.removeOne(this);
    // The picture was decoded for this window; the event need not keep it for the rest of the run.
    if (m_event) {
        m_event->clearPhotoCache();
        if (!m_textWasCached)
            m_event->invalidateCache();
    }
    // The last window of a burst: once it and its children are wholly gone, the memory they took
    // goes back to the system rather than staying with the allocator. Not at once: the closing still
    // frees memory after the windows have gone, up to a tenth of the program, which then stayed with
    // the allocator until the next burst.
    if (s_widgets.isEmpty() && QCoreApplication::instance()) {
        // One release for the last close: an earlier one still waiting gives way to it.
        static int s_lastClose = 0;
        QTimer::singleShot(kReleaseDelayMs, QCoreApplication::instance(), [close = ++s_lastClose] {
            if (close != s_lastClose || !s_widgets.isEmpty())
                return;
            // Three notes a window, each holding a page of the windows' memory from going back.
            Common::dropXlibRequestNotes();
            dropStyleTables();
            Common::releaseFreeMemory();
        });
    }
}

void ReminderWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && m_holdsCaret != isActiveWindow()) {
        m_holdsCaret = isActiveWindow();
        holdCarets(m_holdsCaret);
    }
    QFrame::changeEvent(event);
}

void ReminderWidget::showReminder(const AbstractCommonEventPtr &event)
{
    QR_LOG("Show Reminder");
    if (!event)
        return;
    for (ReminderWidget *widget : qAsConst(s_widgets)) {
        if (widget->m_event == event) {
            ScreenFit::keepOnScreen(widget);
            widget->raise();
            return;
        }
    }
    auto *widget = new ReminderWidget(event);
    widget->placeWindow();
    widget->show();
    widget->raise();
    // What the window posted to itself goes out before the next one is made: a burst of windows would otherwise
    // queue every window's at once, and the queue keeps the room it grew to for the rest of the run.
    QCoreApplication::sendPostedEvents();
    const QString sound = event->soundPath();
    if (!sound.isEmpty())
        IApplication::instance()->playSound(sound);
}

QList<ReminderWidget *> ReminderWidget::widgets()
{
    return s_widgets;
}

void ReminderWidget::snooze()
{
    const QDateTime time = Common::Clock::now().addSecs(qint64(m_ui->spinBox->value()) * 60);
    if (ReminderController *controller = IApplication::instance()->reminderController())
        controller->snooze(m_event, time);
    close();
}

void ReminderWidget::closeIfEventGone()
{
    EventsManager *manager = IApplication::instance()->eventsManager();
    if (!m_event || !manager)
        return;
    // An undo of a whole state brings the event back as a new object: follow it, so that its next
    // reminder finds this window rather than opening a second one.
    if (AbstractCommonEventPtr current = manager->eventById(m_event->id())) {
        m_event = std::move(current);
        return;
    }
    // Its snooze would be dropped; and the event must go with it now, not when the window is deleted,
    // so that an undo of the removal finds it gone.
    if (ReminderController *controller = IApplication::instance()->reminderController())
        controller->closedWithEvent(m_event->id());
    m_event.reset();
    close();
}

QString ReminderWidget::infoHtml(const QString &value)
{
    const QString linked = AbstractCommonEvent::markupLinks(value);
    // The shown text of each link is escaped text: a word joiner after each place a line could break
    // there keeps the address on one line.
    static const QRegularExpression link(QStringLiteral("(<a [^>]*>)(.*?)(</a>)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QString result;
    qsizetype done = 0;
    for (auto it = link.globalMatch(linked); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += linked.mid(done, match.capturedStart(2) - done);
        for (const QChar c : match.capturedView(2)) {
            result += c;
            if (breaksAfter(c))
                result += QChar(0x2060);
        }
        done = match.capturedEnd(2);
    }
    result += linked.mid(done);
    return result.replace(QLatin1Char('\n'), QLatin1String("<br>"));
}

void ReminderWidget::setupEvent()
{
    // The texts are the user's own: shown as typed, never read as markup.
    m_ui->title->setTextFormat(Qt::PlainText);
    m_textWasCached = m_event->isTextCached();
    m_ui->title->setText(m_event->text(true));
    m_ui->image->setPixmap(m_event->photo(false));

    QStringList names;
    QStringList values;
    m_event->infoRows(names, values, true);
    QR_ASSERT(names.count() == values.count());
    const int rows = int(qMin(names.count(), values.count()));
    // A row is a layout with the margins a widget's own would have, not a widget: the toolkit keeps a table
    // entry for every widget alive (its accessibility and widget lists), and after a burst of windows those
    // tables stay at the size the burst gave them, spread over the memory the windows used.
    const QStyle *rowStyle = m_ui->image->style();
    const QMargins rowMargins(rowStyle->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, m_ui->image),
                              rowStyle->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, m_ui->image),
                              rowStyle->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, m_ui->image),
                              rowStyle->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, m_ui->image));
    for (int i = 0; i < rows; ++i) {
        auto *rowLayout = new QVBoxLayout;
        rowLayout->setContentsMargins(rowMargins);
        rowLayout->setSpacing(4);
        QString name = names.at(i);
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        auto *title = new QLabel(name, this);
        title->setObjectName(QStringLiteral("infoTitle"));
        title->setTextFormat(Qt::PlainText);
        auto *text = new QLabel(infoHtml(values.at(i)), this);
        text->setObjectName(QStringLiteral("infoText"));
        text->setTextFormat(Qt::RichText);
        text->setWordWrap(true);
        text->setOpenExternalLinks(true);
        // Wide enough for a line of words, so that wrapping reads well; the window grows for an address.
        text->setMinimumWidth(qMax(text->fontMetrics().averageCharWidth() * 32, text->minimumSizeHint().width()));
        rowLayout->addWidget(title);
        rowLayout->addWidget(text);
        m_ui->info->addLayout(rowLayout);
    }
    // The picture keeps its size; the information column takes the rest of the width.
    m_ui->image->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_ui->image->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_ui->centralLayout->setStretchFactor(m_ui->info, 1);
    m_ui->spacerWidget1->setVisible(rows == 0);
    m_ui->spacerWidget2->setVisible(rows == 0);

    int minutes = 15;
    if (Properties *properties = IApplication::instance()->properties()) {
        const QVariant stored = properties->value(s_defaultMinutesProperty);
        if (stored.isValid())
            minutes = stored.toInt();
    }
    m_ui->spinBox->setValue(minutes);
    new SetAsDefaultWidget(this, m_ui->spinBox, s_defaultMinutesProperty, 0);
}

void ReminderWidget::placeWindow()
{
    std::optional<QRect> lastOpen;
    QSize frame;
    for (auto it = s_widgets.crbegin(); it != s_widgets.crend(); ++it) {
        if (*it != this) {
            lastOpen = (*it)->geometry();
            frame = (*it)->frameGeometry().size() - (*it)->geometry().size();
            break;
        }
    }
    const QSize size = sizeHint().expandedTo(minimumSize()) + frame;
    move(reminderWindowPosition(availableAreaUnderCursor(), size, lastOpen));
}
