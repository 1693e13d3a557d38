#include "AnswerDocument.h"

#include "fifo/Base64.h"

#include <json/writer.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>

namespace {

const char* const kFaceStyle =
    "background-color:rgba(20,90,60,70%); border-radius: 12px; color: rgb(240, 255, 240);";
const char* const kFrameStyle = "background-color:rgba(34,110,158,70%); border-radius: 15px; color: rgb(255, 255, 204);";
constexpr int kThumbnailWidth = 240;
constexpr double kOverlayOpacity = 0.6;

Json::Value Row(int order, const std::string& title, const std::string& value, int fontSize, bool showTitle)
{
    Json::Value row(Json::objectValue);
    row["order"] = order;
    row["title"] = title;
    row["value"] = value;
    row["font_size"] = fontSize;
    row["alignment"] = 132;  // centred both ways
    row["show_on_panel"] = true;
    row["show_title"] = showTitle;
    return row;
}

Json::Value Point(const cv::Point& at)
{
    Json::Value point(Json::objectValue);
    point["x"] = at.x;
    point["y"] = at.y;
    return point;
}

cv::Point Centre(const cv::Rect& box)
{
    return {box.x + box.width / 2, box.y + box.height / 2};
}

// Zero-padded so that byte-wise name order is numeric order.
std::string Numbered(const char* prefix, std::size_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%03zu", prefix, index);
    return name;
}

Json::Value FaceEntry(const Face& face, std::size_t index)
{
    Json::Value entry(Json::objectValue);
    Json::Value& bbox = entry["bbox"];
    bbox["x"] = face.box.x;
    bbox["y"] = face.box.y;
    bbox["width"] = face.box.width;
    bbox["height"] = face.box.height;

    Json::Value& rows = entry["ordered_value_dict"];
    rows["a_face"] = Row(0, "Face", "#" + std::to_string(index + 1), 14, true);
    rows["b_eyes"] = Row(1, "Eyes", std::to_string(face.eyes.size()), 12, true);
    rows["c_size"] = Row(2, "Size", std::to_string(face.box.width) + " px", 12, true);
    entry["qt_panel_style_sheet"] = kFaceStyle;

    Json::Value& draw = entry["draw_dict"];
    draw["point"] = Json::Value(Json::objectValue);
    draw["line"] = Json::Value(Json::objectValue);
    for (std::size_t e = 0; e < face.eyes.size(); ++e)
        draw["point"][Numbered("eye_", e)] = Point(Centre(face.eyes[e]));
    if (face.eyes.size() == 2) {
        const cv::Point left = Centre(face.eyes[0]);
        const cv::Point right = Centre(face.eyes[1]);
        Json::Value& line = draw["line"]["eyes"];
        line["point_1_x"] = left.x;
        line["point_1_y"] = left.y;
        line["point_2_x"] = right.x;
        line["point_2_y"] = right.y;
    }
    return entry;
}

// A small copy of the frame with the faces framed, half see-through.
std::string Thumbnail(const std::vector<Face>& faces, const cv::Mat& image)
{
    if (image.empty())
        return std::string();
    const double shrink = static_cast<double>(kThumbnailWidth) / image.cols;
    cv::Mat small;
    cv::resize(image, small, cv::Size(), shrink, shrink, cv::INTER_AREA);
    for (const Face& face : faces) {
        const cv::Rect box(cvRound(face.box.x * shrink), cvRound(face.box.y * shrink), cvRound(face.box.width * shrink),
                           cvRound(face.box.height * shrink));
        cv::rectangle(small, box, cv::Scalar(60, 220, 60), 2);
    }
    cv::Mat withAlpha;
    cv::cvtColor(small, withAlpha, cv::COLOR_BGR2BGRA);  // decoded pictures are BGR
    std::vector<cv::Mat> channels;
    cv::split(withAlpha, channels);
    channels[3].setTo(180);
    cv::merge(channels, withAlpha);
    std::vector<unsigned char> png;
    cv::imencode(".png", withAlpha, png);
    return Base64Encode(png.data(), png.size());
}

}  // namespace

Json::Value BuildAnswer(const std::vector<Face>& faces, const cv::Mat& image, const FrameFacts& facts)
{
    Json::Value document(Json::objectValue);
    Json::Value& boxes = document["bounding_box_info"];
    boxes = Json::Value(Json::objectValue);
    for (std::size_t i = 0; i < faces.size(); ++i)
        boxes[Numbered("face_", i)] = FaceEntry(faces[i], i);

    Json::Value& frame = document["frame_info"]["owl_detector"];
    Json::Value& rows = frame["ordered_value_dict"];
    char detect[32];
    std::snprintf(detect, sizeof detect, "%.1f ms", facts.detectMs);
    rows["a_faces"] = Row(0, "Faces", std::to_string(faces.size()), 14, true);
    rows["b_frame"] = Row(1, "Frame", std::to_string(facts.number), 12, true);
    rows["c_image"] = Row(2, "Image", std::to_string(facts.width) + "x" + std::to_string(facts.height), 12, true);
    rows["d_detect"] = Row(3, "Detect", detect, 12, true);
    frame["qt_panel_style_sheet"] = kFrameStyle;
    if (facts.overlay) {
        frame["image_base64_str"] = Thumbnail(faces, image);
        frame["transparent_rate"] = kOverlayOpacity;
    }
    return document;
}

std::string AnswerText(const Json::Value& document)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, document);
}
