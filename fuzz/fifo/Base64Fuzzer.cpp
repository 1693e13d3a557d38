// Base64 of any bytes, decoded again by the reference detector's decoder,
// which was written apart from the encoder: the bytes must come back, and
// the text must keep the line layout detectors expect. Then the decoder on
// the raw input, which is what a detector gets from a broken request.
#include "FuzzCheck.h"
#include "Base64Decode.h"
#include "fifo/Base64.h"

#include <string>
#include <vector>

namespace {

// CR LF only after each run of 76 characters, never elsewhere.
bool HasTheLineLayout(const std::string& text)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (run != 76 || i + 1 >= text.size() || text[i + 1] != '\n')
                return false;
            run = 0;
            ++i;
        } else if (++run > 76) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const std::string text = Base64Encode(data, size);
    Check(HasTheLineLayout(text));
    std::vector<unsigned char> decoded;
    Check(Base64Decode(text, decoded));
    Check(decoded == std::vector<unsigned char>(data, data + size));

    std::string reused = "left over from an earlier frame";
    Base64Encode(data, size, reused);
    Check(reused == text);

    Base64Decode(std::string(reinterpret_cast<const char*>(data), size), decoded);
    return 0;
}
