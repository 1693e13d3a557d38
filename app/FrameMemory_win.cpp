#include "FrameMemory.h"

void KeepFramesOutOfTheHeap()
{
    // The Windows heap hands blocks this large to VirtualAlloc itself.
}
