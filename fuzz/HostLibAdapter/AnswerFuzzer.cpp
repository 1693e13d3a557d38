// The dongle's box list and age/gender answers. The first byte picks the
// parser and the image size; the rest is the answer as retrieved.
#include "FuzzCheck.h"
#include "HostLibAdapter/AnswerParsers.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    const char* answer = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;
    const SentImageSize image = (selector & 0x10) != 0 ? SentImageSize{1280, 720} : SentImageSize{64, 48};
    std::vector<FdFrResult> out;
    std::string problem;
    bool ok = false;
    switch (selector % 3) {
    case 0:
        ok = ParseBoxList(answer, length, BoxListKind::Faces, image, out, problem);
        break;
    case 1:
        ok = ParseBoxList(answer, length, BoxListKind::Objects, image, out, problem);
        break;
    default: {
        AgeGenderOutcome outcome;
        ok = ParseAgeGender(answer, length, image, out, outcome, problem);
        Check(out.size() == (outcome == AgeGenderOutcome::Record ? 1u : 0u));
        break;
    }
    }
    Check(ok == problem.empty());
    Check(out.size() <= kMaxAnswerBoxes);
    for (const FdFrResult& r : out) {
        Check(r.X >= 0 && r.Y >= 0 && r.Width >= 0 && r.Height >= 0);
        Check(r.X + r.Width <= image.width && r.Y + r.Height <= image.height);
        if (selector % 3 == 0)
            Check(r.ClassId == 1 || r.ClassId == -1);
    }
    return 0;
}
