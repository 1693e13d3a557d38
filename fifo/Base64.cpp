#include "fifo/Base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kGroupsPerLine = 19;  // 76 characters

}  // namespace

std::string Base64Encode(const unsigned char* data, std::size_t size)
{
    std::string out;
    Base64Encode(data, size, out);
    return out;
}

void Base64Encode(const unsigned char* data, std::size_t size, std::string& out)
{
    const std::size_t groups = size / 3;
    const std::size_t rest = size % 3;
    const std::size_t lineBreaks = groups / kGroupsPerLine;
    out.resize(groups * 4 + lineBreaks * 2 + (rest != 0 ? 4 : 0));
    if (out.empty())
        return;

    char* put = &out[0];
    const unsigned char* in = data;
    std::size_t inLine = 0;
    for (std::size_t g = 0; g < groups; ++g, in += 3) {
        const unsigned bits = (unsigned{in[0]} << 16) | (unsigned{in[1]} << 8) | unsigned{in[2]};
        put[0] = kAlphabet[(bits >> 18) & 63];
        put[1] = kAlphabet[(bits >> 12) & 63];
        put[2] = kAlphabet[(bits >> 6) & 63];
        put[3] = kAlphabet[bits & 63];
        put += 4;
        if (++inLine == kGroupsPerLine) {
            put[0] = '\r';
            put[1] = '\n';
            put += 2;
            inLine = 0;
        }
    }
    if (rest != 0) {
        const unsigned bits = (unsigned{in[0]} << 16) | (rest == 2 ? unsigned{in[1]} << 8 : 0u);
        put[0] = kAlphabet[(bits >> 18) & 63];
        put[1] = kAlphabet[(bits >> 12) & 63];
        put[2] = rest == 2 ? kAlphabet[(bits >> 6) & 63] : '=';
        put[3] = '=';
    }
}
