#include "fifo/RequestWriter.h"

#include "fifo/MessageFraming.h"

#include <json/value.h>
#include <json/writer.h>

#include <cstring>
#include <sstream>

namespace {

constexpr char kHead[] = "{\n\t\"app_type\" : ";
constexpr char kMiddle[] = ",\n\t\"image_base64_str\" : \"";
constexpr char kTail[] = "\"\n}\n";
constexpr std::size_t kHeadLength = sizeof kHead - 1;
constexpr std::size_t kMiddleLength = sizeof kMiddle - 1;
constexpr std::size_t kTailLength = sizeof kTail - 1;

// What the fast path must know about a text: whether it holds characters the
// styled writer escapes other than CR and LF (quote, backslash, control
// characters, DEL and above), and how many CRs and LFs it holds.
struct Scan {
    bool other = false;
    std::size_t crs = 0;
    std::size_t lfs = 0;
};

inline void ScanByte(unsigned char c, unsigned char& other, unsigned char& crs, unsigned char& lfs)
{
    const unsigned char cr = c == '\r';
    const unsigned char lf = c == '\n';
    other |= static_cast<unsigned char>(((c < 0x20) & !cr & !lf) | (c >= 0x7F) | (c == '"') | (c == '\\'));
    crs = static_cast<unsigned char>(crs + cr);
    lfs = static_cast<unsigned char>(lfs + lf);
}

Scan ScanText(const std::string& text)
{
    // Fixed-size blocks with byte counters let the compiler vectorise the
    // inner loop even at -O2; a byte at a time this scan cost more than the
    // styled writer's whole text.
    constexpr std::size_t kBlock = 64;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    Scan scan;
    unsigned char other = 0;
    std::size_t i = 0;
    for (; i + kBlock <= size; i += kBlock) {
        unsigned char crs = 0;
        unsigned char lfs = 0;
        for (std::size_t j = 0; j < kBlock; ++j)
            ScanByte(bytes[i + j], other, crs, lfs);
        scan.crs += crs;
        scan.lfs += lfs;
    }
    unsigned char crs = 0;
    unsigned char lfs = 0;
    for (; i < size; ++i)
        ScanByte(bytes[i], other, crs, lfs);
    scan.crs += crs;
    scan.lfs += lfs;
    scan.other = other != 0;
    return scan;
}

// Base64Encode's layout: lines of 76 characters, each followed by CR LF,
// then at most 76 more characters.
constexpr std::size_t kLineChars = 76;
constexpr std::size_t kLineStride = kLineChars + 2;

// Non-zero for a character that the styled writer escapes: one unsigned
// range and two compares, without branches, so that loops over it vectorise.
inline unsigned char Escaped(unsigned char c)
{
    return static_cast<unsigned char>((static_cast<unsigned char>(c - 0x20) >= 0x5F) | (c == '"') | (c == '\\'));
}

// Non-zero when `line` holds a character that the styled writer escapes; a
// fixed count and no early exit let the compiler vectorise the loop.
template <std::size_t N>
unsigned char NotPlain(const unsigned char* line)
{
    unsigned char bad = 0;
    for (std::size_t i = 0; i < N; ++i)
        bad |= Escaped(line[i]);
    return bad;
}

std::string WriteStyled(const Json::Value& value)
{
    Json::StyledStreamWriter writer;
    std::ostringstream stream;
    writer.write(stream, value);
    return stream.str();
}

}  // namespace

RequestWriter::RequestWriter(const std::string& appType) : appType(appType)
{
    // Through the library, so that control and non-ASCII characters come out
    // exactly as the styled writer escapes them; it runs once.
    quotedAppType = WriteStyled(Json::Value(appType));
    while (!quotedAppType.empty() && quotedAppType.back() == '\n')
        quotedAppType.pop_back();
}

std::string RequestWriter::Text(const std::string& base64) const
{
    std::string text;
    if (!PutFast(base64, text, 0))
        text = Styled(base64);
    return text;
}

void RequestWriter::BuildMessage(const std::string& base64, std::string& message) const
{
    // Written over the old message in place: shrinking the buffer first and
    // growing it again would zero-fill the whole picture's worth of bytes,
    // which costs as much as the copy itself.
    if (!PutFast(base64, message, kLengthBytes)) {
        message.resize(kLengthBytes);
        message += Styled(base64);
    }
    PutLength(static_cast<std::uint32_t>(message.size() - kLengthBytes), reinterpret_cast<unsigned char*>(&message[0]));
}

std::string RequestWriter::Styled(const std::string& base64) const
{
    Json::Value request(Json::objectValue);
    request["app_type"] = appType;
    request["image_base64_str"] = base64;
    return WriteStyled(request);
}

bool RequestWriter::PutFast(const std::string& base64, std::string& out, std::size_t start) const
{
    return PutLaidOut(base64, out, start) || PutScanned(base64, out, start);
}

char* RequestWriter::PutHead(std::string& out, std::size_t start, std::size_t bodySize) const
{
    out.resize(start + kHeadLength + quotedAppType.size() + kMiddleLength + bodySize + kTailLength);
    char* put = &out[start];
    std::memcpy(put, kHead, kHeadLength);
    put += kHeadLength;
    std::memcpy(put, quotedAppType.data(), quotedAppType.size());
    put += quotedAppType.size();
    std::memcpy(put, kMiddle, kMiddleLength);
    return put + kMiddleLength;
}

bool RequestWriter::PutLaidOut(const std::string& base64, std::string& out, std::size_t start) const
{
    // One pass, line by line, for text laid out exactly as Base64Encode
    // writes it; anything else is left to PutScanned.
    const std::size_t lines = base64.size() / kLineStride;
    const std::size_t rest = base64.size() - lines * kLineStride;
    if (rest > kLineChars)
        return false;
    char* put = PutHead(out, start, lines * (kLineChars + 4) + rest);
    const auto* src = reinterpret_cast<const unsigned char*>(base64.data());
    // Copied before it is judged, and judged once at the end, so that no
    // line waits on a branch; text not laid out so is rare.
    unsigned char bad = 0;
    for (std::size_t line = 0; line < lines; ++line, src += kLineStride) {
        // 64 + 12: whole 16-byte vectors for the bulk of the line.
        bad |= static_cast<unsigned char>(NotPlain<64>(src) | NotPlain<kLineChars - 64>(src + 64) |
                                          (src[kLineChars] != '\r') | (src[kLineChars + 1] != '\n'));
        std::memcpy(put, src, kLineChars);
        std::memcpy(put + kLineChars, "\\r\\n", 4);
        put += kLineChars + 4;
    }
    if (bad != 0) {
        out.resize(start);
        return false;
    }
    for (std::size_t i = 0; i < rest; ++i) {
        if (Escaped(src[i]) != 0) {
            out.resize(start);
            return false;
        }
    }
    std::memcpy(put, src, rest);
    std::memcpy(put + rest, kTail, kTailLength);
    return true;
}

bool RequestWriter::PutScanned(const std::string& base64, std::string& out, std::size_t start) const
{
    // Any other line breaks: CR LF pairs only.
    const Scan scan = ScanText(base64);
    if (scan.other || scan.crs != scan.lfs)
        return false;
    char* put = PutHead(out, start, base64.size() + scan.crs + scan.lfs);

    // Every CR must be followed by an LF; as there are as many LFs as CRs,
    // no LF is then left alone inside a run that is copied raw.
    const char* src = base64.data();
    const char* const end = src + base64.size();
    while (src < end) {
        const void* found = std::memchr(src, '\r', static_cast<std::size_t>(end - src));
        const char* stop = found != nullptr ? static_cast<const char*>(found) : end;
        const auto run = static_cast<std::size_t>(stop - src);
        std::memcpy(put, src, run);
        put += run;
        src = stop;
        if (src == end)
            break;
        if (src + 1 == end || src[1] != '\n') {
            out.resize(start);
            return false;
        }
        std::memcpy(put, "\\r\\n", 4);
        put += 4;
        src += 2;
    }
    std::memcpy(put, kTail, kTailLength);
    return true;
}
