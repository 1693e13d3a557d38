#pragma once
// The request that carries one frame to the detector.
//
// Its text is exactly what jsoncpp's Json::StyledStreamWriter writes for
// {"app_type": appType, "image_base64_str": base64}: tab indentation, one
// member per line, " : ", keys in ascending order and a line feed after the
// closing brace. Detectors in the field were written against that text, so it
// is kept byte for byte; it is built directly because the styled writer
// escapes a large picture one character at a time.

#include <cstddef>
#include <string>

// Thread-safety: immutable after construction; any thread may use it.
class RequestWriter {
public:
    explicit RequestWriter(const std::string& appType = std::string());

    // The request text for a picture in `base64`. Base64Encode output takes
    // the fast path; any other text is still written correctly, only slower.
    std::string Text(const std::string& base64) const;

    // The whole message for the pipe into `message` (its storage is reused):
    // the text's byte length as 4 bytes little-endian, then the text.
    void BuildMessage(const std::string& base64, std::string& message) const;

private:
    // The text at `start` of `out`, which then ends with it (false, and `out`
    // cut back to `start` bytes, when the fast paths do not apply).
    bool PutFast(const std::string& base64, std::string& out, std::size_t start) const;
    bool PutLaidOut(const std::string& base64, std::string& out, std::size_t start) const;
    bool PutScanned(const std::string& base64, std::string& out, std::size_t start) const;
    char* PutHead(std::string& out, std::size_t start, std::size_t bodySize) const;
    std::string Styled(const std::string& base64) const;

    std::string appType;
    std::string quotedAppType;  // as the styled writer quotes it
};
