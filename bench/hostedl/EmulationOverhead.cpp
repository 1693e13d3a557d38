// What the emulation layer costs over bare OpenCV: per model, the library's
// time per 1280 x 720 inference (the caller's BGR565 conversion, the call and
// the retrieval) against OpenCV's own detector with the same cascade and
// parameters on the same BGR picture, both measured in this run, alternating.
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

bool Load(const std::string& set, uint32_t modelId, uint32_t outputs, uint32_t format)
{
    const std::string dir = std::string(VIREO_BUILD_DIR) + "/HostLibAdapter/models/" + set + "/";
    std::vector<char> setup = ReadBytes(dir + "fw_info.bin"), model = ReadBytes(dir + "all_models.bin");
    uint32_t status = 0;
    if (edl_start_dme(0, model.size(), setup.data(), setup.size(), &status, model.data(), model.size()) != 0) {
        std::fprintf(stderr, "cannot load %s (status %u)\n", set.c_str(), status);
        return false;
    }
    uint32_t config[6] = {modelId, outputs, 1280, 720, 3, format};  // little-endian host
    return edl_dme_configure(0, reinterpret_cast<char*>(config), 24, nullptr) == 0;
}

struct Figure {
    std::string name;
    double library = 0, opencv = 0;
};

Figure Measure(const std::string& name, int rounds, const cv::Mat& bgr, const std::function<void()>& bare)
{
    std::vector<char> answer(300 * 1024);
    auto library = [&] {
        cv::Mat packed;
        cv::cvtColor(bgr, packed, cv::COLOR_BGR2BGR565);
        uint32_t size = 0;
        uint8_t flag = 1;
        if (edl_dme_inference(0, reinterpret_cast<char*>(packed.data), packed.total() * 2, &size, &flag,
                              answer.data(), 0, 0) != 0 ||
            size > answer.size())
            std::fprintf(stderr, "inference failed\n");
        edl_dme_retrieve_res(0, 0, size, answer.data());
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
    cv::CascadeClassifier cat(cascades + "/haarcascade_frontalcatface.xml");
    cv::HOGDescriptor hog;
    hog.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
    const hostedl::CascadeParams& fp = hostedl::kFaceParams;
    const hostedl::HogParams& hp = hostedl::kHogParams;

    // The emulator's face step, as OpenCV alone does it.
    const auto findFaces = [&] {
        cv::Mat gray;
        cv::cvtColor(faces, gray, cv::COLOR_BGR2GRAY);
        std::vector<cv::Rect> found;
        std::vector<int> levels;
        std::vector<double> weights;
        face.detectMultiScale(gray, found, levels, weights, fp.scaleFactor, fp.minNeighbors, 0, fp.minSize, cv::Size(), true);
    };
    std::vector<Figure> figures;
    if (!Load("mask", 3, 8, 0x80000060u)) return 1;
    figures.push_back(Measure("face", rounds, faces, findFaces));
    if (!Load("age_gender", 3, 1, 0x81000060u)) return 1;
    figures.push_back(Measure("age_gender", rounds, faces, findFaces));
    if (!Load("yolo", 19, 2, 0x80000060u)) return 1;
    figures.push_back(Measure("objects", quick ? 3 : 10, street, [&] {
        std::vector<cv::Rect> people, cats;
        std::vector<double> weights;
        hog.detectMultiScale(street, people, weights, hp.hitThreshold, hp.winStride, hp.padding, hp.scale, hp.groupThreshold);
        cv::Mat gray;
        cv::cvtColor(street, gray, cv::COLOR_BGR2GRAY);
        std::vector<int> levels;
        cat.detectMultiScale(gray, cats, levels, weights, hostedl::kCatFaceParams.scaleFactor,
                             hostedl::kCatFaceParams.minNeighbors, 0, hostedl::kCatFaceParams.minSize, cv::Size(), true);
    }));
    edl_lib_de_init();

    for (const Figure& f : figures) {
        const double ratio = f.library / f.opencv;
        ReportBench(("emu.over_opencv." + f.name).c_str(), ratio, "ratio", "<=", 1.2);
    }
    return 0;
}
