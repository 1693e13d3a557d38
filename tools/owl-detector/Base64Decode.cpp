#include "Base64Decode.h"

#include <array>

namespace {

constexpr unsigned char kSkip = 64;
constexpr unsigned char kEnd = 65;
constexpr unsigned char kBad = 66;

constexpr std::array<unsigned char, 256> MakeTable()
{
    std::array<unsigned char, 256> table{};
    for (auto& entry : table)
        entry = kBad;
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = i;
    table['\r'] = table['\n'] = table[' '] = table['\t'] = kSkip;
    table['='] = kEnd;
    return table;
}
constexpr std::array<unsigned char, 256> kTable = MakeTable();

}  // namespace

bool Base64Decode(std::string_view text, std::vector<unsigned char>& out)
{
    out.clear();
    out.reserve(text.size() / 4 * 3);
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        const unsigned char value = kTable[static_cast<unsigned char>(c)];
        if (value == kSkip)
            continue;
        if (value == kEnd)
            break;
        if (value == kBad)
            return false;
        bits = (bits << 6) | value;
        if (++count == 4) {
            out.push_back(static_cast<unsigned char>(bits >> 16));
            out.push_back(static_cast<unsigned char>(bits >> 8));
            out.push_back(static_cast<unsigned char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out.push_back(static_cast<unsigned char>(bits >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<unsigned char>(bits >> 10));
        out.push_back(static_cast<unsigned char>(bits >> 2));
    } else if (count == 1) {
        return false;
    }
    return true;
}
