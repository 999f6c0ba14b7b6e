#include "Platform/Memory.h"

// Any C library header defines __GLIBC__ when it is glibc; without one
// first, the test below is always false.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void returnFreedMemoryToSystem() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
