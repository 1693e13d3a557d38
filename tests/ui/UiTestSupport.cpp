#include "UiTestSupport.h"

#include <json/reader.h>

#include <QBuffer>
#include <QPalette>

#include <cstdlib>
#include <memory>

Json::Value ParseEntry(const std::string& text)
{
    std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << errors << " in " << text;
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

::testing::AssertionResult ColourNear(const QColor& actual, const QColor& expected, int tolerance)
{
    const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    if (near(actual.red(), expected.red()) && near(actual.green(), expected.green())
        && near(actual.blue(), expected.blue()) && near(actual.alpha(), expected.alpha()))
        return ::testing::AssertionSuccess();
    const auto text = [](const QColor& c) {
        return QStringLiteral("(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha()).toStdString();
    };
    return ::testing::AssertionFailure() << "colour " << text(actual) << ", expected " << text(expected) << " within "
                                         << tolerance;
}
