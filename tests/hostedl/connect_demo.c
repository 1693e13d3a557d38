/* A plain C client of the host library: the header builds as C99 and a
 * connect reads the dongle's firmware. Exit code 0 when it does. */
#include "hostedl.h"

#include <stdio.h>

int main(void)
{
    uint32_t fw = 0, build = 0, ncpu_fw = 0, ncpu_build = 0;
    uint16_t s1 = 0, s2 = 0;
    int dev;

    if (edl_lib_init() < 0 || (dev = edl_add_dev(1, "")) < 0 || edl_lib_start() < 0) {
        fprintf(stderr, "connect failed\n");
        return 1;
    }
    if (edl_report_sys_status(dev, &fw, &build, &s1, &s2, &ncpu_fw, &ncpu_build) != 0) return 1;
    printf("SCPU FW ID: %u\nSCPU Build ID: %u\n", (unsigned)fw, (unsigned)build);
    edl_lib_de_init();
    return build > 0 ? 0 : 1;
}
