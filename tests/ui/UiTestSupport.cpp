#include "UiTestSupport.h"

#include <json/reader.h>

#include <QBuffer>
#include <QDialog>
#include <QPalette>

#include <cctype>
#include <cstdlib>
#include <memory>

std::string CaseName(const char* name)
{
    std::string result;
    for (const char* p = name; *p != '\0'; ++p)
        result += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return result;
}

Json::Value ParseEntry(const std::string& text)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    const bool ok = reader->parse(text.data(), text.data() + text.size(), &value, &errors);
    EXPECT_TRUE(ok) << errors << " in " << text;
    return value;
}

std::string PngBase64(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toBase64().toStdString();
}

QWidget* NewHost(int width, int height, const QColor& background)
{
    auto* host = new QWidget;
    QPalette palette = host->palette();
    palette.setColor(QPalette::Window, background);
    host->setPalette(palette);
    host->setAutoFillBackground(true);
    host->resize(width, height);
    host->show();
    Settle();
    return host;
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QColor GrabPixel(QWidget* widget, int x, int y)
{
    return widget->grab().toImage().pixelColor(x, y);
}

bool Near(const QColor& actual, const QColor& expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
           && std::abs(actual.green() - expected.green()) <= tolerance
           && std::abs(actual.blue() - expected.blue()) <= tolerance
           && std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}

::testing::AssertionResult ColourNear(const QColor& actual, const QColor& expected, int tolerance)
{
    if (Near(actual, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour (" << actual.red() << ", " << actual.green() << ", "
                                         << actual.blue() << ", " << actual.alpha() << "), expected ("
                                         << expected.red() << ", " << expected.green() << ", " << expected.blue()
                                         << ", " << expected.alpha() << ") within " << tolerance;
}
