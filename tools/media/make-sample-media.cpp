// Makes the sample videos that the demo and the tests play, from pictures in
// Debian's opencv-doc package, so no media has to be downloaded or committed.
//
//   make-sample-media faces OUT.avi PICTURE...
//       a slow pan and zoom over each picture (real faces), 1280x720, 30 fps

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSceneFrames = 150;  // 5 s at 30 fps
const cv::Size kFacesSize(1280, 720);

bool OpenWriter(cv::VideoWriter& writer, const std::string& path, double fps, cv::Size size)
{
    if (writer.open(path, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), fps, size))
        return true;
    std::fprintf(stderr, "make-sample-media: cannot write %s\n", path.c_str());
    return false;
}

// The picture over a blurred, enlarged copy of itself, zoomed by `zoom` and
// shifted by `shift` (a fraction of the free room), filling `size`.
cv::Mat Compose(const cv::Mat& picture, cv::Size size, double zoom, double shift)
{
    cv::Mat canvas;
    cv::resize(picture, canvas, size, 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(canvas, canvas, cv::Size(0, 0), 25);

    const double fit = std::min(double(size.width) / picture.cols, double(size.height) / picture.rows) * zoom;
    cv::Mat scaled;
    cv::resize(picture, scaled, cv::Size(), fit, fit, cv::INTER_LINEAR);
    // Where the scaled picture lies on the canvas; it may overhang when zoomed.
    const int x = static_cast<int>((size.width - scaled.cols) * (0.5 + shift));
    const int y = (size.height - scaled.rows) / 2;
    const cv::Rect onCanvas = cv::Rect(x, y, scaled.cols, scaled.rows) & cv::Rect(cv::Point(), size);
    scaled(onCanvas - cv::Point(x, y)).copyTo(canvas(onCanvas));
    return canvas;
}

int MakeFaces(const std::string& out, const std::vector<std::string>& pictures)
{
    cv::VideoWriter writer;
    if (!OpenWriter(writer, out, 30, kFacesSize))
        return 1;
    for (const std::string& path : pictures) {
        const cv::Mat picture = cv::imread(path, cv::IMREAD_COLOR);
        if (picture.empty()) {
            std::fprintf(stderr, "make-sample-media: cannot read %s\n", path.c_str());
            return 1;
        }
        for (int i = 0; i < kSceneFrames; ++i) {
            const double t = double(i) / (kSceneFrames - 1);
            writer.write(Compose(picture, kFacesSize, 1.0 + 0.25 * t, 0.15 * (t - 0.5)));
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "faces")
        return MakeFaces(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    std::fprintf(stderr, "usage: make-sample-media faces OUT.avi PICTURE...\n");
    return 2;
}
