#include "hostedl/ModelSetFormat.h"

#include "hostedl/ByteIO.h"

#include <map>

namespace hostedl {

namespace {

const uint8_t kMagic[4] = {'O', 'W', 'L', 'M'};
constexpr uint16_t kVersion = 1;

bool KnownRole(uint16_t role)
{
    return role >= static_cast<uint16_t>(PartRole::FaceCascade) &&
           role <= static_cast<uint16_t>(PartRole::QuickCascade);
}

}  // namespace

const char* ModelSetErrorText(ModelSetError error)
{
    switch (error) {
    case ModelSetError::None: return "ok";
    case ModelSetError::SetupTooShort: return "setup shorter than its header";
    case ModelSetError::SetupTooLong: return "setup longer than allowed";
    case ModelSetError::BadMagic: return "setup is not a model set (bad magic)";
    case ModelSetError::BadVersion: return "unsupported model set version";
    case ModelSetError::BadPartCount: return "bad part count";
    case ModelSetError::SetupCrc: return "setup CRC-32 mismatch";
    case ModelSetError::SetupTrailingBytes: return "non-zero bytes after the setup";
    case ModelSetError::ImageTooLarge: return "model image larger than 20 MiB";
    case ModelSetError::ImageSizeMismatch: return "model image size differs from the setup";
    case ModelSetError::ImageCrc: return "model image CRC-32 mismatch";
    case ModelSetError::PartOutOfRange: return "part lies outside the model image";
    case ModelSetError::UnknownRole: return "unknown part role";
    case ModelSetError::FormatDisagrees: return "parts of one model disagree on the image format";
    case ModelSetError::PayloadInvalid: return "part payload is invalid";
    }
    return "unknown";
}

ModelSetError ParseModelSet(const uint8_t* setup, size_t setupLen, const uint8_t* image,
                            size_t imageLen, ModelSetLayout& out)
{
    if (setup == nullptr || setupLen < kSetupHeaderSize + kSetupPartSize + 4)
        return ModelSetError::SetupTooShort;
    if (setupLen > kSetupLimitBuiltin) return ModelSetError::SetupTooLong;
    if (std::memcmp(setup, kMagic, 4) != 0) return ModelSetError::BadMagic;
    if (ReadU16(setup + 4) != kVersion) return ModelSetError::BadVersion;
    const size_t count = ReadU16(setup + 6);
    if (count == 0 || count > kMaxParts) return ModelSetError::BadPartCount;
    const size_t used = kSetupHeaderSize + count * kSetupPartSize;
    if (setupLen < used + 4) return ModelSetError::SetupTooShort;
    if (Crc32(setup, used) != ReadU32(setup + used)) return ModelSetError::SetupCrc;
    for (size_t i = used + 4; i < setupLen; ++i)
        if (setup[i] != 0) return ModelSetError::SetupTrailingBytes;

    const uint32_t imageSize = ReadU32(setup + 8);
    if (imageSize > kModelImageLimit || imageLen > kModelImageLimit) return ModelSetError::ImageTooLarge;
    if (imageLen != imageSize || (imageLen > 0 && image == nullptr)) return ModelSetError::ImageSizeMismatch;
    if (Crc32(image, imageLen) != ReadU32(setup + 12)) return ModelSetError::ImageCrc;

    ModelSetLayout layout;
    layout.imageSize = imageSize;
    std::map<uint32_t, uint32_t> formatOf;
    bool hasUser = false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = setup + kSetupHeaderSize + i * kSetupPartSize;
        ModelPart part;
        part.modelId = ReadU32(p);
        part.imageFormat = ReadU32(p + 4);
        const uint16_t role = ReadU16(p + 8);
        part.classId = ReadU16(p + 10);
        part.offset = ReadU32(p + 12);
        part.size = ReadU32(p + 16);
        if (!KnownRole(role)) return ModelSetError::UnknownRole;
        part.role = static_cast<PartRole>(role);
        // 64-bit sum: offset + size cannot wrap.
        if (part.size == 0 || uint64_t{part.offset} + part.size > imageSize)
            return ModelSetError::PartOutOfRange;
        auto [it, inserted] = formatOf.emplace(part.modelId, part.imageFormat);
        if (!inserted && it->second != part.imageFormat) return ModelSetError::FormatDisagrees;
        hasUser = hasUser || part.role == PartRole::UserClassifier;
        layout.parts.push_back(part);
    }
    if (hasUser && setupLen > kSetupLimitUser) return ModelSetError::SetupTooLong;
    out = std::move(layout);
    return ModelSetError::None;
}

void BuildModelSet(const std::vector<PartSource>& sources, std::vector<uint8_t>& setup,
                   std::vector<uint8_t>& image, size_t setupSize)
{
    image.clear();
    std::vector<ModelPart> parts;
    for (const PartSource& s : sources) {
        ModelPart part = s.part;
        part.offset = static_cast<uint32_t>(image.size());
        part.size = static_cast<uint32_t>(s.bytes.size());
        image.insert(image.end(), s.bytes.begin(), s.bytes.end());
        parts.push_back(part);
    }
    setup.assign(kMagic, kMagic + 4);
    PutU16(setup, kVersion);
    PutU16(setup, static_cast<uint16_t>(parts.size()));
    PutU32(setup, static_cast<uint32_t>(image.size()));
    PutU32(setup, Crc32(image.data(), image.size()));
    for (const ModelPart& part : parts) {
        PutU32(setup, part.modelId);
        PutU32(setup, part.imageFormat);
        PutU16(setup, static_cast<uint16_t>(part.role));
        PutU16(setup, part.classId);
        PutU32(setup, part.offset);
        PutU32(setup, part.size);
    }
    PutU32(setup, Crc32(setup.data(), setup.size()));
    if (setup.size() < setupSize) setup.resize(setupSize, 0);
}

}  // namespace hostedl
