#pragma once

#include <QIcon>

#include <memory>

class QWidget;
struct SharedActions;

// What the application asks of the running line (the bar). The bar's own code supplies the real
// implementation through createMovingLineFactory(); tests hand the application a fake.
class IMovingLineFactory
{
public:
    virtual ~IMovingLineFactory() = default;

    // Registers the bar's setting defaults: panel, text and moving properties, in that order.
    virtual void registerProperties() = 0;
    // Starts and finishes what the bar needs for the whole run (its text controller).
    virtual void startRun() = 0;
    virtual void finishRun() = 0;
    // A new bar without parent, not shown yet, whose menu offers the shared actions; null when no bar
    // can be made. Closing it deletes it.
    virtual QWidget *create(const SharedActions &actions) = 0;
    // Whether the bar's filtered list has rows.
    virtual bool hasRows(QWidget *bar) = 0;
    // Whether a bar would have rows, asked without one.
    virtual bool hasEventsToShow() = 0;
    virtual void invalidateTimeFilters(QWidget *bar) = 0;
    // The local zone changed.
    virtual void onTimeZoneChanged(QWidget *bar) { invalidateTimeFilters(bar); }
    // Fades the bar out and closes it.
    virtual void close(QWidget *bar) = 0;
    // The program's logo in several sizes.
    virtual QIcon logoIcon() = 0;
};

// The program's logo in several sizes.
QIcon programLogo();

// The factory of the real bar.
std::unique_ptr<IMovingLineFactory> createMovingLineFactory();
