// The face, age/gender and object models on the sample pictures against the
// boxes of the whole-picture scans they replaced (data/reference_boxes.txt):
// every real face and person is still found, and nothing is shown that those
// scans did not find.

#include "EdlSession.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

using namespace edltest;

namespace {

struct Reference {
    cv::Rect2f box;
    float score = 0;
    int classId = 0;
    bool real = false;  // a face or a person, not a false alarm
};

// Keyed by "picture size model", in file order.
using References = std::map<std::string, std::vector<Reference>>;

References LoadReferences()
{
    References all;
    std::ifstream in(VIREO_SOURCE_DIR "/tests/hostedl/data/reference_boxes.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string picture, size, model, kind;
        float x1, y1, x2, y2;
        Reference r;
        fields >> picture >> size >> model >> x1 >> y1 >> x2 >> y2 >> r.score >> r.classId >> kind;
        r.box = cv::Rect2f(x1, y1, x2 - x1, y2 - y1);
        r.real = kind != "false";
        all[picture + " " + size + " " + model].push_back(r);
    }
    return all;
}

// "messi5.jpg", "vtest.avi#29" (the 30th frame) or "faces.avi#N", scaled to `size`.
cv::Mat Picture(const std::string& name, cv::Size size)
{
    const auto hash = name.find('#');
    cv::Mat picture;
    if (hash == std::string::npos) {
        picture = cv::imread(OpenCvSample(name));
    } else {
        const std::string video = name.substr(0, hash);
        cv::VideoCapture capture(video == "faces.avi" ? RuntimeDir() + "/samples/faces.avi" : OpenCvSample(video));
        for (int frame = std::stoi(name.substr(hash + 1)); frame >= 0; --frame)
            capture.read(picture);
    }
    if (!picture.empty() && picture.size() != size)
        cv::resize(picture, picture, size);
    return picture;
}

float IoU(const cv::Rect2f& a, const cv::Rect2f& b)
{
    const float common = (a & b).area();
    return common <= 0 ? 0.0f : common / (a.area() + b.area() - common);
}

bool Matches(const cv::Rect2f& box, const std::vector<Reference>& references)
{
    for (const Reference& r : references)
        if (IoU(box, r.box) >= 0.5f)
            return true;
    return false;
}

class ReferenceBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(edl_init_log(dir.Path().c_str(), "campus_hostlib.log"), 0);
        ASSERT_EQ(Connect(), 0);
        ASSERT_FALSE(references.empty());
    }
    void TearDown() override { edl_lib_de_init(); }

    // The answer of the loaded model for every reference picture of `model`;
    // `check` gets the picture's references of that model and the answer.
    template <typename Check>
    void ForEachPicture(const std::string& model, uint32_t modelId, uint32_t outputs, uint32_t format, Check check)
    {
        int pictures = 0;
        for (const auto& [key, expected] : references) {
            std::istringstream fields(key);
            std::string picture, size, keyModel;
            fields >> picture >> size >> keyModel;
            if (keyModel != model)
                continue;
            SCOPED_TRACE(key);
            const cv::Size wanted(std::stoi(size), std::stoi(size.substr(size.find('x') + 1)));
            const cv::Mat bgr = Picture(picture, wanted);
            ASSERT_EQ(bgr.size(), wanted);
            std::vector<char> image = ToBgr565(bgr), answer;
            ASSERT_EQ(Configure(0, modelId, outputs, bgr.cols, bgr.rows, format), 0);
            ASSERT_EQ(Infer(0, image, answer), 0);
            check(picture + " " + size, expected, answer);
            ++pictures;
        }
        EXPECT_GT(pictures, 0) << "no reference pictures for " << model;
    }

    // Every real reference found and shown with its class; every shown box a reference's.
    static void ExpectBoxes(const std::vector<Reference>& expected, const std::vector<char>& answer, bool faces)
    {
        const auto boxes = ParseBoxes(answer);
        ASSERT_EQ(answer.size(), 8 + 24 * boxes.size());
        // Faces of class 0 are candidates the program drops; objects are all shown.
        const auto shown = [&](const BoxAnswer& b) { return !faces || b.classId != 0; };
        const auto rect = [](const BoxAnswer& b) { return cv::Rect2f(b.x1, b.y1, b.x2 - b.x1, b.y2 - b.y1); };
        for (const Reference& r : expected) {
            if (!r.real)
                continue;
            bool found = false;
            for (const BoxAnswer& b : boxes)
                found = found || (shown(b) && b.classId == r.classId && IoU(rect(b), r.box) >= 0.5f);
            EXPECT_TRUE(found) << "lost " << r.box;
        }
        for (const BoxAnswer& b : boxes)
            EXPECT_TRUE(!shown(b) || Matches(rect(b), expected)) << "new " << rect(b) << " score " << b.score;
    }

    TempDir dir;
    const References references = LoadReferences();
};

// The faces of the face models (without masks) and the people of the object model.
TEST_F(ReferenceBoxes, FacesAndPeopleAreTheWholeScans)
{
    for (const bool faces : {true, false}) {
        ASSERT_EQ(UploadBuiltin(0, faces ? "mask" : "yolo"), 0);
        ForEachPicture(faces ? "faces" : "objects", faces ? 3 : 19, faces ? 8 : 2, kFormatBoxes,
                       [faces](const std::string&, const auto& expected, const auto& answer) {
                           ExpectBoxes(expected, answer, faces);
                       });
    }
}

// A camera's frames are searched around the last finds, the picture swept
// for newcomers in parts: a face that whole searches show five frames running
// (the longest a newcomer waits) is shown, and nothing is shown that the
// face cascade would not find scanning the whole frame (the last finds are
// followed also where this frame's quick cascade did not look).
TEST_F(ReferenceBoxes, AVideosFacesAreTheWholeSearchesFacesFromTheFifthFrameOn)
{
    constexpr int kFirst = 30, kFrames = 30, kWait = 5;  // a face comes at about 46
    ASSERT_EQ(UploadBuiltin(0, "mask"), 0);
    cv::VideoCapture video(RuntimeDir() + "/samples/faces.avi");
    std::vector<std::vector<char>> images;
    std::vector<cv::Mat> frames;  // grey and smoothed, as the device's face search sees them
    cv::Mat frame;
    for (int index = 0; index < kFirst + kFrames && video.read(frame); ++index) {
        if (index < kFirst) continue;
        images.push_back(ToBgr565(frame));
        cv::cvtColor(cv::Mat(frame.size(), CV_8UC2, images.back().data()), frames.emplace_back(), cv::COLOR_BGR5652GRAY);
        cv::GaussianBlur(frames.back(), frames.back(), cv::Size(3, 3), 0);
    }
    ASSERT_EQ(images.size(), static_cast<size_t>(kFrames));
    std::vector<std::vector<cv::Rect2f>> whole, streamed;  // shown boxes; a configuration starts afresh
    std::vector<char> answer;
    for (auto* into : {&whole, &streamed}) {
        for (std::vector<char>& image : images) {
            if (into == &whole || into->empty()) {
                ASSERT_EQ(Configure(0, 3, 8, 1280, 720, kFormatBoxes), 0);
            }
            ASSERT_EQ(Infer(0, image, answer), 0);
            into->emplace_back();
            for (const BoxAnswer& b : ParseBoxes(answer))
                if (b.classId != 0) into->back().emplace_back(b.x1, b.y1, b.x2 - b.x1, b.y2 - b.y1);
        }
    }
    const auto in = [](const cv::Rect2f& box, const std::vector<cv::Rect2f>& boxes) {
        return std::any_of(boxes.begin(), boxes.end(), [&](const cv::Rect2f& b) { return IoU(box, b) >= 0.5f; });
    };
    cv::CascadeClassifier faces(VIREO_HAARCASCADE_DIR "/haarcascade_frontalface_default.xml");
    ASSERT_FALSE(faces.empty());
    const auto scanned = [&](int f) {  // the face model's cascade over the whole frame: slow, so only when in doubt
        std::vector<cv::Rect> found;
        std::vector<int> levels;
        std::vector<double> weights;
        faces.detectMultiScale(frames[f], found, levels, weights, 1.1, 3, 0, cv::Size(40, 40), cv::Size(), true);
        return std::vector<cv::Rect2f>(found.begin(), found.end());
    };
    for (int f = 0; f < kFrames; ++f) {
        SCOPED_TRACE(kFirst + f);
        for (const cv::Rect2f& box : streamed[f]) EXPECT_TRUE(in(box, whole[f]) || in(box, scanned(f))) << "new " << box;
        for (const cv::Rect2f& box : whole[f]) {
            int run = 1;  // frames running that whole searches show it, up to this one
            while (run < kWait && run <= f && in(box, whole[f - run])) ++run;
            EXPECT_TRUE((run < kWait && run <= f) || in(box, streamed[f])) << "lost " << box;
        }
    }
}

// The largest face: where the old scan named a real face it is still that
// face; a box shown (score above 0.8) is one of the picture's face boxes.
TEST_F(ReferenceBoxes, AgeAndGenderKeepTheLargestRealFace)
{
    ASSERT_EQ(UploadBuiltin(0, "age_gender"), 0);
    ForEachPicture("age_gender", 3, 1, kFormatAgeGender, [&](const std::string& picture, const auto& expected,
                                                              const auto& answer) {
        ASSERT_EQ(answer.size(), 32u);
        const AgeGenderAnswer a = ParseAgeGender(answer);
        const cv::Rect2f box(a.x1, a.y1, a.x2 - a.x1, a.y2 - a.y1);
        const Reference& before = expected.front();
        if (before.real && before.score > 0.8f) {
            EXPECT_GE(IoU(box, before.box), 0.5f) << box;
            EXPECT_GT(a.score, 0.8f);
        }
        if (a.score > 0.8f) {
            EXPECT_TRUE(Matches(box, references.at(picture + " faces"))) << "new " << box;
        }
    });
}

}  // namespace
