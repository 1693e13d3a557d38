#include "fifo/Base64.h"
#include "fifo/MessageFraming.h"
#include "fifo/RequestWriter.h"

#include <gtest/gtest.h>

#include <json/value.h>
#include <json/writer.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <sstream>

namespace {

std::string Styled(const std::string& appType, const std::string& base64)
{
    Json::Value request;
    request["app_type"] = appType;
    request["image_base64_str"] = base64;
    std::ostringstream stream;
    Json::StyledStreamWriter().write(stream, request);
    return stream.str();
}

std::string PngBase64(int width, int height)
{
    cv::Mat image(height, width, CV_8UC3);
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<unsigned char> png;
    cv::imencode(".png", image, png);
    return Base64Encode(png.data(), png.size());
}

}  // namespace

TEST(RequestWriter, MessageIsItsLengthAndByteForByteTheStyledWritersText)
{
    struct Case {
        const char* what;
        std::string appType;
        std::string base64;
    };
    const Case cases[] = {
        {"empty picture", "edge", ""},
        {"small picture", "edge", PngBase64(4, 3)},
        {"one full line", "edge", Base64Encode(reinterpret_cast<const unsigned char*>(std::string(57, 'x').data()), 57)},
        {"large picture", "edge", PngBase64(853, 480)},
        {"app type to escape", "e\"d\\g\te/\x01\xc3\xa9", PngBase64(8, 8)},
        {"empty app type", "", PngBase64(2, 2)},
        // Not Base64Encode output: the slow path must still match.
        {"quotes and control characters", "edge", std::string("a\"b\\c\x02\td\xc3\xa9")},
        {"lone line feed", "edge", "AAAA\nBBBB\rCCCC"},
        // Laid out as Base64Encode's lines, with one character to escape.
        {"a backslash inside a line", "edge", std::string(40, 'A') + "\\" + std::string(35, 'A') + "\r\nCC"},
        {"a quote at a line's end", "edge", std::string(75, 'B') + "\"\r\nCC"},
    };
    std::string message = "stale bytes of an earlier frame";
    for (const Case& c : cases) {
        const RequestWriter writer(c.appType);
        const std::string styled = Styled(c.appType, c.base64);
        EXPECT_EQ(writer.Text(c.base64), styled) << c.what;
        writer.BuildMessage(c.base64, message);
        ASSERT_GE(message.size(), kLengthBytes) << c.what;
        EXPECT_EQ(GetLength(reinterpret_cast<const unsigned char*>(message.data())), styled.size()) << c.what;
        EXPECT_EQ(message.substr(kLengthBytes), styled) << c.what;
    }
}
