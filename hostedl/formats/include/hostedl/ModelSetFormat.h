#pragma once
// Model set of the emulated dongle: a setup block (fw_info.bin) that names the
// parts of the set, and a model image (all_models.bin) that holds them.
//
// Setup, little-endian:
//   "OWLM", u16 version (1), u16 part count (1..kMaxParts),
//   u32 model image size, u32 CRC-32 of the model image,
//   per part 20 bytes: u32 model id, u32 image format, u16 role, u16 class,
//                      u32 offset in the image, u32 size,
//   u32 CRC-32 of everything above; then only zero bytes up to the setup
//   length (a user model file pads its setup to 68 bytes).
// The parts sharing a model id form one model (a face cascade and a mouth
// cascade, say); they must agree on the image format. A face cascade counts
// as class 0 when a quick cascade is matched to it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostedl {

constexpr size_t kSetupLimitBuiltin = 512;
constexpr size_t kSetupLimitUser = 128;
constexpr size_t kModelImageLimit = 20u * 1024 * 1024;
constexpr size_t kSetupHeaderSize = 16;
constexpr size_t kSetupPartSize = 20;
constexpr size_t kMaxParts = (kSetupLimitBuiltin - kSetupHeaderSize - 4) / kSetupPartSize;

// Model ids and image formats that the program configures.
constexpr uint32_t kModelIdFace = 3;
constexpr uint32_t kModelIdObjects = 19;
constexpr uint32_t kModelIdUser = 1000;
constexpr uint32_t kFormatBoxes = 0x80000060u;
constexpr uint32_t kFormatAgeGender = 0x81000060u;
constexpr uint32_t kFormatUser = 0x90100060u;

enum class PartRole : uint16_t {
    FaceCascade = 1,    // Haar cascade XML: faces
    EyeCascade = 2,     // Haar cascade XML: eyes
    MouthCascade = 3,   // Haar cascade XML: mouths (OpenCV's smile cascade)
    ObjectCascade = 4,  // Haar cascade XML: objects of the part's class
    HogPeople = 5,      // marker: OpenCV's built-in HOG people detector
    UserClassifier = 6, // nearest-centroid classifier, class = class count
    QuickCascade = 7,   // cascade XML (LBP): where the model's cascade of the part's class looks
};

struct ModelPart {
    uint32_t modelId = 0;
    uint32_t imageFormat = 0;
    PartRole role = PartRole::FaceCascade;
    uint16_t classId = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct ModelSetLayout {
    std::vector<ModelPart> parts;
    uint32_t imageSize = 0;
};

// Codes double as the status that edl_start_dme reports, so keep them stable.
enum class ModelSetError : uint32_t {
    None = 0,
    SetupTooShort = 1,
    SetupTooLong = 2,
    BadMagic = 3,
    BadVersion = 4,
    BadPartCount = 5,
    SetupCrc = 6,
    SetupTrailingBytes = 7,
    ImageTooLarge = 8,
    ImageSizeMismatch = 9,
    ImageCrc = 10,
    PartOutOfRange = 11,
    UnknownRole = 12,
    FormatDisagrees = 13,
    PayloadInvalid = 14,
};

const char* ModelSetErrorText(ModelSetError error);

// Validates the container (not the payloads' contents); `out` is filled
// only on success. A set with a user classifier must fit the user setup limit.
ModelSetError ParseModelSet(const uint8_t* setup, size_t setupLen, const uint8_t* image,
                            size_t imageLen, ModelSetLayout& out);

struct PartSource {
    ModelPart part;  // offset and size are filled in by BuildModelSet
    std::string bytes;
};

// Lays the parts out back to back; pads the setup with zeros to `setupSize`
// when that is larger than needed.
void BuildModelSet(const std::vector<PartSource>& sources, std::vector<uint8_t>& setup,
                   std::vector<uint8_t>& image, size_t setupSize = 0);

}  // namespace hostedl
