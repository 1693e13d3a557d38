#include "HostLibAdapter/ModelSets.h"

#include "HostLibAdapter/ModelNumbers.h"

namespace {

void PutLittleEndian(char* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
}

DmeConfig Config(std::uint32_t modelId, std::uint32_t outputs, std::uint32_t format, int width, int height)
{
    DmeConfig c;
    c.ModelId = modelId;
    c.OutputCount = outputs;
    c.ImageWidth = static_cast<std::uint32_t>(width);
    c.ImageHeight = static_cast<std::uint32_t>(height);
    c.ImageChannels = 3;
    c.ImageFormat = format;
    return c;
}

// Face/mask and age/gender share a model id inside their sets; the format
// word and the output count tell the dongle which answer to give.
constexpr std::uint32_t kFaceModelId = 3;
constexpr std::uint32_t kObjectModelId = 19;
constexpr std::uint32_t kUserModelId = 1000;
constexpr std::uint32_t kBoxFormat = 0x80000060u;
constexpr std::uint32_t kAgeGenderFormat = 0x81000060u;
constexpr std::uint32_t kRawFormat = 0x90100060u;

}  // namespace

std::array<char, 24> DmeConfig::ToBytes() const
{
    std::array<char, 24> bytes{};
    const std::uint32_t fields[] = {ModelId, OutputCount, ImageWidth, ImageHeight, ImageChannels, ImageFormat};
    for (int i = 0; i < 6; ++i)
        PutLittleEndian(bytes.data() + 4 * i, fields[i]);
    return bytes;
}

bool ModelSetFor(int Mode, const std::string& modelDir, int width, int height, ModelSet& set)
{
    std::string folder;
    switch (Mode) {
    case kModelFaceDetection:
    case kModelMaskDetection:
        folder = "mask";
        set.config = Config(kFaceModelId, 8, kBoxFormat, width, height);
        break;
    case kModelAgeGender:
        folder = "age_gender";
        set.config = Config(kFaceModelId, 1, kAgeGenderFormat, width, height);
        break;
    case kModelObjectDetection:
        folder = "yolo";
        set.config = Config(kObjectModelId, 2, kBoxFormat, width, height);
        break;
    default:
        return false;
    }
    set.setupPath = modelDir + "/" + folder + "/fw_info.bin";
    set.modelPath = modelDir + "/" + folder + "/all_models.bin";
    set.setupLimit = kBuiltinSetupLimit;
    return true;
}

ModelSet UserModelSet(const std::string& setupPath, const std::string& modelPath, int width, int height)
{
    ModelSet set;
    set.setupPath = setupPath;
    set.modelPath = modelPath;
    set.setupLimit = kUserSetupLimit;
    set.config = Config(kUserModelId, 1, kRawFormat, width, height);
    return set;
}
