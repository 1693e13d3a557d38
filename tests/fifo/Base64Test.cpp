#include "fifo/Base64.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(std::size_t size)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7919u + 13u) & 0xFF);  // every value, no pattern at 3
    return bytes;
}

std::string Encode(const std::string& text)
{
    return Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

}  // namespace

TEST(Base64, KnownTextsAndEveryResidue)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases)
        EXPECT_EQ(Encode(c.in), c.out) << "input of " << c.in.size() << " bytes";
}

TEST(Base64, LineBreakAfterEvery76CharactersOfFullGroups)
{
    struct Case {
        std::size_t size;
        std::vector<std::size_t> breaksAt;  // offsets of the CR of each CR LF
        std::size_t length;
    };
    const Case cases[] = {
        {56, {}, 76},                  // 18 groups and a pair: no break yet
        {57, {76}, 78},                // exactly 19 groups: CR LF at the very end
        {58, {76}, 82},                // CR LF, then "xx=="
        {59, {76}, 82},                // CR LF, then "xxx="
        {60, {76}, 82},
        {113, {76}, 154},
        {114, {76, 154}, 156},         // two full lines, ends in CR LF
        {115, {76, 154}, 160},
        {1000, {}, 0},                 // checked by the rule below only
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> in = Bytes(c.size);
        const std::string out = Base64Encode(in.data(), in.size());
        if (c.length != 0) {
            EXPECT_EQ(out.size(), c.length) << c.size << " bytes";
            std::vector<std::size_t> breaks;
            for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2))
                breaks.push_back(at);
            EXPECT_EQ(breaks, c.breaksAt) << c.size << " bytes";
        }
        // Each line holds 76 characters, the last at most 76 plus a padded group.
        std::size_t lineStart = 0;
        for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2)) {
            EXPECT_EQ(at - lineStart, 76u) << c.size << " bytes";
            lineStart = at + 2;
        }
    }
}

TEST(Base64, WithoutLineBreaksEqualsTheStandardEncodingForManySizes)
{
    for (std::size_t size = 0; size <= 400; ++size) {
        const std::vector<unsigned char> in = Bytes(size);
        std::string out = Base64Encode(in.data(), in.size());
        std::string joined;
        for (const char c : out)
            if (c != '\r' && c != '\n')
                joined += c;
        const QByteArray reference =
            QByteArray(reinterpret_cast<const char*>(in.data()), static_cast<int>(in.size())).toBase64();
        ASSERT_EQ(joined, reference.toStdString()) << size << " bytes";
    }
}

TEST(Base64, ReusedBufferIsReplaced)
{
    std::string out = "left over from a larger picture, much longer than the next one";
    const unsigned char two[] = {'f', 'o'};
    Base64Encode(two, 2, out);
    EXPECT_EQ(out, "Zm8=");
    Base64Encode(nullptr, 0, out);
    EXPECT_EQ(out, "");
}
