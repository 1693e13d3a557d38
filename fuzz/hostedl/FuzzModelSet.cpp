// Model set container: a 2-byte setup length, then setup and model image.
#include "hostedl/ModelSetFormat.h"
#include "hostedl/UserClassifierFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const size_t setupLen = (data[0] | (data[1] << 8)) % (hostedl::kSetupLimitBuiltin + 2);
    data += 2;
    size -= 2;
    if (setupLen > size) return 0;
    hostedl::ModelSetLayout layout;
    if (hostedl::ParseModelSet(data, setupLen, data + setupLen, size - setupLen, layout) != hostedl::ModelSetError::None)
        return 0;
    for (const hostedl::ModelPart& part : layout.parts) {
        if (part.role != hostedl::PartRole::UserClassifier) continue;
        hostedl::UserClassifier classifier;
        hostedl::ParseUserClassifier(data + setupLen + part.offset, part.size, classifier);
    }
    return 0;
}
