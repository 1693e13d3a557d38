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
// the GUI thread while no exchange runs; Infer and the result getters on the
// inference thread; Cancel, GetInstance and the target getters on any thread.
class EdgeFifoAdaptor : public PythonDetectorBase, public DetectorBackend {
public:
    // The instance, created with these pipe names on the first call; later
    // calls return it unchanged and ignore the names.
    static EdgeFifoAdaptor* CreateInstance(const std::string& requestName, const std::string& responseName);
    // Throws std::runtime_error when CreateInstance has not run.
    static EdgeFifoAdaptor* GetInstance();
    static void DestroyInstance();

    ~EdgeFifoAdaptor() override;

    // Fixes the size of the frames sent from the camera size in the settings
    // store: `height` lines, width in proportion. With the camera size not
    // known yet (or `height` <= 0 and no earlier scale) frames go out
    // unscaled, and the target size is the size of the last frame sent.
    void SetTargetHeight(const int& height);
    int GetTargetWidth() const;
    int GetTargetHeight() const;

    int Infer(const cv::Mat& frame) override;
    void GetBboxResults(std::vector<Json::Value>& out) override;
    void GetFrameResults(std::vector<Json::Value>& out) override;
    void Cancel() override;

    int ParseResults(Json::Value& response) override;

private:
    EdgeFifoAdaptor(const std::string& requestName, const std::string& responseName);
    void StoreTarget(int width, int height);

    std::vector<Json::Value> bboxResults;
    std::vector<Json::Value> frameResults;
    // width << 32 | height, so the GUI thread reads a consistent pair.
    std::atomic<std::uint64_t> targetSize{0};
    // Set when frames are resized: the size they are resized to.
    int resizeWidth = 0;
    int resizeHeight = 0;
    cv::Mat scaled;  // reused between frames
};
