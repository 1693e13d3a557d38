#pragma once
// The pipe back-end as the program uses it: one process-wide instance that
// scales each frame to the target height, runs one exchange with the detector
// and keeps the two lists of result entries for the inference worker.

#include "fifo/PythonDetectorBase.h"
#include "pipeline/InferenceBackends.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Thread-safety: CreateInstance, DestroyInstance and SetTargetHeight run on
// the GUI thread while no exchange runs; Prepare on one thread at a time,
// Exchange and the result getters on one other (Infer does both on one);
// Cancel, GetInstance and the target getters on any thread.
class EdgeFifoAdaptor : public PythonDetectorBase, public DetectorBackend {
public:
    // The instance, created with these pipe names on the first call; later
    // calls return it unchanged and ignore the names.
    static EdgeFifoAdaptor* CreateInstance(const std::string& requestName, const std::string& responseName);
    // Throws std::runtime_error when CreateInstance has not run.
    static EdgeFifoAdaptor* GetInstance();
    static void DestroyInstance();

    ~EdgeFifoAdaptor() override;

    // Frames go out `height` lines high, their width in proportion (frames of
    // exactly that height, or any frame when `height` is 0, go unscaled). The
    // size follows the camera: it is fitted again whenever a frame of another
    // size comes, so a camera that opens late or reopens at another size is
    // never sent distorted or at full size.
    void SetTargetHeight(const int& height);
    // The size of the frames sent now (0 x 0 before the first one when the
    // camera's size is not known, or after an empty frame).
    int GetTargetWidth() const;
    int GetTargetHeight() const;

    // One exchange for `frame`: Prepare, then Exchange.
    int Infer(const cv::Mat& frame);
    bool Prepare(const cv::Mat& frame, DetectorRequest& request) override;
    int Exchange(const DetectorRequest& request) override;
    void GetBboxResults(std::vector<Json::Value>& out) override;
    void GetFrameResults(std::vector<Json::Value>& out) override;
    void Cancel() override;

    int ParseResults(Json::Value& response) override;

private:
    EdgeFifoAdaptor(const std::string& requestName, const std::string& responseName);
    void StoreTarget(int width, int height);
    void FitTarget(cv::Size frame);

    static constexpr int kMaxTargetWidth = 8192;

    std::vector<Json::Value> bboxResults;
    std::vector<Json::Value> frameResults;
    // width << 32 | height, so the GUI thread reads a consistent pair.
    std::atomic<std::uint64_t> targetSize{0};
    int wantedHeight = 0;
    cv::Size fittedFor;  // the frame size the target was fitted for
    cv::Size resizeTo;   // empty: frames go out as they come
    cv::Mat scaled;      // reused between frames
    DetectorRequest ownRequest;  // Infer's
};
