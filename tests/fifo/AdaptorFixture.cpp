#include "AdaptorFixture.h"

#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <thread>

void AdaptorFixture::SetUp()
{
    request = dir.File("req");
    response = dir.File("resp");
    adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
    face = cv::imread(SamplePicture(), cv::IMREAD_COLOR);
    ASSERT_FALSE(face.empty()) << SamplePicture();
    gray720 = cv::Mat(720, 1280, CV_8UC3, cv::Scalar::all(128));
}

void AdaptorFixture::TearDown()
{
    EdgeFifoAdaptor::DestroyInstance();
}

void AdaptorFixture::StartOwl(const std::vector<std::string>& flags)
{
    std::vector<std::string> args{OwlDetector(), "--req", request, "--resp", response};
    args.insert(args.end(), flags.begin(), flags.end());
    for (const std::string& flag : OwlDetectorThreadFlags())
        args.push_back(flag);
    ASSERT_TRUE(detector.Start(args));
    ASSERT_TRUE(WaitForPath(response));
}

void AdaptorFixture::StartPythonExample()
{
    ASSERT_TRUE(detector.Start({"/usr/bin/python3", ExampleDetector(), "--req", request, "--resp", response}));
    ASSERT_TRUE(WaitForPath(response));
}

int AdaptorFixture::InferConnected(const cv::Mat& frame)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int result = adaptor->Infer(frame);
    while (result == -2 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        result = adaptor->Infer(frame);
    }
    return result;
}

std::string AdaptorFixture::FrameRow(const std::vector<Json::Value>& frames, const std::string& title)
{
    for (const Json::Value& entry : frames) {
        const Json::Value& rows = entry["ordered_value_dict"];
        for (const std::string& name : rows.getMemberNames())
            if (rows[name]["title"].asString() == title)
                return rows[name]["value"].asString();
    }
    return std::string();
}
