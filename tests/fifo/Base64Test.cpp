#include "fifo/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Encode(const std::string& text)
{
    return Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace

TEST(Base64, KnownTextsAndEveryResidue)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0\0\0", 3), "AAAA"},
        {"\xff\xff\xff", "////"},
        {"\xfb\xef", "++8="},
        // 19 full groups make a line; CR LF follows it even at the very end.
        {std::string(57, '\0'), std::string(76, 'A') + "\r\n"},
        {std::string(58, '\0'), std::string(76, 'A') + "\r\nAA=="},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encode(c.in), c.out) << "input of " << c.in.size() << " bytes";
}
