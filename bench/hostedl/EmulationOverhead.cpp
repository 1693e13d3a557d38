// What the emulation layer costs over its detectors: per model, the library's
// time per 1280 x 720 inference (the caller's BGR565 conversion, the call and
// the retrieval) against the same searches (hostedl/search) with the same
// cascades and parameters called directly on the same BGR picture, both
// measured in this run, alternating.
//
// Both sides search the whole picture: the library is configured afresh
// before each of its calls, so it does not search around its last finds.
//
// Then the rates a camera sees: inferences per second on a run of 1280 x 720
// video frames (the sample video's faces, vtest.avi's street), the median
// time of a few seconds of them, as a camera's frames come: most of them
// searched around the last finds, every few searched whole.
//
//   bench_hostedl [--short]

#include "BenchReport.h"
#include "hostedl.h"
#include "hostedl/DetectionParams.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t configured[6] = {};  // the last configuration, little-endian host

bool Configure() { return edl_dme_configure(0, reinterpret_cast<char*>(configured), 24, nullptr) == 0; }

bool Load(const std::string& set, uint32_t modelId, uint32_t outputs, uint32_t format)
{
    const std::string dir = std::string(VIREO_BUILD_DIR) + "/HostLibAdapter/models/" + set + "/";
    std::vector<char> setup = ReadBytes(dir + "fw_info.bin"), model = ReadBytes(dir + "all_models.bin");
    uint32_t status = 0;
    if (edl_start_dme(0, model.size(), setup.data(), setup.size(), &status, model.data(), model.size()) != 0) {
        std::fprintf(stderr, "cannot load %s (status %u)\n", set.c_str(), status);
        return false;
    }
    const uint32_t config[6] = {modelId, outputs, 1280, 720, 3, format};
    std::copy(std::begin(config), std::end(config), std::begin(configured));
    return Configure();
}

struct Figure {
    std::string name;
    double library = 0, opencv = 0;
};

// One inference of the configured model as a caller makes it: BGR565
// conversion, the call, the retrieval.
void Infer(const cv::Mat& bgr, std::vector<char>& answer)
{
    cv::Mat packed;
    cv::cvtColor(bgr, packed, cv::COLOR_BGR2BGR565);
    uint32_t size = 0;
    uint8_t flag = 1;
    if (edl_dme_inference(0, reinterpret_cast<char*>(packed.data), packed.total() * 2, &size, &flag, answer.data(), 0,
                          0) != 0 ||
        size > answer.size())
        std::fprintf(stderr, "inference failed\n");
    edl_dme_retrieve_res(0, 0, size, answer.data());
}

// Inferences per second over `frames` in turn for about `seconds`: one over
// the median time.
double Rate(const std::string& name, const std::vector<cv::Mat>& frames, double seconds)
{
    std::vector<char> answer(300 * 1024);
    Infer(frames.front(), answer);  // warm-up
    std::vector<double> times;
    const auto start = BenchClock::now();
    const std::clock_t cpuStart = std::clock();
    for (std::size_t i = 0; MillisecondsSince(start) < seconds * 1000; ++i)
        times.push_back(WallMs([&] { Infer(frames[i % frames.size()], answer); }));
    // The CPU time of all threads, which other processes' load hardly moves.
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / times.size();
    const double rate = 1000 / Median(times);
    std::printf("%-12s %5.1f inferences/s (median of %zu on %zu frames), %.1f ms CPU each\n", name.c_str(), rate,
                times.size(), frames.size(), cpuMs);
    return rate;
}

// Every `step`th frame of `path`, as a 1280 x 720 camera frame.
std::vector<cv::Mat> VideoFrames(const std::string& path, int step)
{
    std::vector<cv::Mat> frames;
    cv::VideoCapture video(path);
    cv::Mat frame;
    for (int i = 0; video.read(frame); ++i) {
        if (i % step == 0) {
            frames.emplace_back();
            cv::resize(frame, frames.back(), cv::Size(1280, 720));
        }
    }
    return frames;
}

Figure Measure(const std::string& name, int rounds, const cv::Mat& bgr, const std::function<void()>& bare)
{
    std::vector<char> answer(300 * 1024);
    auto library = [&] {
        Configure();
        Infer(bgr, answer);
    };
    library();  // warm-up: first-use allocations on both sides
    bare();
    std::vector<double> a, b;
    for (int i = 0; i < rounds; ++i) {
        a.push_back(WallMs(library));
        b.push_back(WallMs(bare));
    }
    Figure f{name, Median(a), Median(b)};
    std::printf("%-12s library %7.1f ms  opencv %7.1f ms  (median of %d)\n", name.c_str(), f.library, f.opencv, rounds);
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    const int rounds = quick ? 5 : 20;
    const std::string samples = VIREO_OPENCV_SAMPLES;
    const std::string cascades = VIREO_HAARCASCADE_DIR;
    const std::string quickCascades = VIREO_LBPCASCADE_DIR;

    cv::Mat faces = cv::imread(samples + "/messi5.jpg");
    cv::VideoCapture video(samples + "/vtest.avi");
    cv::Mat street;
    for (int i = 0; i < 30; ++i) video.read(street);
    if (faces.empty() || street.empty()) {
        std::fprintf(stderr, "sample pictures missing (opencv-doc)\n");
        return 1;
    }
    cv::resize(faces, faces, cv::Size(1280, 720));
    cv::resize(street, street, cv::Size(1280, 720));

    edl_init_log("/tmp", "bench_hostedl.log");
    if (edl_lib_init() != 0 || edl_add_dev(1, "") != 0 || edl_lib_start() != 0) return 1;

    cv::CascadeClassifier face(cascades + "/haarcascade_frontalface_default.xml");
    cv::CascadeClassifier quickFace(quickCascades + "/lbpcascade_frontalface.xml");
    cv::CascadeClassifier cat(cascades + "/haarcascade_frontalcatface.xml");
    cv::CascadeClassifier quickCat(quickCascades + "/lbpcascade_frontalcatface.xml");

    cv::CascadeClassifier mouth(cascades + "/haarcascade_smile.xml");

    // The emulator's face step, called directly; the mask model also looks
    // for a mouth in the lower half of each face, so its side does too.
    const auto findFaces = [&](bool mouths) {
        cv::Mat gray;
        cv::cvtColor(faces, gray, cv::COLOR_BGR2GRAY);
        for (const hostedl::Detection& found :
             hostedl::SearchCascade(face, &quickFace, gray, hostedl::kFaceParams, hostedl::kFaceQuickScan)) {
            const cv::Rect& box = found.box;
            if (!mouths)
                continue;
            cv::Mat lower = gray(cv::Rect(box.x, box.y + box.height / 2, box.width, box.height - box.height / 2));
            if (box.width > hostedl::kMouthSearchFaceWidth) {
                const double shrink = static_cast<double>(hostedl::kMouthSearchFaceWidth) / box.width;
                cv::resize(lower, lower, cv::Size(), shrink, shrink, cv::INTER_AREA);
            }
            std::vector<cv::Rect> seen;
            mouth.detectMultiScale(lower, seen, hostedl::kMouthParams.scaleFactor, hostedl::kMouthParams.minNeighbors,
                                   0, hostedl::kMouthParams.minSize);
        }
    };
    std::vector<Figure> figures;
    if (!Load("mask", 3, 8, 0x80000060u)) return 1;
    figures.push_back(Measure("face", rounds, faces, [&] { findFaces(true); }));
    if (!Load("age_gender", 3, 1, 0x81000060u)) return 1;
    figures.push_back(Measure("age_gender", rounds, faces, [&] { findFaces(false); }));
    if (!Load("yolo", 19, 2, 0x80000060u)) return 1;
    figures.push_back(Measure("objects", quick ? 3 : 10, street, [&] {
        hostedl::SearchPeople(street, hostedl::kHogParams, true);
        cv::Mat gray;
        cv::cvtColor(street, gray, cv::COLOR_BGR2GRAY);
        hostedl::SearchCascade(cat, &quickCat, gray, hostedl::kCatFaceParams);
    }));

    const std::vector<cv::Mat> faceFrames = VideoFrames(VIREO_BUILD_DIR "/samples/faces.avi", 10);
    const std::vector<cv::Mat> streetFrames = VideoFrames(samples + "/vtest.avi", 25);
    if (faceFrames.empty() || streetFrames.empty()) {
        std::fprintf(stderr, "sample videos missing (make sample-media, opencv-doc)\n");
        return 1;
    }
    const double seconds = quick ? 1.5 : 4.0;
    if (!Load("mask", 3, 8, 0x80000060u)) return 1;
    const double masks = Rate("face+mask", faceFrames, seconds);
    if (!Load("age_gender", 3, 1, 0x81000060u)) return 1;
    const double ages = Rate("age_gender", faceFrames, seconds);
    if (!Load("yolo", 19, 2, 0x80000060u)) return 1;
    const double objects = Rate("objects", streetFrames, seconds);
    edl_lib_de_init();

    for (const Figure& f : figures) {
        const double ratio = f.library / f.opencv;
        ReportBench(("emu.over_opencv." + f.name).c_str(), ratio, "ratio", "<=", 1.2);
    }
    // The slower of the two face models: a camera at 30 fps needs both.
    ReportBench("emu.face_per_s", std::min(masks, ages), "inferences/s", ">=", 30);
    ReportBench("emu.objects_per_s", objects, "inferences/s", ">=", 10);
    return 0;
}
