#pragma once
// From the pixels of the frame a back-end saw to the pixels of the window.

#include "HostLibAdapter/FdFrResult.h"

#include <json/value.h>

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Where the picture of one frame is shown.
struct PictureGeometry {
    QSize source;   // the frame the back-end saw (the coordinates of its results)
    QSize picture;  // the scaled picture shown in the window
    QPoint offset;  // its top-left corner in the window: centred, letterboxed

    bool IsUsable() const { return !source.isEmpty() && !picture.isEmpty(); }
    double XRatio() const { return double(picture.width()) / source.width(); }
    double YRatio() const { return double(picture.height()) / source.height(); }
    QRect PictureRect() const { return QRect(offset, picture); }
};

// The picture of `source` scaled into `window` keeping its aspect ratio.
PictureGeometry FitPicture(QSize source, QSize picture, QSize window);

// Box entries of the detector, in place: "bbox" (with a 10 px margin) becomes
// window coordinates clipped to the picture, and "draw_dict" marks become
// picture pixels. A box that cannot be shown (fields of the wrong type, or
// nothing of it on the picture) loses its "bbox", so its frame and panel
// hide. Nothing is mapped when the geometry is not usable.
void MapEntriesToDisplay(std::vector<Json::Value>& entries, const PictureGeometry& geometry);

// A device result's box (pixels of the image the dongle saw) with a 10 px
// margin, in window coordinates clipped to the picture; empty when it cannot
// be shown.
QRect MapDeviceBox(const FdFrResult& result, const PictureGeometry& geometry);

// A JSON number usable for drawing: finite and within +-100000; anything
// else (text, objects, NaN, infinities) is rejected.
bool ReadCoordinate(const Json::Value& object, const char* key, double& value);
