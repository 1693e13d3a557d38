#pragma once
// The models the dongle can run, one row per model number (ModelNumbers.h):
// which set is uploaded, the 24-byte DME configuration record that tells the
// dongle what to run on images of which size, how its answer is read and how
// its results are shown. Every part of the program that treats models
// differently reads it from here.

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

// How the dongle's answer of a model is laid out.
enum class AnswerKind {
    FaceBoxes,    // box list; class 0 dropped, 2 is a mask
    ObjectBoxes,  // box list; the class is the object's
    AgeGender,    // one face with age and gender
    RawOutput,    // the user model's raw tensors, decoded here
};

// What the window shows of one result.
enum class ResultLook {
    BoxOnly,        // the box frame alone
    AgeGender,      // box with gender and age
    ObjectName,     // box with the object's class name
    MaskOrNot,      // box with mask / no mask
    LabelledClass,  // a frame-wide panel with the class named by the user's label file
};

struct ModelRow {
    int number;             // the model number
    const char* setFolder;  // under the model directory; null: the user's own file
    std::uint32_t modelId;  // within the set
    std::uint32_t outputCount;
    std::uint32_t imageFormat;
    AnswerKind answer;
    ResultLook look;
};

// The row of model number `Mode`, or null for a number that names no model.
const ModelRow* FindModel(int Mode);

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

// The set of `row` for `width` x `height` images: for a built-in model under
// `modelDir` ("<dir>/mask/fw_info.bin" ...), for the user model the two
// files split from the user's file.
ModelSet ModelSetFor(const ModelRow& row, const std::string& modelDir, int width, int height);
ModelSet UserModelSet(const std::string& setupPath, const std::string& modelPath, int width, int height);
