// Draws the program's icon, logo and status lights into a directory, so that
// no binary picture has to live in the source tree; the icon also as the
// desktop's 48 px and scalable pictures.
//
//   make-art OUTPUT_DIR

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <vector>

namespace {

const QColor kTeal(34, 110, 158);
const QColor kInk(27, 38, 49);

struct Shape {
    QPainterPath path;
    QColor colour;
};

// An owl's face in a unit square: head, ear tufts, two large eyes and a beak.
// One description for the pictures and for the scalable icon.
std::vector<Shape> Owl()
{
    QPainterPath head;
    head.moveTo(0.18, 0.05);
    head.lineTo(0.36, 0.22);
    head.lineTo(0.64, 0.22);
    head.lineTo(0.82, 0.05);
    head.cubicTo(1.02, 0.35, 0.98, 0.95, 0.5, 0.98);
    head.cubicTo(0.02, 0.95, -0.02, 0.35, 0.18, 0.05);
    std::vector<Shape> shapes{{head, kTeal}};

    auto disc = [](qreal cx, qreal cy, qreal r) {
        QPainterPath path;
        path.addEllipse(QPointF(cx, cy), r, r);
        return path;
    };
    for (const qreal cx : {0.33, 0.67}) {
        shapes.push_back({disc(cx, 0.48, 0.16), QColor(245, 245, 240)});
        shapes.push_back({disc(cx, 0.48, 0.09), QColor(255, 193, 7)});
        shapes.push_back({disc(cx, 0.48, 0.05), kInk});
    }
    QPainterPath beak;
    beak.moveTo(0.44, 0.62);
    beak.lineTo(0.56, 0.62);
    beak.lineTo(0.5, 0.76);
    beak.closeSubpath();
    shapes.push_back({beak, QColor(251, 140, 0)});
    return shapes;
}

void DrawOwl(QPainter& p, const QRectF& box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width(), box.width());
    p.setPen(Qt::NoPen);
    for (const Shape& shape : Owl()) {
        p.setBrush(shape.colour);
        p.drawPath(shape.path);
    }
    p.restore();
}

// The owl as an SVG document of `size` units, for the desktop's icon theme.
QByteArray OwlSvg(int size)
{
    const qreal margin = size * 0.04, scale = size * 0.92;
    auto xy = [&](const QPointF& point) {
        return QByteArray::number(margin + point.x() * scale, 'f', 2) + ' '
               + QByteArray::number(margin + point.y() * scale, 'f', 2);
    };
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + QByteArray::number(size) + "\" height=\""
                     + QByteArray::number(size) + "\" viewBox=\"0 0 " + QByteArray::number(size) + ' '
                     + QByteArray::number(size) + "\">\n";
    for (const Shape& shape : Owl()) {
        QByteArray d;
        const QPainterPath& path = shape.path;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo()) {
                d += (d.isEmpty() ? "M" : "Z M") + xy(e);
            } else if (e.isLineTo()) {
                d += " L" + xy(e);
            } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
                d += " C" + xy(e) + ' ' + xy(path.elementAt(i + 1)) + ' ' + xy(path.elementAt(i + 2));
                i += 2;
            }
        }
        svg += "  <path fill=\"" + shape.colour.name().toLatin1() + "\" d=\"" + d + " Z\"/>\n";
    }
    return svg + "</svg>\n";
}

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage Icon(int size)
{
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawOwl(p, QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92));
    return image;
}

QImage Logo()
{
    QImage image = Canvas(250, 116);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawOwl(p, QRectF(6, 16, 84, 84));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kTeal);
    p.drawText(QRectF(96, 22, 154, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vireo"));
    font.setPixelSize(24);
    font.setBold(false);
    p.setFont(font);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(96, 60, 154, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("OWL Edge"));
    return image;
}

QImage Light(const QColor& colour)
{
    const int size = 64;
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(24, 22), 40);
    glow.setColorAt(0.0, colour.lighter(170));
    glow.setColorAt(0.45, colour);
    glow.setColorAt(1.0, colour.darker(160));
    p.setPen(QPen(colour.darker(200), 2));
    p.setBrush(glow);
    p.drawEllipse(QRectF(4, 4, size - 8, size - 8));
    return image;
}

bool SaveText(const QByteArray& text, const QDir& dir, const char* name)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
        return true;
    std::fprintf(stderr, "make-art: cannot write %s\n", qPrintable(file.fileName()));
    return false;
}

bool Save(const QImage& image, const QDir& dir, const char* name, const char* format)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (image.save(path, format))
        return true;
    std::fprintf(stderr, "make-art: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-art OUTPUT_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    const bool ok = Save(Icon(128), dir, "vireo_icon.ico", "ico") && Save(Logo(), dir, "vireo_logo.png", "png")
                    && Save(Icon(48), dir, "vireo-owl-edge-48.png", "png")
                    && SaveText(OwlSvg(48), dir, "vireo-owl-edge.svg")
                    && Save(Light(QColor(229, 57, 53)), dir, "light_red.png", "png")
                    && Save(Light(QColor(251, 140, 0)), dir, "light_orange.png", "png")
                    && Save(Light(QColor(67, 160, 71)), dir, "light_green.png", "png");
    return ok ? 0 : 1;
}
