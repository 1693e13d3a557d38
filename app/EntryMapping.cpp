#include "EntryMapping.h"

#include "DeviceEntries.h"

#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kCoordinateLimit = 100000;
constexpr int kBoxMargin = 10;

// Writes `rect` as the entry's "bbox", or removes the "bbox" when empty.
void StoreBox(Json::Value& entry, const QRect& rect)
{
    entry.removeMember("bbox");
    if (!rect.isEmpty())
        SetEntryBox(entry, rect);
}

// A rectangle of source pixels, margin included, in window coordinates and
// clipped to the picture.
QRect ToWindow(double x, double y, double width, double height, const PictureGeometry& g)
{
    const double left = (x - kBoxMargin) * g.XRatio();
    const double top = (y - kBoxMargin) * g.YRatio();
    // A negative size shows nothing rather than a margin-only box.
    const double w = width < 0 ? 0.0 : (width + 2 * kBoxMargin) * g.XRatio();
    const double h = height < 0 ? 0.0 : (height + 2 * kBoxMargin) * g.YRatio();
    const QRect onPicture(static_cast<int>(left), static_cast<int>(top), static_cast<int>(w), static_cast<int>(h));
    return onPicture.translated(g.offset).intersected(g.PictureRect());
}

void MapBox(Json::Value& entry, const PictureGeometry& g)
{
    if (!entry.isMember("bbox"))
        return;
    const Json::Value& box = entry["bbox"];
    double x = 0, y = 0, width = 0, height = 0;
    if (!box.isObject() || !ReadCoordinate(box, "x", x) || !ReadCoordinate(box, "y", y)
        || !ReadCoordinate(box, "width", width) || !ReadCoordinate(box, "height", height)) {
        qDebug() << "[MainWindow] a box entry's \"bbox\" is not four numbers; the box is not shown";
        entry.removeMember("bbox");
        return;
    }
    // Whole pixels of the sent frame, as the detector means them.
    StoreBox(entry, ToWindow(std::trunc(x), std::trunc(y), std::trunc(width), std::trunc(height), g));
}

// Scales the named coordinates of every member of `group` in place; members
// that are not all numbers are dropped.
void ScaleMarks(Json::Value& group, std::initializer_list<std::pair<const char*, double>> keys)
{
    if (!group.isObject())
        return;
    for (const std::string& name : group.getMemberNames()) {
        Json::Value& mark = group[name];
        bool usable = mark.isObject();
        for (const auto& [key, ratio] : keys) {
            double value = 0;
            if (!usable || !ReadCoordinate(mark, key, value)) {
                usable = false;
                break;
            }
            mark[key] = static_cast<int>(value * ratio);
        }
        if (!usable)
            group.removeMember(name);
    }
}

void MapMarks(Json::Value& entry, const PictureGeometry& g)
{
    if (!entry.isMember("draw_dict") || !entry["draw_dict"].isObject())
        return;
    Json::Value& marks = entry["draw_dict"];
    const double xr = g.XRatio();
    const double yr = g.YRatio();
    if (marks.isMember("line"))
        ScaleMarks(marks["line"], {{"point_1_x", xr}, {"point_1_y", yr}, {"point_2_x", xr}, {"point_2_y", yr}});
    if (marks.isMember("point"))
        ScaleMarks(marks["point"], {{"x", xr}, {"y", yr}});
}

}  // namespace

bool ReadCoordinate(const Json::Value& object, const char* key, double& value)
{
    const Json::Value* member = object.isObject() ? object.find(key, key + std::strlen(key)) : nullptr;
    if (member == nullptr || !member->isNumeric())
        return false;
    value = member->asDouble();
    return std::isfinite(value) && std::abs(value) <= kCoordinateLimit;
}

PictureGeometry FitPicture(QSize source, QSize picture, QSize window)
{
    PictureGeometry g;
    g.source = source;
    g.picture = picture;
    g.offset = QPoint((window.width() - picture.width()) / 2, (window.height() - picture.height()) / 2);
    return g;
}

void MapEntriesToDisplay(std::vector<Json::Value>& entries, const PictureGeometry& geometry)
{
    if (!geometry.IsUsable()) {
        if (!entries.empty())
            qDebug() << "[MainWindow] no picture or frame size to place results on; boxes are not shown";
        for (Json::Value& entry : entries) {
            if (entry.isObject())
                entry.removeMember("bbox");
        }
        return;
    }
    for (Json::Value& entry : entries) {
        if (!entry.isObject())
            continue;
        MapBox(entry, geometry);
        MapMarks(entry, geometry);
    }
}

QRect MapDeviceBox(const FdFrResult& result, const PictureGeometry& g)
{
    if (!g.IsUsable())
        return {};
    // 64 bits: a record is plain data and may hold any int.
    const std::int64_t capW = g.source.width();
    const std::int64_t capH = g.source.height();
    // The margin stays inside the image the dongle saw.
    const std::int64_t x0 = std::clamp<std::int64_t>(std::int64_t(result.X) - kBoxMargin, 0, capW);
    const std::int64_t y0 = std::clamp<std::int64_t>(std::int64_t(result.Y) - kBoxMargin, 0, capH);
    const std::int64_t w0 = std::min<std::int64_t>(std::int64_t(result.Width) + 2 * kBoxMargin, capW - x0);
    const std::int64_t h0 = std::min<std::int64_t>(std::int64_t(result.Height) + 2 * kBoxMargin, capH - y0);
    if (result.Width < 1 || result.Height < 1 || w0 <= 0 || h0 <= 0)
        return {};
    const QRect onPicture(static_cast<int>(x0 * g.XRatio()), static_cast<int>(y0 * g.YRatio()),
                          static_cast<int>(w0 * g.XRatio()), static_cast<int>(h0 * g.YRatio()));
    return onPicture.translated(g.offset).intersected(g.PictureRect());
}
