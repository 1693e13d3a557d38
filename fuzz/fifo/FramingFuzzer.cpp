// Any byte stream on the response pipe, delivered in pieces of fuzzed sizes:
// framed messages are read one after another until the stream ends.

#include "FuzzCheck.h"
#include "fifo/MessageFraming.h"

#include <algorithm>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte sets how the pipe splits the stream (1 to 256 bytes a read).
    const std::size_t piece = std::size_t{data[0]} + 1;
    const unsigned char* stream = data + 1;
    const std::size_t length = size - 1;
    std::size_t at = 0;
    const ReadExactly read = [&](void* buffer, std::size_t want) {
        std::size_t moved = 0;
        while (moved < want && at < length) {
            const std::size_t n = std::min({want - moved, length - at, piece});
            std::memcpy(static_cast<unsigned char*>(buffer) + moved, stream + at, n);
            moved += n;
            at += n;
        }
        return moved;
    };

    // A small limit, so that both sides of it are reached with small inputs.
    const std::uint32_t limit = 1u << 12;
    std::string body;
    for (;;) {
        const std::size_t before = at;
        const FrameRead frame = ReadFrame(read, body, limit);
        switch (frame.status) {
        case FrameStatus::Ok:
            Check(body.size() == frame.announced && at == before + kLengthBytes + frame.announced);
            continue;
        case FrameStatus::TooLarge:
            Check(frame.announced > limit && body.empty() && at == before + kLengthBytes);
            return 0;
        case FrameStatus::ShortHeader:
            Check(at == length && length - before < kLengthBytes);
            return 0;
        case FrameStatus::ShortBody:
            Check(at == length && body.size() < frame.announced);
            return 0;
        }
    }
}
