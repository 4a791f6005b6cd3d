#include "platform/freememory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Common {

namespace {
int s_releases = 0;
bool s_largeSteps = false;

#if defined(__GLIBC__)
// The C library's own step, and one that lets a reading thread fill its heap in a few steps.
const int s_smallStep = 128 * 1024;
const int s_largeStep = 8 * 1024 * 1024;
#endif
} // namespace

void releaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    ++s_releases;
}

int freeMemoryReleases()
{
    return s_releases;
}

bool growHeapsInLargeSteps()
{
#if defined(__GLIBC__)
    s_largeSteps = mallopt(M_TOP_PAD, s_largeStep) == 1;
#endif
    return s_largeSteps;
}

void growHeapsInSmallSteps()
{
    if (!std::exchange(s_largeSteps, false))
        return;
#if defined(__GLIBC__)
    mallopt(M_TOP_PAD, s_smallStep);
    // A heap keeps a step's worth of free memory at its top when it shrinks.
    malloc_trim(0);
#endif
}

} // namespace Common
