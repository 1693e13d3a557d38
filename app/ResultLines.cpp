#include "ResultLines.h"

#include "EntryMapping.h"

#include "HostLibAdapter/ModelNumbers.h"
#include "HostLibAdapter/ObjectClassName.h"

#include <QRect>

#include <algorithm>
#include <cmath>

namespace {

Json::Value Head(const ResultsLineHead& head, const char* mode, const std::string& model)
{
    Json::Value line(Json::objectValue);
    line["time"] = head.time.toOffsetFromUtc(head.time.offsetFromUtc()).toString(Qt::ISODateWithMs).toStdString();
    line["frame"] = Json::UInt64(head.frame);
    line["mode"] = mode;
    line["model"] = model;
    return line;
}

Json::Value Rect(const QRect& r)
{
    Json::Value rect(Json::arrayValue);
    for (int v : {r.x(), r.y(), r.width(), r.height()})
        rect.append(v);
    return rect;
}

// The rectangle of `sent` pixels in `camera` pixels, clipped to the picture.
QRect ToCamera(double x, double y, double w, double h, QSize sent, QSize camera)
{
    const double sx = double(camera.width()) / sent.width();
    const double sy = double(camera.height()) / sent.height();
    // A device record is plain data and may hold any int: kept far from int's end.
    auto pixels = [](double v) { return int(std::lround(std::clamp(v, -1e7, 1e7))); };
    const QRect mapped(pixels(x * sx), pixels(y * sy), pixels(w * sx), pixels(h * sy));
    return mapped.intersected(QRect(QPoint(0, 0), camera));
}

Json::Value DetectorEntry(const Json::Value& entry, QSize sent, QSize camera)
{
    Json::Value logged(Json::objectValue);
    if (!entry.isObject())
        return logged;
    const Json::Value& box = entry["bbox"];
    double x = 0, y = 0, w = 0, h = 0;
    if (box.isObject() && !sent.isEmpty() && !camera.isEmpty() && ReadCoordinate(box, "x", x) &&
        ReadCoordinate(box, "y", y) && ReadCoordinate(box, "width", w) && ReadCoordinate(box, "height", h)) {
        const QRect rect = ToCamera(std::trunc(x), std::trunc(y), std::trunc(w), std::trunc(h), sent, camera);
        if (!rect.isEmpty())
            logged["rect"] = Rect(rect);
    }
    const Json::Value& items = entry["ordered_value_dict"];
    if (items.isObject())
        for (const std::string& key : items.getMemberNames())
            if (items[key].isObject() && items[key].isMember("value"))
                logged["values"][key] = items[key]["value"];
    return logged;
}

const char* ModelName(int Mode)
{
    switch (Mode) {
    case kModelFaceDetection: return "face detection";
    case kModelAgeGender: return "age and gender";
    case kModelObjectDetection: return "object detection";
    case kModelMaskDetection: return "mask detection";
    default: return "user model";
    }
}

std::string ClassName(int Mode, const FdFrResult& r, const ClassTable& classTable)
{
    switch (Mode) {
    case kModelObjectDetection: return ObjectClassName(r.ClassId).toStdString();
    case kModelMaskDetection: return r.ClassId != -1 ? "mask" : "no mask";
    case kModelUserDefined: {
        const auto named = classTable.find(r.ClassId);
        return named != classTable.end() ? named->second : std::to_string(r.ClassId);
    }
    default: return "face";
    }
}

}  // namespace

Json::Value DetectorResultsLine(const ResultsLineHead& head, const std::vector<Json::Value>& boxes,
                                const std::vector<Json::Value>& frames, QSize sent, QSize camera)
{
    if (boxes.empty() && frames.empty())
        return Json::Value();
    Json::Value line = Head(head, "FIFO", "detector");
    line["boxes"] = Json::Value(Json::arrayValue);
    for (const Json::Value& entry : boxes)
        line["boxes"].append(DetectorEntry(entry, sent, camera));
    line["frames"] = Json::Value(Json::arrayValue);
    for (const Json::Value& entry : frames)
        line["frames"].append(DetectorEntry(entry, sent, camera));
    return line;
}

Json::Value DeviceResultsLine(const ResultsLineHead& head, int Mode, const std::vector<FdFrResult>& ResultList,
                              QSize seen, QSize camera, const ClassTable& classTable)
{
    if (ResultList.empty() || !IsModelNumber(Mode))
        return Json::Value();
    Json::Value line = Head(head, "NX310", ModelName(Mode));
    line["boxes"] = Json::Value(Json::arrayValue);
    for (const FdFrResult& r : ResultList) {
        Json::Value entry(Json::objectValue);
        entry["class"] = r.ClassId;
        entry["name"] = ClassName(Mode, r, classTable);
        // The user model names a class for the whole picture: no box.
        if (Mode != kModelUserDefined && r.Width >= 1 && r.Height >= 1 && !seen.isEmpty() && !camera.isEmpty()) {
            const QRect rect = ToCamera(r.X, r.Y, r.Width, r.Height, seen, camera);
            if (!rect.isEmpty())
                entry["rect"] = Rect(rect);
        }
        if (Mode == kModelAgeGender) {
            entry["age"] = r.Age;
            entry["gender"] = r.Male >= 1 ? "male" : "female";
        }
        line["boxes"].append(std::move(entry));
    }
    return line;
}
