#pragma once

#include <functional>

// When the application creates or removes the bar. The option is the setting
// "creepingLineVisibilityOption": 0 never, 1 while events are coming, 2 always from start.
namespace BarVisibility {

enum Option { Never = 0, WhenEventsComing = 1, Always = 2 };

// Whether a missing bar is to be created; hasComingEvents is asked only when the answer depends on it.
bool shouldCreate(int option, bool starting, bool showIfNotDisabled, const std::function<bool()> &hasComingEvents);
// Whether an existing bar is to be removed.
bool shouldRemove(int option, const std::function<bool()> &hasComingEvents);

} // namespace BarVisibility
