#pragma once
// Results of the edl_* calls (documented in hostedl/README.md).

namespace hostedl {

enum EdlResult : int {
    kEdlOk = 0,
    kEdlNoDevice = -1,   // no such device, not added, or pulled out
    kEdlBadArgument = -2,
    kEdlWrongState = -3, // call out of order
    kEdlBadData = -4,    // corrupt model set, firmware image or configuration
    kEdlIoError = -5,
    kEdlInjected = -6,   // EDL_EMU_FAIL names the call
    kEdlInternal = -7,
};

}  // namespace hostedl
