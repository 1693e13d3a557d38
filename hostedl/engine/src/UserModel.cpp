#include "hostedl/Detectors.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace hostedl {

std::vector<uint8_t> ClassifierFeatures(const cv::Mat& bgr, const UserClassifier& c)
{
    cv::Mat source = bgr;
    if (c.channels == 1) cv::cvtColor(bgr, source, cv::COLOR_BGR2GRAY);
    cv::Mat grid;
    cv::resize(source, grid, cv::Size(c.gridWidth, c.gridHeight), 0, 0, cv::INTER_AREA);
    grid = grid.isContinuous() ? grid : grid.clone();
    return std::vector<uint8_t>(grid.data, grid.data + grid.total() * grid.elemSize());
}

std::vector<int8_t> ClassifyLogits(const std::vector<uint8_t>& features, const UserClassifier& c)
{
    const size_t n = c.FeatureSize();
    std::vector<double> distance(c.classCount);
    double nearest = std::numeric_limits<double>::max();
    for (size_t k = 0; k < c.classCount; ++k) {
        const uint8_t* centroid = c.centroids.data() + k * n;
        double sum = 0;
        for (size_t i = 0; i < n && i < features.size(); ++i) {
            const double d = static_cast<double>(features[i]) - centroid[i];
            sum += d * d;
        }
        distance[k] = std::sqrt(sum / static_cast<double>(n));
        nearest = std::min(nearest, distance[k]);
    }
    // The decoder computes (q / 2^radix) / scale, so quantise the other way.
    const double quantum = std::ldexp(1.0, c.radix) * c.scale;
    std::vector<int8_t> logits(c.classCount);
    for (size_t k = 0; k < c.classCount; ++k) {
        const double value = (nearest - distance[k]) / c.temperature;
        logits[k] = static_cast<int8_t>(std::clamp(std::lround(value * quantum), -128L, 127L));
    }
    return logits;
}

}  // namespace hostedl
