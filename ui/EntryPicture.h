#pragma once
// The picture of a frame entry: Base64 text of a PNG, decoded with a size cap.

#include <json/value.h>

#include <QImage>
#include <QSize>

#include <string>

namespace vireo_ui {

// Largest picture accepted from a detector, in pixels per side; the size is
// read from the PNG header before any pixel is decoded.
constexpr int kMaxPictureSide = 4096;

// Decodes Base64 text (characters outside the alphabet, such as line breaks,
// are skipped) holding a PNG. Anything else, or a PNG larger than
// kMaxPictureSide on a side, gives a null image and one debug line.
QImage DecodePngBase64(const char* begin, const char* end);

// Thread-safety: one owner (a widget on the GUI thread).
// Remembers the last text and its picture: detectors often send the same
// picture with every frame, and decoding it again each time is the costliest
// part of drawing a frame entry.
class EntryPicture {
public:
    // The entry's "image_base64_str" decoded; null when the field is missing,
    // not text, or does not decode.
    QImage Decode(const Json::Value& entry);

private:
    std::string lastText;
    QImage lastImage;
};

// `image` scaled to fit inside `box`, keeping its aspect ratio.
QSize FittedSize(const QSize& image, const QSize& box);

}  // namespace vireo_ui
