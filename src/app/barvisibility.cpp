#include "app/barvisibility.h"

namespace BarVisibility {

bool shouldCreate(int option, bool starting, bool showIfNotDisabled, const std::function<bool()> &hasComingEvents)
{
    switch (option) {
    case Never:
        return false;
    case Always:
        return starting || hasComingEvents();
    default:
        return showIfNotDisabled || hasComingEvents();
    }
}

bool shouldRemove(int option, const std::function<bool()> &hasComingEvents)
{
    return option == WhenEventsComing && !hasComingEvents();
}

} // namespace BarVisibility
