#include "runningline/tooltiphandler.h"

#include "runningline/barplacement.h"
#include "widgets/tooltip.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimerEvent>

ToolTipHandler::ToolTipHandler(ContentMaker maker, QObject *parent) : QObject(parent), m_maker(std::move(maker)) {}

ToolTipHandler::~ToolTipHandler()
{
    delete m_toolTip;
}

bool ToolTipHandler::isShown() const
{
    return m_toolTip && m_toolTip->isVisible();
}

void ToolTipHandler::onRowHovered(int row, const QRect &globalRect, const QPoint &globalCursor)
{
    m_row = row;
    m_rect = globalRect;
    m_cursor = globalCursor;
    if (row < 0) {
        m_delay.stop();
        hide();
        return;
    }
    // A tooltip already shown follows the mouse at once; a new one waits a moment.
    if (isShown())
        showNow();
    else
        m_delay.start(s_showDelay, this);
}

void ToolTipHandler::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_delay.timerId())
        return QObject::timerEvent(event);
    m_delay.stop();
    showNow();
}

void ToolTipHandler::showNow()
{
    if (m_row < 0 || !m_maker)
        return;
    QWidget *content = m_maker(m_row);
    if (!content) {
        hide();
        return;
    }
    if (!m_toolTip)
        m_toolTip = new ToolTip(nullptr);
    m_toolTip->setContentWidget(content);
    QScreen *screen = QGuiApplication::screenAt(m_cursor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(m_cursor, QSize(1, 1));
    m_toolTip->move(BarPlacement::toolTipPos(m_toolTip->size(), m_rect, m_cursor, area));
    m_toolTip->show();
}

void ToolTipHandler::hide()
{
    m_delay.stop();
    if (m_toolTip)
        m_toolTip->hide();
}
