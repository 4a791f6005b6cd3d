#pragma once

namespace Common {

// Gives the allocator's free pages back to the system. After a burst of windows the allocator keeps
// what they used for the next burst; a program that stays up for months should not hold it.
void releaseFreeMemory();

// How often the memory was given back in this run.
int freeMemoryReleases();

// The allocator grows a heap a little at a time, and every step holds up the page faults of all
// threads. The start reads the events on several threads at once and allocates tens of megabytes:
// while it lasts the heaps grow in large steps. False where the allocator takes no step size.
bool growHeapsInLargeSteps();
// Small steps again, and what the large steps kept beyond them is given back. Nothing to do when the
// steps were never made large.
void growHeapsInSmallSteps();

} // namespace Common
