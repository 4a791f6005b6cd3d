#include "widgets/occurrencecontrol.h"

#include "core/clock.h"
#include "core/colorcontrast.h"
#include "core/log.h"
#include "widgets/occurrenceeditor.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>

OccurrenceControl::OccurrenceControl(QWidget *parent)
    : QLabel(parent), m_occurrence(Common::Clock::today(), IOccurrence::Once)
{
    // One Tab stop like the fields around it; Space or Enter then opens the menu. The label's own keyboard
    // links would add a stop on the link and keep Shift+Tab cycling there.
    setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    setFocusPolicy(Qt::StrongFocus);
    // Room for the focus mark around the text.
    setContentsMargins(3, 2, 3, 2);
    connect(this, &QLabel::linkActivated, this, &OccurrenceControl::showMenu);
}

OccurrenceControl::~OccurrenceControl() = default;

void OccurrenceControl::setOccurrence(const Occurrence &occurrence)
{
    m_occurrence = occurrence;
    updateText();
    createMenu();
}

void OccurrenceControl::setStartDate(QDate date)
{
    m_occurrence.setStartDate(date);
    updateText();
    createMenu();
}

void OccurrenceControl::updateText()
{
    // The link in the label's own text colour: the style's link blue may not read on a dark window.
    setText(QStringLiteral("<a style=\"color: %1;\" href=\" \">%2</a>")
                .arg(palette().color(QPalette::WindowText).name(), m_occurrence.description().toHtmlEscaped()));
}

void OccurrenceControl::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // The rule was just made in the editor and the focus came back here: Return is for the form's default button.
    if (enter && m_edited) {
        event->ignore();
        return;
    }
    m_edited = false;
    // The label's own link keys act only on a link Tab stepped into, which the focus never does here.
    if (event->key() == Qt::Key_Space || enter) {
        event->accept();
        showMenu();
        return;
    }
    QLabel::keyPressEvent(event);
}

void OccurrenceControl::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    // A label shows no focus of its own and the style's focus frame is a faint tint: a line that reads on the
    // window, while the keyboard moves the focus.
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
        return;
    const QColor ground = palette().color(QPalette::Window);
    const QColor line =
        ColorContrast::readableColour(palette().color(QPalette::Highlight), {ground}, ColorContrast::s_iconRatio);
    // Around the text as laid out now, rather than the whole width the form gives the label.
    const int flags =
        int(QStyle::visualAlignment(layoutDirection(), alignment())) | (wordWrap() ? Qt::TextWordWrap : 0);
    const QRect text = fontMetrics().boundingRect(contentsRect(), flags, m_occurrence.description());
    QPainter painter(this);
    painter.setPen(line);
    painter.drawRect(text.adjusted(-2, -2, 1, 1).intersected(rect().adjusted(0, 0, -1, -1)));
}

void OccurrenceControl::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateText();
}

void OccurrenceControl::createMenu()
{
    m_menu = std::make_unique<QMenu>();
    bool found = false;
    for (int kind = IOccurrence::Once; kind <= IOccurrence::Yearly; ++kind) {
        const Occurrence preset(m_occurrence.startDate(), IOccurrence::Type(kind));
        found = found || preset == m_occurrence;
        addMenuAction(m_menu.get(), preset);
    }
    if (!found)
        addMenuAction(m_menu.get(), m_occurrence);
    QAction *other = m_menu->addAction(tr("Other..."));
    other->setCheckable(false);
    connect(other, &QAction::triggered, this, &OccurrenceControl::onOtherClicked, Qt::QueuedConnection);
}

QAction *OccurrenceControl::addMenuAction(QMenu *menu, const Occurrence &rule)
{
    auto *action = new QAction(QIcon(), rule.description(), menu);
    // Queued: the choice is taken once the menu has closed.
    connect(action, &QAction::toggled, this, &OccurrenceControl::onActionClicked, Qt::QueuedConnection);
    action->setCheckable(true);
    action->setData(rule.toJson());
    menu->addAction(action);
    return action;
}

void OccurrenceControl::showMenu()
{
    QR_ASSERT(m_menu.get());
    // A click before the form filled the control: build the menu for the rule it holds.
    if (!m_menu)
        createMenu();
    updateMenu();
    execMenu(m_menu.get());
}

void OccurrenceControl::execMenu(QMenu *menu)
{
    // Opened from the keyboard, the menu drops from the control rather than from the mouse pointer.
    menu->exec(underMouse() ? QCursor::pos() : mapToGlobal(rect().bottomLeft()));
}

bool OccurrenceControl::execEditor(OccurrenceEditor *editor)
{
    return Dialog::execWindowModal(editor) == QDialog::Accepted;
}

void OccurrenceControl::updateMenu()
{
    if (!QR_CHECK(m_menu.get()))
        return;
    const QVariant current = m_occurrence.toJson();
    bool found = false;
    for (QAction *action : m_menu->actions()) {
        const bool blocked = action->blockSignals(true);
        action->setChecked(action->isCheckable() && action->data() == current);
        found = found || action->isChecked();
        action->blockSignals(blocked);
    }
    QR_ASSERT(found);
}

void OccurrenceControl::onActionClicked()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!QR_CHECK(action))
        return;
    m_occurrence.fromJson(action->data());
    updateText();
    createMenu();
}

void OccurrenceControl::onOtherClicked()
{
    if (!m_editor)
        m_editor = std::make_unique<OccurrenceEditor>(m_occurrence, window());
    else
        m_editor->setOccurrence(m_occurrence);
    if (execEditor(m_editor.get()))
        setOccurrence(m_editor->occurrence());
    m_edited = true;
}

void OccurrenceControl::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    m_edited = false;
}

void OccurrenceControl::contextMenuEvent(QContextMenuEvent *event)
{
    // The label's own link menu (copy link) would only confuse here.
    event->accept();
}
