#include "fifo/MessageFraming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string Header(std::uint32_t length)
{
    unsigned char bytes[kLengthBytes];
    PutLength(length, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), kLengthBytes);
}

// Serves `data`, at most `piece` bytes a call; a call asking beyond the end
// gets what is left (a short read, as at end of file).
struct Source {
    std::string data;
    std::size_t piece = SIZE_MAX;
    std::size_t at = 0;
    std::size_t biggestAsk = 0;

    ReadExactly Reader()
    {
        return [this](void* buffer, std::size_t size) {
            biggestAsk = std::max(biggestAsk, size);
            std::size_t moved = 0;
            while (moved < size && at < data.size()) {
                const std::size_t n = std::min({size - moved, data.size() - at, piece});
                std::memcpy(static_cast<char*>(buffer) + moved, data.data() + at, n);
                moved += n;
                at += n;
            }
            return moved;
        };
    }
};

}  // namespace

TEST(MessageFraming, LengthIsLittleEndian)
{
    const struct {
        std::uint32_t value;
        std::string bytes;
    } cases[] = {
        {0, std::string("\0\0\0\0", 4)},
        {1, std::string("\1\0\0\0", 4)},
        {0x01020304, "\4\3\2\1"},
        {0xFFFFFFFF, "\xff\xff\xff\xff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Header(c.value), c.bytes);
        EXPECT_EQ(GetLength(reinterpret_cast<const unsigned char*>(c.bytes.data())), c.value);
    }
}

TEST(MessageFraming, ReadsOneMessageWhateverPiecesItArrivesIn)
{
    const std::string big(3u << 20, 'q');  // larger than the first buffer chunk
    struct Case {
        const char* what;
        std::string data;
        std::size_t piece;
        FrameStatus status;
        std::uint32_t announced;
        std::string body;
    };
    const Case cases[] = {
        {"whole", Header(5) + "hello", SIZE_MAX, FrameStatus::Ok, 5, "hello"},
        {"byte by byte", Header(5) + "hello", 1, FrameStatus::Ok, 5, "hello"},
        {"empty body", Header(0), SIZE_MAX, FrameStatus::Ok, 0, ""},
        {"a second message stays unread", Header(2) + "hi" + Header(3) + "two", SIZE_MAX, FrameStatus::Ok, 2, "hi"},
        {"large body in pieces", Header(static_cast<std::uint32_t>(big.size())) + big, 65536, FrameStatus::Ok,
         static_cast<std::uint32_t>(big.size()), big},
        {"nothing at all", "", SIZE_MAX, FrameStatus::ShortHeader, 0, ""},
        {"closed inside the header", "\5\0", SIZE_MAX, FrameStatus::ShortHeader, 0, ""},
        {"closed after the header", Header(5), SIZE_MAX, FrameStatus::ShortBody, 5, ""},
        {"short body", Header(5) + "hel", 2, FrameStatus::ShortBody, 5, "hel"},
        {"over the limit", Header(kMaxAnswerBytes + 1) + "x", SIZE_MAX, FrameStatus::TooLarge, kMaxAnswerBytes + 1, ""},
        {"almost 4 GiB", Header(0xFFFFFFF0u), SIZE_MAX, FrameStatus::TooLarge, 0xFFFFFFF0u, ""},
    };
    for (const Case& c : cases) {
        Source source{c.data, c.piece};
        std::string body = "stale";
        const FrameRead read = ReadFrame(source.Reader(), body);
        EXPECT_EQ(read.status, c.status) << c.what;
        EXPECT_EQ(read.announced, c.announced) << c.what;
        EXPECT_EQ(body, c.body) << c.what;
    }
}

TEST(MessageFraming, FalseLengthIsNotAllocatedUpFront)
{
    // 60 MiB announced, 10 bytes sent: the reader never asks for the whole
    // length at once, so the buffer stays near what arrived.
    Source source{Header(60u << 20) + "0123456789"};
    std::string body;
    EXPECT_EQ(ReadFrame(source.Reader(), body).status, FrameStatus::ShortBody);
    EXPECT_EQ(body, "0123456789");
    EXPECT_LE(source.biggestAsk, 1u << 20);
}
