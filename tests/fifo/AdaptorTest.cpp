// The pipe back-end as the program uses it, against real detector processes
// over real FIFOs: exchanges, and detectors that are missing, misbehave, die,
// come back or hang.

#include "ChildProcess.h"
#include "SanitizedBuild.h"
#include "TempDir.h"

#include "fifo/EdgeFifoAdaptor.h"
#include "settings/QtSettingManager.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// An EdgeFifoAdaptor on two pipes in a scratch directory, and a detector
// process serving them.
class Adaptor : public testing::Test {
protected:
    void SetUp() override
    {
        face = cv::imread("/usr/share/doc/opencv-doc/examples/data/messi5.jpg", cv::IMREAD_COLOR);
        ASSERT_FALSE(face.empty());
    }
    void TearDown() override { EdgeFifoAdaptor::DestroyInstance(); }

    // Any detector command line; returns once it has made the response pipe.
    void StartDetector(const std::vector<std::string>& argv)
    {
        ASSERT_TRUE(detector.Start(argv));
        ASSERT_TRUE(WaitForPath(response));
    }
    void StartOwl(const std::vector<std::string>& flags = {})
    {
        std::vector<std::string> argv = OwlDetector(request, response);
        argv.insert(argv.end(), flags.begin(), flags.end());
        StartDetector(argv);
    }
    // Infer, retried while the detector is not serving yet (-2), for up to ten seconds.
    int InferConnected(const cv::Mat& frame)
    {
        const auto until = Clock::now() + std::chrono::seconds(10);
        int result = adaptor->Infer(frame);
        while (result == -2 && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            result = adaptor->Infer(frame);
        }
        return result;
    }
    // The value of the frame panel row titled `title` in `frames`, or "".
    static std::string FrameRow(const std::vector<Json::Value>& frames, const std::string& title)
    {
        for (const Json::Value& entry : frames) {
            const Json::Value& rows = entry["ordered_value_dict"];
            for (const std::string& name : rows.getMemberNames())
                if (rows[name]["title"].asString() == title)
                    return rows[name]["value"].asString();
        }
        return std::string();
    }

    TempDir dir;
    std::string request = dir.File("req");
    std::string response = dir.File("resp");
    EdgeFifoAdaptor* adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
    ChildProcess detector;
    cv::Mat face;  // a photo with one frontal face
};

using Exchange = Adaptor;
using Failures = Adaptor;

int OpenDescriptors()
{
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (readdir(fds) != nullptr)
            ++count;
        closedir(fds);
    }
    return count;
}

// owl-detector with its overlay, and the Python example that ships for people
// to start their own detector from.
TEST_F(Exchange, FacesComeBackWithEveryKindOfEntryUntilThePipesClose)
{
    for (const bool example : {false, true}) {
        SCOPED_TRACE(example ? "example_detector.py" : "owl-detector");
        adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
        if (example)
            StartDetector({"/usr/bin/python3", VIREO_SOURCE_DIR "/tools/example_detector.py", "--req", request,
                           "--resp", response});
        else
            StartOwl({"--overlay"});
        std::vector<Json::Value> boxes;
        std::vector<Json::Value> frames;
        for (int frame = 1; frame <= 3; ++frame) {
            ASSERT_EQ(InferConnected(face), 0);
            adaptor->GetBboxResults(boxes);
            adaptor->GetFrameResults(frames);
            EXPECT_EQ(FrameRow(frames, "Frame"), std::to_string(frame));
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0]["draw_dict"]["point"].isObject());
        EXPECT_TRUE(boxes[0]["draw_dict"]["line"].isObject());
        if (example) {
            // The example's box: a quarter in from the left, half the picture wide.
            EXPECT_EQ(std::make_pair(boxes[0]["bbox"]["x"].asInt(), boxes[0]["bbox"]["width"].asInt()),
                      std::make_pair(face.cols / 4, face.cols / 2));
        } else {
            EXPECT_TRUE(boxes[0]["ordered_value_dict"]["a_face"]["show_on_panel"].asBool());
            EXPECT_EQ(FrameRow(frames, "Faces"), "1");
            // The overlay is a transparent PNG in the frame entry.
            ASSERT_EQ(frames.size(), 1u);
            EXPECT_DOUBLE_EQ(frames[0]["transparent_rate"].asDouble(), 0.6);
            const QByteArray png =
                QByteArray::fromBase64(QByteArray::fromStdString(frames[0]["image_base64_str"].asString()));
            EXPECT_EQ(cv::imdecode(std::vector<unsigned char>(png.begin(), png.end()), cv::IMREAD_UNCHANGED).channels(),
                      4);
        }
        // The lists are handed over once.
        adaptor->GetBboxResults(boxes);
        EXPECT_TRUE(boxes.empty());
        // Closing the pipes ends the detector.
        EdgeFifoAdaptor::DestroyInstance();
        EXPECT_EQ(detector.WaitExit(std::chrono::seconds(5)), 0);
    }
}

TEST_F(Exchange, FramesGoOutAtTheTargetHeightAndOddOnesWithoutHarm)
{
    StartOwl();
    const auto plain = [](int rows, int cols, int type) { return cv::Mat(rows, cols, type, cv::Scalar::all(9)); };
    struct Case {
        const char* what;
        int cameraWidth, cameraHeight;
        cv::Mat frame;
        std::string sent;  // as the detector decoded it, and the target size reported; "0x0": no picture
    };
    const Case cases[] = {
        {"720p", 1280, 720, plain(720, 1280, CV_8UC3), "853x480"},
        {"scale exactly 1: unscaled", 640, 480, plain(480, 640, CV_8UC3), "640x480"},
        {"camera opened after start: fitted at its first frame", 0, 0, plain(720, 1280, CV_8UC3), "853x480"},
        {"camera reopened at another size", 1280, 720, plain(600, 800, CV_8UC3), "640x480"},
        {"empty", 1280, 720, cv::Mat(), "0x0"},
        {"one pixel", 1280, 720, plain(1, 1, CV_8UC3), "480x480"},
        {"a single line: never an enormous picture", 1280, 720, plain(1, 4000, CV_8UC3), "8192x480"},
        {"grey", 1280, 720, plain(720, 1280, CV_8UC1), "853x480"},
        {"with alpha", 1280, 720, plain(720, 1280, CV_8UC4), "853x480"},
        {"floating point: the encoder converts it", 1280, 720, plain(720, 1280, CV_32FC3), "853x480"},
        {"two channels", 1280, 720, plain(720, 1280, CV_8UC2), "0x0"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        QtSettingManager::GetInstance()->SetCameraInfo(c.cameraWidth, c.cameraHeight, 30);
        adaptor->SetTargetHeight(480);
        const int result = InferConnected(c.frame);
        const std::string printed = testing::internal::GetCapturedStdout();
        std::vector<Json::Value> frames;
        adaptor->GetFrameResults(frames);
        EXPECT_EQ(result, 0) << c.what << " printed: " << printed;
        EXPECT_EQ(FrameRow(frames, "Image"), c.sent) << c.what << " printed: " << printed;
        const std::string target =
            std::to_string(adaptor->GetTargetWidth()) + "x" + std::to_string(adaptor->GetTargetHeight());
        EXPECT_TRUE(c.sent == "0x0" || target == c.sent) << c.what << ": target " << target;
    }
}

// The faces of the whole-picture scan owl-detector's search replaced
// (data/owl_reference_faces.txt): every real one found, nothing else answered.
TEST_F(Exchange, OwlDetectorFindsTheWholeScansFacesOnTheSampleFrames)
{
    std::map<std::string, std::vector<std::pair<cv::Rect, bool>>> references;  // picture: box, real
    std::ifstream in(VIREO_SOURCE_DIR "/tests/fifo/data/owl_reference_faces.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string picture, size, kind;
        cv::Rect box;
        if (line[0] != '#' && fields >> picture >> size >> box.x >> box.y >> box.width >> box.height >> kind)
            references[picture].emplace_back(box, kind != "false");
    }
    for (const char* frame : {"0", "30", "60", "90", "120", "149", "150", "180", "210", "240", "270", "299"})
        references["faces.avi#" + std::string(frame)];  // also the frames without faces
    ASSERT_EQ(references.size(), 13u);

    StartOwl();
    QtSettingManager::GetInstance()->SetCameraInfo(1280, 720, 30);
    adaptor->SetTargetHeight(480);
    std::map<std::string, cv::Mat> frames;
    cv::resize(face, frames["messi5.jpg"], cv::Size(1280, 720));
    cv::VideoCapture video(VIREO_BUILD_DIR "/samples/faces.avi");
    cv::Mat frame;
    for (int index = 0; video.read(frame); ++index)
        if (references.count("faces.avi#" + std::to_string(index)) != 0)
            frames["faces.avi#" + std::to_string(index)] = frame.clone();
    ASSERT_EQ(frames.size(), references.size());
    const auto iou = [](const cv::Rect& a, const cv::Rect& b) {
        return static_cast<double>((a & b).area()) / (a.area() + b.area() - (a & b).area());
    };
    for (const auto& [picture, expected] : references) {
        SCOPED_TRACE(picture);
        ASSERT_EQ(InferConnected(frames[picture]), 0);
        std::vector<Json::Value> boxes;
        adaptor->GetBboxResults(boxes);
        std::vector<cv::Rect> found;
        for (const Json::Value& entry : boxes) {
            const Json::Value& b = entry["bbox"];
            found.emplace_back(b["x"].asInt(), b["y"].asInt(), b["width"].asInt(), b["height"].asInt());
        }
        for (const auto& reference : expected) {
            // Named apart: a lambda may not capture a structured binding before C++20.
            const cv::Rect& box = reference.first;
            const bool real = reference.second;
            const bool kept =
                std::any_of(found.begin(), found.end(), [&](const cv::Rect& f) { return iou(f, box) >= 0.5; });
            EXPECT_TRUE(kept || !real) << "lost " << box;
        }
        for (const cv::Rect& f : found) {
            const bool known =
                std::any_of(expected.begin(), expected.end(), [&](const auto& e) { return iou(f, e.first) >= 0.5; });
            EXPECT_TRUE(known) << "new " << f;
        }
    }
}

TEST_F(Exchange, AnUnusedInstanceEndsWithoutClosingOtherDescriptors)
{
    // As in device mode: created, never connected, destroyed (twice is harmless: see TearDown).
    EXPECT_EQ(EdgeFifoAdaptor::CreateInstance("other", "names"), adaptor);
    const int camera = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(camera, 0);
    EdgeFifoAdaptor::DestroyInstance();
    EXPECT_NE(fcntl(camera, F_GETFD), -1) << "the camera's descriptor was closed";
    close(camera);
    EXPECT_THROW(EdgeFifoAdaptor::GetInstance(), std::runtime_error);
}

TEST_F(Failures, WithoutADetectorEveryFrameFailsAtOnceWithMinus2)
{
    enum Setup { Nothing, Fifos, File, Directory, Link };
    struct Case {
        const char* what;
        Setup setup;
        std::string line;  // for a path that is no FIFO, what it is instead
    };
    const Case cases[] = {
        {"no pipes", Nothing, "Failed to open resp fifo with errno [2]"},
        {"pipes but no detector", Fifos, "Failed to open req fifo with errno [6]"},
        {"a regular file", File, "a regular file"},
        {"a directory", Directory, "a directory"},
        {"a symbolic link to a FIFO", Link, "a symbolic link"},
    };
    for (const Case& c : cases) {
        const std::string req = dir.File(std::string("req ") + c.what);
        EdgeFifoAdaptor::DestroyInstance();
        adaptor = EdgeFifoAdaptor::CreateInstance(req, req + " resp");
        if (c.setup != Nothing)  // the response pipe is opened first
            mkfifo((req + " resp").c_str(), 0600);
        if (c.setup == Fifos)
            mkfifo(req.c_str(), 0600);
        if (c.setup == File)
            WriteText(req, "the user's file");
        if (c.setup == Directory)
            mkdir(req.c_str(), 0700);
        if (c.setup == Link) {
            mkfifo(response.c_str(), 0600);
            ASSERT_EQ(symlink(response.c_str(), req.c_str()), 0);
        }
        const std::string line =
            c.setup < File ? c.line : "Failed to open req fifo: \"" + req + "\" is " + c.line + ", not a FIFO; it is left alone";
        testing::internal::CaptureStdout();
        const auto start = Clock::now();
        std::vector<int> results;
        for (int frame = 0; frame < 30; ++frame)
            results.push_back(adaptor->Infer(face));
        const auto took = Clock::now() - start;
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(results, std::vector<int>(30, -2)) << c.what;
        EXPECT_EQ(printed, line + "\n") << c.what << ": repeats within a second are counted, not printed";
        // Thirty frames that each waited for a peer would take many seconds.
        EXPECT_LT(took, WallLimit(std::chrono::seconds(1))) << c.what;
    }
    EXPECT_EQ(ReadText(dir.File("req a regular file")), "the user's file");
}

// Detectors that misbehave, die, hang, stop reading or restart in the middle
// of an answer (a restart keeps the pipes open, so no end of file ever shows
// and only the limits end the exchange): each failure is -3 with its line and
// no results, the next frame finds the detector serving again, and no
// reconnect leaves a descriptor behind.
TEST_F(Failures, MisbehavingDetectorsFailCleanlyAndAreServedAgain)
{
    using namespace std::chrono_literals;
    const ExchangeLimits quick{500ms, 1000ms, 300ms};
    cv::Mat noise(720, 1280, CV_8UC3);
    cv::randu(noise, 0, 255);  // a request of more than a megabyte
    const struct {
        const char* what;
        bool scripted;  // the scripted test detector, else owl-detector
        std::vector<std::string> flags;
        bool quickLimits;
        std::vector<int> results;  // of consecutive frames, the first once connected
        std::string line;          // printed along the way
        std::vector<std::string> frameNumbers;  // owl-detector's "Frame" rows of the successful frames
        int exitCode;              // of owl-detector after the last frame; -1: still serving
    } cases[] = {
        {"not JSON", false, {"--garbage"}, false, {0, 0}, "Json parse error: ", {"", ""}, -1},
        {"short body", false, {"--short-body"}, false, {-3}, "Failed to read cnn result with errno [0]", {}, 0},
        {"huge length", false, {"--huge-length"}, false, {-3}, "Refused a detector answer of 4294967280 bytes", {}, 0},
        {"two answers", false, {"--two-answers"}, false, {0, 0, 0}, "stale bytes", {"1", "2", "3"}, -1},
        {"crash", false, {"--crash-after", "2"}, false, {0, 0, -3}, "Failed to read cnn msg hdr with errno [0]",
         {"1", "2"}, 70},
        {"late answer", false, {"--delay-ms", "700"}, false, {0, 0}, "", {"1", "2"}, -1},
        {"empty answer", false, {"--echo"}, false, {0, 0}, "", {"", ""}, -1},
        {"restarted right after an answer's length", true, {"--restart-after-header", "2"}, false, {0, -3, 0, 0},
         "The detector's answer stopped for 2 s after 4 bytes", {}, -1},
        {"opens its response pipe first", true, {"--response-first"}, false, {0, 0, 0}, "", {}, -1},
        {"stops answering", true, {"--answer-every", "1000"}, true, {0, -3, -3},
         "No answer from the detector 0.5 s after the request", {}, -1},
        {"answers every third request", true, {"--answer-every", "3"}, true, {0, -3, -3, 0},
         "No answer from the detector 1 s", {}, -1},
        {"stops reading a large request", true, {"--stop-reading-after", "1000"}, true, {-3},
         "The detector stopped reading the request for 1 s", {}, -1},
    };
    int descriptors = -1;  // between cases, with neither adaptor nor detector
    for (const auto& c : cases) {
        EdgeFifoAdaptor::DestroyInstance();
        detector.Kill();
        const int open = OpenDescriptors();
        descriptors = descriptors < 0 ? open : descriptors;
        EXPECT_EQ(open, descriptors) << "a reconnect left descriptors open, seen before " << c.what;
        adaptor = EdgeFifoAdaptor::CreateInstance(request, response);
        if (c.quickLimits)
            adaptor->SetExchangeLimits(quick);
        if (c.scripted) {
            std::vector<std::string> argv{"/usr/bin/python3", VIREO_SOURCE_DIR "/tests/fifo/scripted_detector.py",
                                          "--req", request, "--resp", response};
            argv.insert(argv.end(), c.flags.begin(), c.flags.end());
            StartDetector(argv);
        } else {
            StartOwl(c.flags);
        }
        const cv::Mat& frame = c.flags[0] == "--stop-reading-after" ? noise : face;
        // Checked after the capture ends: a failure printed inside it would be lost.
        testing::internal::CaptureStdout();
        std::vector<int> results;
        std::vector<std::string> numbers;
        bool failedWithResults = false;
        Clock::time_point failedAt{};
        Clock::duration servedAgainAfter{};
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            const int result = i == 0 ? InferConnected(frame) : adaptor->Infer(frame);
            results.push_back(result);
            std::vector<Json::Value> boxes;
            std::vector<Json::Value> frames;
            adaptor->GetBboxResults(boxes);
            adaptor->GetFrameResults(frames);
            if (result == 0 && !c.scripted)
                numbers.push_back(FrameRow(frames, "Frame"));
            failedWithResults = failedWithResults || (result != 0 && (!boxes.empty() || !frames.empty()));
            if (result != 0 && failedAt == Clock::time_point())
                failedAt = Clock::now();
            if (result == 0 && failedAt != Clock::time_point() && servedAgainAfter == Clock::duration())
                servedAgainAfter = Clock::now() - failedAt;
        }
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(results, c.results) << c.what << " printed: " << printed;
        EXPECT_FALSE(failedWithResults) << c.what;
        EXPECT_NE(printed.find(c.line), std::string::npos) << c.what << " printed: " << printed;
        EXPECT_EQ(numbers, c.frameNumbers) << c.what;
        // The next frame must not wait out another limit first.
        EXPECT_LT(servedAgainAfter, WallLimit(3s)) << c.what;
        // A failed exchange closes the pipes at once, so a detector that has
        // not died already sees the end of its request pipe and leaves.
        if (!c.scripted) {
            EXPECT_EQ(detector.WaitExit(std::chrono::milliseconds(c.exitCode == -1 ? 0 : 5000)), c.exitCode) << c.what;
        }
    }
}

TEST_F(Failures, CancelEndsAnExchangeWithAHungDetector)
{
    StartOwl({"--echo", "--delay-ms", "60000"});
    auto pending = std::async(std::launch::async, [this] { return InferConnected(face); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "did not wait";
    const auto start = Clock::now();
    adaptor->Cancel();
    EXPECT_EQ(pending.get(), -3);
    // Wall clock with a wide margin: without the cancel each call waits out
    // the minute-long delay.
    EXPECT_LT(Clock::now() - start, WallLimit(std::chrono::seconds(1)));
    const auto again = Clock::now();
    EXPECT_EQ(adaptor->Infer(face), -3);
    EXPECT_LT(Clock::now() - again, WallLimit(std::chrono::seconds(1)));
}

}  // namespace
