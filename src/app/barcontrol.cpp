#include "app/barcontrol.h"

#include "app/barvisibility.h"
#include "app/movinglinefactory.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "store/eventsmanager.h"

BarControl::BarControl(IMovingLineFactory &factory, const Properties &properties, std::function<void()> exitApp,
                       const SharedActions &actions)
    : m_factory(factory), m_properties(properties), m_exitApp(std::move(exitApp)), m_actions(actions)
{
}

BarControl::~BarControl()
{
    disconnect(m_exitLink);
    delete m_bar.data();
}

void BarControl::watch(EventsManager *events)
{
    const auto reconsider = [this] { showIfNeeded(false, false); };
    connect(events, &EventsManager::eventAdded, this, reconsider);
    connect(events, &EventsManager::eventChanged, this, reconsider);
    connect(events, &EventsManager::layoutChanged, this, reconsider);
}

bool BarControl::hasComingEvents()
{
    if (m_bar)
        return m_factory.hasRows(m_bar);
    return m_factory.hasEventsToShow();
}

void BarControl::showIfNeeded(bool starting, bool showIfNotDisabled)
{
    if (m_bar)
        return;
    const int option = m_properties.value(Setting::CreepingLineVisibilityOption).toInt();
    if (BarVisibility::shouldCreate(option, starting, showIfNotDisabled, [this] { return hasComingEvents(); }))
        create();
}

void BarControl::hideIfNeeded()
{
    if (!m_bar)
        return;
    const int option = m_properties.value(Setting::CreepingLineVisibilityOption).toInt();
    if (BarVisibility::shouldRemove(option, [this] { return hasComingEvents(); }))
        m_bar->deleteLater();
}

void BarControl::create()
{
    QWidget *bar = m_factory.create(m_actions);
    if (!bar)
        return;
    m_bar = bar;
    bar->show();
    onExitWhenHiddenChanged(m_properties.value(Setting::ExitWhenMovingLineIsHidden).toBool());
}

void BarControl::toggle()
{
    if (m_bar)
        m_factory.close(m_bar);
    else
        create();
}

void BarControl::invalidateTimeFilters()
{
    if (m_bar)
        m_factory.invalidateTimeFilters(m_bar);
}

void BarControl::onTimeZoneChanged()
{
    if (m_bar)
        m_factory.onTimeZoneChanged(m_bar);
}

void BarControl::onVisibilityOptionChanged(int option, bool started)
{
    if (option == BarVisibility::Never) {
        if (m_bar)
            m_bar->deleteLater();
    } else if (started) {
        hideIfNeeded();
        // Choosing "always" is asking to see the bar now, not only at the next start.
        showIfNeeded(option == BarVisibility::Always, false);
    }
}

void BarControl::onExitWhenHiddenChanged(bool exitWhenHidden)
{
    if (!m_bar)
        return;
    disconnect(m_exitLink);
    if (exitWhenHidden)
        m_exitLink = connect(m_bar, &QObject::destroyed, this, m_exitApp);
}
