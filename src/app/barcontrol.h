#pragma once

#include "widgets/sharedactions.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class EventsManager;
class IMovingLineFactory;
class Properties;

// The bar: made when its setting and the coming events ask for it, removed when they no longer do, and
// the end of the program when the user chose so for a hidden bar.
class BarControl : public QObject
{
public:
    BarControl(IMovingLineFactory &factory, const Properties &properties, std::function<void()> exitApp,
               const SharedActions &actions);
    ~BarControl() override;

    QWidget *bar() const { return m_bar; }
    // Reconsiders the bar whenever the events change.
    void watch(EventsManager *events);
    void showIfNeeded(bool starting, bool showIfNotDisabled);
    void hideIfNeeded();
    // Fades a shown bar out, or makes one.
    void toggle();
    void invalidateTimeFilters();
    void onTimeZoneChanged();
    void onVisibilityOptionChanged(int option, bool started);
    void onExitWhenHiddenChanged(bool exitWhenHidden);

private:
    bool hasComingEvents();
    void create();

    IMovingLineFactory &m_factory;
    const Properties &m_properties;
    std::function<void()> m_exitApp;
    SharedActions m_actions;
    QPointer<QWidget> m_bar;
    QMetaObject::Connection m_exitLink;
};
