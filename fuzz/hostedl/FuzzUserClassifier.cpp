// User classifier payload: parse, and when it parses, classify features.
#include "hostedl/Detectors.h"
#include "hostedl/UserClassifierFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hostedl::UserClassifier classifier;
    if (!hostedl::ParseUserClassifier(data, size, classifier)) return 0;
    const std::vector<uint8_t> features(classifier.FeatureSize(), 128);
    const std::vector<int8_t> logits = hostedl::ClassifyLogits(features, classifier);
    if (logits.size() != classifier.classCount) __builtin_trap();
    return 0;
}
