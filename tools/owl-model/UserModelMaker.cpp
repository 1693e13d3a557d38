#include "UserModelMaker.h"

#include "hostedl/ByteIO.h"
#include "hostedl/Detectors.h"
#include "hostedl/ModelSetFormat.h"
#include "hostedl/UserClassifierFormat.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace hostedl;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSetupSize = 68;
constexpr size_t kImageOffset = 4096;

std::vector<std::string> ReadLabels(const std::string& path)
{
    std::vector<std::string> labels;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) labels.push_back(line);
    }
    return labels;
}

// What the dongle sees: the picture after the program's BGR565 conversion.
cv::Mat ThroughBgr565(const cv::Mat& bgr)
{
    cv::Mat packed, back;
    cv::cvtColor(bgr, packed, cv::COLOR_BGR2BGR565);
    cv::cvtColor(packed, back, cv::COLOR_BGR5652BGR);
    return back;
}

}  // namespace

bool MakeUserModel(const UserModelRequest& request, std::string& error)
{
    const std::vector<std::string> labels = ReadLabels(request.labelsFile);
    if (labels.empty() || labels.size() > kMaxUserClasses) {
        error = "label file " + request.labelsFile + " needs 1 to 1000 non-empty lines";
        return false;
    }
    if (request.grid < 1 || request.grid > kMaxGridSide) {
        error = "--grid must be 1..64";
        return false;
    }
    UserClassifier c;
    c.classCount = static_cast<uint16_t>(labels.size());
    c.gridWidth = c.gridHeight = static_cast<uint16_t>(request.grid);
    c.channels = request.grey ? 1 : 3;
    // Logits (d_nearest - d) / 4 in steps of 1/16 cover RMS distances up to 32.
    c.radix = 4;
    c.scale = 1.0f;
    c.temperature = 4.0f;
    for (const std::string& label : labels) {
        std::vector<double> sum(c.FeatureSize(), 0.0);
        int count = 0;
        std::error_code ec;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(fs::path(request.examplesDir) / label, ec))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const cv::Mat picture = cv::imread(file.string(), cv::IMREAD_COLOR);
            if (picture.empty()) continue;  // not a picture: README files and the like
            const std::vector<uint8_t> f = ClassifierFeatures(ThroughBgr565(picture), c);
            for (size_t i = 0; i < f.size(); ++i) sum[i] += f[i];
            ++count;
        }
        if (count == 0) {
            error = "no pictures for label '" + label + "' in " + (fs::path(request.examplesDir) / label).string();
            return false;
        }
        for (double s : sum) c.centroids.push_back(static_cast<uint8_t>(std::lround(s / count)));
    }

    PartSource part;
    part.part.modelId = kModelIdUser;
    part.part.imageFormat = kFormatUser;
    part.part.role = PartRole::UserClassifier;
    part.part.classId = c.classCount;
    const std::vector<uint8_t> payload = BuildUserClassifier(c);
    part.bytes.assign(payload.begin(), payload.end());
    std::vector<uint8_t> setup, image;
    BuildModelSet({part}, setup, image, kSetupSize);

    std::vector<uint8_t> file(kImageOffset, 0);
    std::copy(setup.begin(), setup.end(), file.begin());
    file.insert(file.end(), image.begin(), image.end());
    const uint32_t crc = Crc32(image.data(), image.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(crc >> (8 * i)));

    std::ofstream out(request.outFile, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const fs::path outPath(request.outFile);
    const fs::path labelsOut = outPath.parent_path() / (outPath.stem().string() + "_labels.txt");
    std::ofstream labelsStream(labelsOut, std::ios::binary | std::ios::trunc);
    // The program's label file format: "<class id> <name>" per line.
    for (std::size_t id = 0; id < labels.size(); ++id) labelsStream << id << ' ' << labels[id] << "\n";
    if (!out || !labelsStream) {
        error = "cannot write " + request.outFile + " or " + labelsOut.string();
        return false;
    }
    return true;
}
