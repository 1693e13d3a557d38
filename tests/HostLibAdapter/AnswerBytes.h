#pragma once
// Builds dongle answers byte by byte for the parser and decoder tests.

#include <cstdint>
#include <cstring>
#include <vector>

class AnswerBytes {
public:
    AnswerBytes& U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    AnswerBytes& F32(float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return U32(bits);
    }
    AnswerBytes& Bytes(std::size_t n, char value)
    {
        bytes.insert(bytes.end(), n, value);
        return *this;
    }
    AnswerBytes& Zeros(std::size_t n) { return Bytes(n, '\0'); }
    // A box of a box list answer.
    AnswerBytes& Box(float x1, float y1, float x2, float y2, float score, std::int32_t cls)
    {
        return F32(x1).F32(y1).F32(x2).F32(y2).F32(score).U32(static_cast<std::uint32_t>(cls));
    }
    // The head of a raw output answer: count byte and three unread bytes.
    AnswerBytes& RawCount(std::int8_t count) { return Bytes(1, static_cast<char>(count)).Zeros(3); }
    AnswerBytes& Descriptor(std::uint32_t rows, std::uint32_t channels, std::uint32_t width, std::uint32_t radix,
                            float scale)
    {
        return U32(rows).U32(channels).U32(width).U32(radix).F32(scale);
    }
    // One row of `values`, one per channel, each run padded to `stride` with
    // 127: a decoder reading the padding would see it win.
    AnswerBytes& Channels(const std::vector<std::int8_t>& values, std::size_t stride)
    {
        for (std::int8_t v : values)
            Bytes(1, static_cast<char>(v)).Bytes(stride - 1, 127);
        return *this;
    }

    const char* data() const { return bytes.data(); }
    std::size_t size() const { return bytes.size(); }

    std::vector<char> bytes;
};
