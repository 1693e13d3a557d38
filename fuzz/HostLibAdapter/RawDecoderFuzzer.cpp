// The user model's raw output: descriptors, shapes and data as retrieved.
#include "FuzzCheck.h"
#include "HostLibAdapter/AnswerParsers.h"
#include "HostLibAdapter/RawOutputDecoder.h"

#include <array>
#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* answer = reinterpret_cast<const char*>(data);
    DmeDecodeParams params;
    std::array<ClassScore, kClassifierResultCount> top;
    params.result = top.data();
    std::string problem;
    if (FillDecodeParams(answer, size, params, problem)) {
        Check(params.outputCount >= 1);
        std::size_t end = 0;
        for (int i = 0; i < params.outputCount; ++i) {
            const DmeOutput& o = params.outputs[static_cast<std::size_t>(i)];
            const auto* start = reinterpret_cast<const char*>(o.data);
            Check(start >= answer && static_cast<std::size_t>(start - answer) + o.dataSize <= size);
            end = static_cast<std::size_t>(start - answer) + o.dataSize;
        }
        Check(end <= size);
        if (DecodeClassifierOutput(params, problem)) {
            const std::uint32_t channels = params.outputs[0].channels;
            float previous = 2.0f;
            for (const ClassScore& s : top) {
                Check(std::isfinite(s.probability) && s.probability >= 0.0f && s.probability <= 1.0f + 1e-6f);
                Check(s.probability <= previous);
                Check(s.classIndex == -1 || (s.classIndex >= 0 && static_cast<std::uint32_t>(s.classIndex) < channels));
                previous = s.probability;
            }
        } else {
            for (const ClassScore& s : top)
                Check(s.classIndex == -1 && s.probability == 0.0f);
        }
    }
    std::vector<FdFrResult> out;
    std::string parseProblem;
    if (ParseUserDefined(answer, size, out, parseProblem))
        Check(out.size() == 1 && out[0].Width == 0);
    else
        Check(out.empty());
    return 0;
}
