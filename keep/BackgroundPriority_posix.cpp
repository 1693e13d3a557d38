#include "keep/BackgroundPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

bool LowerThisThreadsPriority()
{
    // On Linux a thread has a nice value of its own, set through its id.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10) == 0;
}
