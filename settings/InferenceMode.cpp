#include "settings/InferenceMode.h"

std::optional<InferenceMode> ParseInferenceMode(const std::string& text)
{
    // Exact texts only: a file that says "fifo" was not written by this
    // program, and guessing could start the wrong back-end.
    if (text == "NX310")
        return InferenceMode::Nx310;
    if (text == "FIFO")
        return InferenceMode::Fifo;
    return std::nullopt;
}

const char* InferenceModeText(InferenceMode mode)
{
    return mode == InferenceMode::Fifo ? "FIFO" : "NX310";
}
