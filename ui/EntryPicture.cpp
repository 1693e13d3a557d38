#include "EntryPicture.h"

#include "EntryFields.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QtDebug>

#include <algorithm>

namespace vireo_ui {

QImage DecodePngBase64(const char* begin, const char* end)
{
    QByteArray bytes = QByteArray::fromBase64(QByteArray::fromRawData(begin, static_cast<int>(end - begin)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        qDebug() << "[ResultWidget] the entry's picture is not a PNG:" << reader.errorString();
        return QImage();
    }
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        qDebug() << "[ResultWidget] the entry's picture is" << size << "; larger than" << kMaxPictureSide
                 << "pixels a side is refused";
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull())
        qDebug() << "[ResultWidget] the entry's picture does not decode:" << reader.errorString();
    return image;
}

QImage EntryPicture::Decode(const Json::Value& entry)
{
    const Json::Value* text = Member(entry, "image_base64_str");
    if (text == nullptr)
        return QImage();
    if (!text->isString()) {
        qDebug() << "[ResultWidget] field \"image_base64_str\" is not text; skipped";
        return QImage();
    }
    const char* begin = nullptr;
    const char* end = nullptr;
    text->getString(&begin, &end);
    const std::size_t length = static_cast<std::size_t>(end - begin);
    if (length == lastText.size() && lastText.compare(0, length, begin, length) == 0)
        return lastImage;
    // An int-sized QByteArray is the decoder's limit; nothing that large is a
    // picture we would show.
    if (length > (1u << 30)) {
        qDebug() << "[ResultWidget] the entry's picture text is" << length << "bytes; refused";
        return QImage();
    }
    lastImage = DecodePngBase64(begin, end);
    lastText.assign(begin, end);
    return lastImage;
}

QSize FittedSize(const QSize& image, const QSize& box)
{
    if (image.isEmpty() || box.isEmpty())
        return QSize(0, 0);
    const QSize fitted = image.scaled(box, Qt::KeepAspectRatio);
    // A sliver of a picture still shows as one pixel instead of vanishing.
    return QSize(std::max(fitted.width(), 1), std::max(fitted.height(), 1));
}

}  // namespace vireo_ui
