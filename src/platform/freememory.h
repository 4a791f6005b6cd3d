#pragma once

namespace Common {

// Gives the allocator's free pages back to the system. After a burst of windows the allocator keeps
// what they used for the next burst; a program that stays up for months should not hold it.
void releaseFreeMemory();

// How often the memory was given back in this run.
int freeMemoryReleases();

} // namespace Common
