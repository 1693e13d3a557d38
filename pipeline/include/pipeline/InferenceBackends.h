#pragma once
// What the inference worker needs from the two back-ends. The pipe back-end
// (EdgeFifoAdaptor) and the device back-end controller (HostLibAdapter)
// implement these, so the frame pipeline can be run and tested without them.

#include <json/value.h>
#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

#include <cstddef>
#include <string>
#include <vector>

// A frame made ready for the detector: the framed request, and the size of
// the picture in it (the pixels of the detector's answer).
struct DetectorRequest {
    std::string message;
    cv::Size sent;
};

// Thread-safety: Prepare runs on one thread at a time (the inference
// worker's) and may overlap with Exchange and the getters, which run on one
// other thread at a time (the pipeline's exchange thread); Cancel may be
// called from any thread.
class DetectorBackend {
public:
    virtual ~DetectorBackend() = default;

    // Scales, encodes and frames `frame` (8-bit BGR); false when nothing can
    // be sent for it.
    virtual bool Prepare(const cv::Mat& frame, DetectorRequest& request) = 0;
    // One exchange with the detector for a prepared request; the result
    // lists are fetched afterwards. 0 on success, negative on failure.
    virtual int Exchange(const DetectorRequest& request) = 0;
    // Hand over the lists of the last exchange and leave them empty; a failed
    // exchange leaves them empty.
    virtual void GetBboxResults(std::vector<Json::Value>& out) = 0;
    virtual void GetFrameResults(std::vector<Json::Value>& out) = 0;
    // Ends a pending exchange within 200 ms and makes later ones fail at
    // once; called when the program shuts down.
    virtual void Cancel() = 0;
};

// Thread-safety: all three are called from the inference thread while the
// controller works on the GUI thread; implementations make that safe.
class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;

    // True while device `DevId` may take a frame (connected, idle).
    virtual bool IsReady(int DevId) = 0;
    // True while the device is reset, switched to another model or updated.
    virtual bool IsBusy() const = 0;
    // Offers a frame (8-bit BGR, owned by the call) to the device in `slot`;
    // a device that cannot take it now drops it.
    virtual void Dispatch(cv::Mat image, std::size_t slot) = 0;
};
