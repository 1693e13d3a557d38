#pragma once
// How the allocator treats frame-sized blocks. A 1280 x 720 frame is made on
// one thread and freed on another many times a second. glibc's malloc raises
// its mmap threshold to the size of each mapped block freed, so after the
// first frames every frame comes from the arenas instead; frames freed there
// stay resident, and the process grew by a frame's size at a time over the
// first thousands of frames (about 6 MB in device mode). With a fixed
// threshold each frame is mapped and given back whole when freed.
// FrameMemory_posix.cpp and FrameMemory_win.cpp implement it.

// Called once, before the workers start.
void KeepFramesOutOfTheHeap();
