#include "fifo/Base64.h"

#include <gtest/gtest.h>

#include <QByteArray>

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

TEST(Base64, LinesOf76StandardCharactersForManySizes)
{
    std::string out;
    for (std::size_t size = 401; size-- > 0;) {  // each smaller than the last: `out` is replaced, not appended to
        std::string in(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            in[i] = static_cast<char>((i * 7919u + 13u) & 0xFF);  // every value, no pattern at 3
        Base64Encode(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
        std::size_t breaks = 0;
        for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2))
            ASSERT_EQ(at, 76 + 78 * breaks++) << size << " bytes";
        ASSERT_EQ(breaks, size / 57) << size << " bytes";
        std::string joined;
        for (const char c : out)
            if (c != '\r' && c != '\n')
                joined += c;
        ASSERT_EQ(joined, QByteArray::fromStdString(in).toBase64().toStdString()) << size << " bytes";
    }
}
