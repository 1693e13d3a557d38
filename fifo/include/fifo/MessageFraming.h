#pragma once
// The framing on both pipes: a 4-byte little-endian body length, then the body.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

constexpr std::size_t kLengthBytes = 4;

// The largest answer taken from a detector. A longer announcement is refused
// before anything is allocated for it: no real result document comes near.
constexpr std::uint32_t kMaxAnswerBytes = 64u << 20;

void PutLength(std::uint32_t length, unsigned char* out);
std::uint32_t GetLength(const unsigned char* in);

enum class FrameStatus {
    Ok,
    ShortHeader,  // the source ended (or failed) inside the 4 length bytes
    TooLarge,     // the announced length is over the limit; the body was not read
    ShortBody,    // the source ended (or failed) before the announced length
};

struct FrameRead {
    FrameStatus status = FrameStatus::Ok;
    std::uint32_t announced = 0;  // the length from the header, when it was read
};

// Moves up to `size` bytes into `buffer` and returns how many; fewer than
// `size` means the source has ended or failed.
using ReadExactly = std::function<std::size_t(void* buffer, std::size_t size)>;

// Reads one framed message into `body` (replaced). The body buffer grows with
// the bytes that actually arrive, so a false length costs little before the
// source runs dry.
FrameRead ReadFrame(const ReadExactly& read, std::string& body, std::uint32_t limit = kMaxAnswerBytes);
