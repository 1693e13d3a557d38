#pragma once
// The inference back-end, as the "InferenceMode" setting and --mode name it.

#include <optional>
#include <string>

enum class InferenceMode {
    Nx310,  // "NX310": the USB dongle
    Fifo,   // "FIFO": an external detector over two pipes
};

// The accepted texts, for messages: "FIFO" and "NX310", exactly so written.
inline constexpr const char* kInferenceModeTexts = "FIFO or NX310";

// "FIFO" or "NX310" (upper case, nothing around them); anything else is none.
std::optional<InferenceMode> ParseInferenceMode(const std::string& text);

const char* InferenceModeText(InferenceMode mode);
