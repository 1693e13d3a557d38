#pragma once
// A model set after edl_start_dme accepted it: its cascades loaded, its
// classifier parsed, ready to be configured and run.
// Not thread-safe: the owning device serialises every use.

#include "hostedl/Answers.h"
#include "hostedl/Detectors.h"
#include "hostedl/DmeConfig.h"
#include "hostedl/ModelSetFormat.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostedl {

class LoadedSet {
public:
    // Validates the container and loads every part. On failure returns the
    // reason and leaves `out` empty; `detail` names the part at fault.
    static ModelSetError Load(const uint8_t* setup, size_t setupLen, const uint8_t* image, size_t imageLen,
                              std::unique_ptr<LoadedSet>& out, std::string& detail);

    // Null when the configuration fits the set, else why it does not.
    const char* CheckConfig(const DmeConfig& config) const;

    // Runs the configured model on a BGR565 frame of the configured size
    // (the caller checked the length). False with `error` on an internal failure.
    bool Infer(const DmeConfig& config, const uint8_t* image, std::vector<uint8_t>& answer, std::string& error);

    // A new configuration is a new scene: the next frames are searched whole.
    void ForgetFinds();

private:
    struct Model {
        uint32_t format = 0;
        std::vector<SearchedCascade> faces;
        std::vector<cv::CascadeClassifier> mouths;
        std::vector<SearchedCascade> objects;
        bool hogPeople = false;
        std::optional<UserClassifier> classifier;
    };

    std::map<uint32_t, Model> models;
};

}  // namespace hostedl
