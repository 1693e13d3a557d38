#include "FrameMemory.h"

#include <malloc.h>

namespace {
// Below the smallest frame the program handles (320 x 240 BGR), above the
// blocks of the parsers and Qt's events.
constexpr int kMapFromBytes = 192 * 1024;
}  // namespace

void KeepFramesOutOfTheHeap()
{
    // Setting the threshold also stops glibc from moving it.
    mallopt(M_MMAP_THRESHOLD, kMapFromBytes);
}
