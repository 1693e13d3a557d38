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
    Json::StyledStreamWriter writer;
    std::ostringstream stream;
    writer.write(stream, request);
    return stream.str();
}

std::string PngBase64(int width, int height)
{
    if (width == 0)
        return std::string();
    cv::Mat image(height, width, CV_8UC3);
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<unsigned char> png;
    cv::imencode(".png", image, png);
    return Base64Encode(png.data(), png.size());
}

}  // namespace

TEST(RequestWriter, TextIsByteForByteTheStyledWritersText)
{
    struct Case {
        const char* what;
        std::string appType;
        std::string base64;
    };
    const Case cases[] = {
        {"empty picture", "edge", PngBase64(0, 0)},
        {"small picture", "edge", PngBase64(4, 3)},
        {"one full line", "edge", Base64Encode(reinterpret_cast<const unsigned char*>(std::string(57, 'x').data()), 57)},
        {"large picture", "edge", PngBase64(853, 480)},
        {"app type to escape", "e\"d\\g\te/\x01\xc3\xa9", PngBase64(8, 8)},
        {"empty app type", "", PngBase64(2, 2)},
        // Not Base64Encode output: the slow path must still match.
        {"quotes and control characters", "edge", std::string("a\"b\\c\x02\td\xc3\xa9")},
        {"lone line feed", "edge", "AAAA\nBBBB\rCCCC"},
    };
    for (const Case& c : cases) {
        const RequestWriter writer(c.appType);
        EXPECT_EQ(writer.Text(c.base64), Styled(c.appType, c.base64)) << c.what;
    }
}

TEST(RequestWriter, MessageHeaderIsTheTextLengthLittleEndian)
{
    const RequestWriter writer("edge");
    for (const int width : {0, 1, 300}) {
        const std::string base64 = PngBase64(width, width);
        std::string message = "stale bytes of an earlier frame";
        writer.BuildMessage(base64, message);
        ASSERT_GE(message.size(), kLengthBytes);
        const std::string text = message.substr(kLengthBytes);
        EXPECT_EQ(text, Styled("edge", base64));
        EXPECT_EQ(GetLength(reinterpret_cast<const unsigned char*>(message.data())), text.size());
    }
}
