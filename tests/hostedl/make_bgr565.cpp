// Build helper: a picture as the raw BGR565 bytes the dongle receives, so
// the plain C client needs no image library.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make_bgr565 PICTURE OUT.bgr565\n";
        return 2;
    }
    const cv::Mat picture = cv::imread(argv[1]);
    if (picture.empty()) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 1;
    }
    cv::Mat packed;
    cv::cvtColor(picture, packed, cv::COLOR_BGR2BGR565);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(packed.data), static_cast<std::streamsize>(packed.total() * 2));
    std::cout << picture.cols << " " << picture.rows << "\n";
    return out ? 0 : 1;
}
