#include "fifo/MessageFraming.h"

#include <algorithm>

namespace {

// Announced lengths up to this are allocated at once; above, the buffer
// doubles as the data comes in.
constexpr std::size_t kFirstChunk = 1u << 20;

}  // namespace

void PutLength(std::uint32_t length, unsigned char* out)
{
    out[0] = static_cast<unsigned char>(length & 0xFF);
    out[1] = static_cast<unsigned char>((length >> 8) & 0xFF);
    out[2] = static_cast<unsigned char>((length >> 16) & 0xFF);
    out[3] = static_cast<unsigned char>((length >> 24) & 0xFF);
}

std::uint32_t GetLength(const unsigned char* in)
{
    return std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
           (std::uint32_t{in[3]} << 24);
}

FrameRead ReadFrame(const ReadExactly& read, std::string& body, std::uint32_t limit)
{
    FrameRead result;
    body.clear();
    unsigned char header[kLengthBytes];
    if (read(header, kLengthBytes) != kLengthBytes) {
        result.status = FrameStatus::ShortHeader;
        return result;
    }
    result.announced = GetLength(header);
    if (result.announced > limit) {
        result.status = FrameStatus::TooLarge;
        return result;
    }

    const std::size_t total = result.announced;
    std::size_t have = 0;
    while (have < total) {
        const std::size_t next = std::min(total, std::max(kFirstChunk, have * 2));
        body.resize(next);
        const std::size_t want = next - have;
        const std::size_t got = read(&body[have], want);
        have += got;
        if (got != want) {
            body.resize(have);
            result.status = FrameStatus::ShortBody;
            return result;
        }
    }
    return result;
}
