#include "fifo/RequestWriter.h"

#include "fifo/MessageFraming.h"

#include <json/value.h>
#include <json/writer.h>

#include <array>
#include <cstring>
#include <sstream>

namespace {

constexpr char kHead[] = "{\n\t\"app_type\" : ";
constexpr char kMiddle[] = ",\n\t\"image_base64_str\" : \"";
constexpr char kTail[] = "\"\n}\n";
constexpr std::size_t kHeadLength = sizeof kHead - 1;
constexpr std::size_t kMiddleLength = sizeof kMiddle - 1;
constexpr std::size_t kTailLength = sizeof kTail - 1;

enum CharClass : unsigned char { kOther = 0, kPlain = 1, kLineBreak = 2 };

// Base64Encode writes the alphabet, "=" and CR LF; CR and LF become \r and \n.
constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int c = 'A'; c <= 'Z'; ++c)
        classes[c] = kPlain;
    for (int c = 'a'; c <= 'z'; ++c)
        classes[c] = kPlain;
    for (int c = '0'; c <= '9'; ++c)
        classes[c] = kPlain;
    classes['+'] = kPlain;
    classes['/'] = kPlain;
    classes['='] = kPlain;
    classes['\r'] = kLineBreak;
    classes['\n'] = kLineBreak;
    return classes;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

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
    if (!AppendFast(base64, text))
        text = Styled(base64);
    return text;
}

void RequestWriter::BuildMessage(const std::string& base64, std::string& message) const
{
    message.assign(kLengthBytes, '\0');
    if (!AppendFast(base64, message))
        message += Styled(base64);
    PutLength(static_cast<std::uint32_t>(message.size() - kLengthBytes), reinterpret_cast<unsigned char*>(&message[0]));
}

std::string RequestWriter::Styled(const std::string& base64) const
{
    Json::Value request(Json::objectValue);
    request["app_type"] = appType;
    request["image_base64_str"] = base64;
    return WriteStyled(request);
}

bool RequestWriter::AppendFast(const std::string& base64, std::string& out) const
{
    std::size_t lineBreaks = 0;
    unsigned other = 0;
    for (const char c : base64) {
        const unsigned cls = kClasses[static_cast<unsigned char>(c)];
        other |= static_cast<unsigned>(cls == kOther);
        lineBreaks += static_cast<std::size_t>(cls == kLineBreak);
    }
    if (other != 0)
        return false;

    const std::size_t start = out.size();
    out.resize(start + kHeadLength + quotedAppType.size() + kMiddleLength + base64.size() + lineBreaks + kTailLength);
    char* put = &out[start];
    std::memcpy(put, kHead, kHeadLength);
    put += kHeadLength;
    std::memcpy(put, quotedAppType.data(), quotedAppType.size());
    put += quotedAppType.size();
    std::memcpy(put, kMiddle, kMiddleLength);
    put += kMiddleLength;

    const char* src = base64.c_str();  // NUL-terminated; the check above rules out inner NULs
    const char* const end = src + base64.size();
    while (src < end) {
        const std::size_t run = std::strcspn(src, "\r\n");
        std::memcpy(put, src, run);
        put += run;
        src += run;
        while (src < end && kClasses[static_cast<unsigned char>(*src)] == kLineBreak) {
            put[0] = '\\';
            put[1] = *src == '\r' ? 'r' : 'n';
            put += 2;
            ++src;
        }
    }
    std::memcpy(put, kTail, kTailLength);
    return true;
}
