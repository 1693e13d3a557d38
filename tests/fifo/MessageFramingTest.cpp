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

// Serves `data`; a call asking beyond the end gets what is left (a short
// read, as at end of file).
struct Source {
    std::string data;
    std::size_t at = 0;
    std::size_t biggestAsk = 0;

    ReadExactly Reader()
    {
        return [this](void* buffer, std::size_t size) {
            biggestAsk = std::max(biggestAsk, size);
            const std::size_t n = std::min(size, data.size() - at);
            std::memcpy(buffer, data.data() + at, n);
            at += n;
            return n;
        };
    }
};

}  // namespace

TEST(MessageFraming, ReadsOneMessageWhateverPiecesItArrivesIn)
{
    const std::string big(3u << 20, 'q');  // larger than the first buffer chunk
    const auto bigLength = static_cast<std::uint32_t>(big.size());
    struct Case {
        const char* what;
        std::string data;
        FrameStatus status;
        std::uint32_t announced;
        std::string body;
    };
    const Case cases[] = {
        {"whole, the length little-endian", std::string("\5\0\0\0hello", 9), FrameStatus::Ok, 5, "hello"},
        {"empty body", Header(0), FrameStatus::Ok, 0, ""},
        {"a second message stays unread", Header(2) + "hi" + Header(3) + "two", FrameStatus::Ok, 2, "hi"},
        {"large body, read in growing chunks", Header(bigLength) + big, FrameStatus::Ok, bigLength, big},
        {"nothing at all", "", FrameStatus::ShortHeader, 0, ""},
        {"closed inside the header", std::string("\5\0", 2), FrameStatus::ShortHeader, 0, ""},
        {"closed after the header", Header(5), FrameStatus::ShortBody, 5, ""},
        {"short body", Header(5) + "hel", FrameStatus::ShortBody, 5, "hel"},
        {"over the limit", Header(kMaxAnswerBytes + 1) + "x", FrameStatus::TooLarge, kMaxAnswerBytes + 1, ""},
        {"almost 4 GiB", "\xf0\xff\xff\xff", FrameStatus::TooLarge, 0xFFFFFFF0u, ""},
    };
    for (const Case& c : cases) {
        Source source{c.data};
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
