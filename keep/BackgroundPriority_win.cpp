#include "keep/BackgroundPriority.h"

#include <windows.h>

bool LowerThisThreadsPriority()
{
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL) != 0;
}
