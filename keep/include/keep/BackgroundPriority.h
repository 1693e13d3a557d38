#pragma once
// Work that may lag (encoding a recording) gives way to the work a person
// watches (reading and showing the video) on a busy machine.

// Lowers the calling thread's scheduling priority; false when the system refused.
bool LowerThisThreadsPriority();
