#pragma once
// An EdgeFifoAdaptor on two pipes in a scratch directory, and a detector
// process serving them.

#include "DetectorProcess.h"
#include "TempDir.h"

#include "fifo/EdgeFifoAdaptor.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <string>
#include <vector>

class AdaptorFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // owl-detector on this test's pipes, with `flags`.
    void StartOwl(const std::vector<std::string>& flags = {});
    void StartPythonExample();
    // Infer, retried while the detector is not serving yet (-2), for up to ten seconds.
    int InferConnected(const cv::Mat& frame);
    // The value of the frame panel row titled `title` in the last results, or "".
    static std::string FrameRow(const std::vector<Json::Value>& frames, const std::string& title);

    TempDir dir;
    std::string request;
    std::string response;
    EdgeFifoAdaptor* adaptor = nullptr;
    DetectorProcess detector;
    cv::Mat face;     // a photo with one frontal face
    cv::Mat gray720;  // 1280 x 720 of plain grey
};
