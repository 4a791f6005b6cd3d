#pragma once

#include <QString>

class EventsManager;
class QSettings;

// The usage figures of a run: who starts the program where, and how much it holds.
namespace RunStatistics {

// Opens the figures kept in the settings and counts this start. Their writes wait in memory until endStart().
void begin(QSettings *settings, const QString &dataLocation);
// Writes what the start held back: after the bar's first picture, or when the program ends before it.
void endStart();
// How many events of each kind were read at start.
void countEventTypes(const EventsManager &events);
void countEvents(const EventsManager &events);

} // namespace RunStatistics
