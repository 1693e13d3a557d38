#pragma once
// The model sets the dongle can run, and the 24-byte DME configuration record
// that tells it which model of a set to run on images of which size.

#include <array>
#include <cstdint>
#include <string>

// Field order and widths are the record as the dongle reads it.
struct DmeConfig {
    std::uint32_t ModelId = 0;
    std::uint32_t OutputCount = 0;
    std::uint32_t ImageWidth = 0;
    std::uint32_t ImageHeight = 0;
    std::uint32_t ImageChannels = 0;
    std::uint32_t ImageFormat = 0;

    // The record as 24 little-endian bytes.
    std::array<char, 24> ToBytes() const;
};

// Where a model set lives and how the dongle is told to run it.
struct ModelSet {
    std::string setupPath;   // fw_info.bin
    std::string modelPath;   // all_models.bin
    int setupLimit = 0;      // bytes; a larger setup file is refused
    DmeConfig config;
};

// Setup buffers: built-in sets may use 512 bytes, user models 128.
constexpr int kBuiltinSetupLimit = 512;
constexpr int kUserSetupLimit = 128;
// Model images and firmware images above these sizes are refused.
constexpr int kModelImageLimit = 0x1400000;  // 20 MiB
constexpr int kFirmwareImageLimit = 0x20000;  // 128 KiB

// The largest image the dongle takes; larger camera frames are shrunk to it.
constexpr int kMaxInferWidth = 1280;
constexpr int kMaxInferHeight = 720;

// The set for model number `Mode` (see ModelNumbers.h) with paths under
// `modelDir` ("<dir>/mask/fw_info.bin" ...), sized for `width` x `height`
// images. For the user model the paths are the split files'. False for a
// number that names no model.
bool ModelSetFor(int Mode, const std::string& modelDir, int width, int height, ModelSet& set);

// The user model's set from its two split files.
ModelSet UserModelSet(const std::string& setupPath, const std::string& modelPath, int width, int height);
