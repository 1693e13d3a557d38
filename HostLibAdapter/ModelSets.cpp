#include "HostLibAdapter/ModelSets.h"

#include "HostLibAdapter/ModelNumbers.h"

namespace {

// Face/mask and age/gender share a model id inside their sets; the format
// word and the output count tell the dongle which answer to give.
constexpr std::uint32_t kBoxFormat = 0x80000060u;
constexpr std::uint32_t kAgeGenderFormat = 0x81000060u;
constexpr std::uint32_t kRawFormat = 0x90100060u;

// Face detection and mask detection are one model on the dongle; only what
// is shown of its answer differs.
constexpr ModelRow kModels[] = {
    {kModelFaceDetection, "mask", 3, 8, kBoxFormat, AnswerKind::FaceBoxes, ResultLook::BoxOnly},
    {kModelAgeGender, "age_gender", 3, 1, kAgeGenderFormat, AnswerKind::AgeGender, ResultLook::AgeGender},
    {kModelObjectDetection, "yolo", 19, 2, kBoxFormat, AnswerKind::ObjectBoxes, ResultLook::ObjectName},
    {kModelMaskDetection, "mask", 3, 8, kBoxFormat, AnswerKind::FaceBoxes, ResultLook::MaskOrNot},
    {kModelUserDefined, nullptr, 1000, 1, kRawFormat, AnswerKind::RawOutput, ResultLook::LabelledClass},
};

void PutLittleEndian(char* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFFu);
}

DmeConfig ConfigOf(const ModelRow& row, int width, int height)
{
    DmeConfig c;
    c.ModelId = row.modelId;
    c.OutputCount = row.outputCount;
    c.ImageWidth = static_cast<std::uint32_t>(width);
    c.ImageHeight = static_cast<std::uint32_t>(height);
    c.ImageChannels = 3;
    c.ImageFormat = row.imageFormat;
    return c;
}

}  // namespace

std::array<char, 24> DmeConfig::ToBytes() const
{
    std::array<char, 24> bytes{};
    const std::uint32_t fields[] = {ModelId, OutputCount, ImageWidth, ImageHeight, ImageChannels, ImageFormat};
    for (int i = 0; i < 6; ++i)
        PutLittleEndian(bytes.data() + 4 * i, fields[i]);
    return bytes;
}

const ModelRow* FindModel(int Mode)
{
    for (const ModelRow& row : kModels)
        if (row.number == Mode)
            return &row;
    return nullptr;
}

ModelSet ModelSetFor(const ModelRow& row, const std::string& modelDir, int width, int height)
{
    ModelSet set;
    const std::string folder = modelDir + "/" + (row.setFolder != nullptr ? row.setFolder : "") + "/";
    set.setupPath = folder + "fw_info.bin";
    set.modelPath = folder + "all_models.bin";
    set.setupLimit = kBuiltinSetupLimit;
    set.config = ConfigOf(row, width, height);
    return set;
}

ModelSet UserModelSet(const std::string& setupPath, const std::string& modelPath, int width, int height)
{
    ModelSet set;
    set.setupPath = setupPath;
    set.modelPath = modelPath;
    set.setupLimit = kUserSetupLimit;
    set.config = ConfigOf(*FindModel(kModelUserDefined), width, height);
    return set;
}
