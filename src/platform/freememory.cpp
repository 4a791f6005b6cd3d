#include "platform/freememory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Common {

namespace {
int s_releases = 0;
}

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

} // namespace Common
