// Draws the program's icon, logo and status lights into a directory, so that
// no binary picture has to live in the source tree.
//
//   make-art OUTPUT_DIR

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor kTeal(34, 110, 158);
const QColor kInk(27, 38, 49);

// An owl's face inside `box`: head, ear tufts, two large eyes and a beak.
void DrawOwl(QPainter& p, const QRectF& box)
{
    const qreal s = box.width();
    const QPointF o = box.topLeft();
    auto at = [&](qreal x, qreal y) { return o + QPointF(x * s, y * s); };

    QPainterPath head;
    head.moveTo(at(0.18, 0.05));
    head.lineTo(at(0.36, 0.22));
    head.lineTo(at(0.64, 0.22));
    head.lineTo(at(0.82, 0.05));
    head.cubicTo(at(1.02, 0.35), at(0.98, 0.95), at(0.5, 0.98));
    head.cubicTo(at(0.02, 0.95), at(-0.02, 0.35), at(0.18, 0.05));
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawPath(head);

    for (const qreal cx : {0.33, 0.67}) {
        p.setBrush(QColor(245, 245, 240));
        p.drawEllipse(at(cx, 0.48), 0.16 * s, 0.16 * s);
        p.setBrush(QColor(255, 193, 7));
        p.drawEllipse(at(cx, 0.48), 0.09 * s, 0.09 * s);
        p.setBrush(kInk);
        p.drawEllipse(at(cx, 0.48), 0.05 * s, 0.05 * s);
    }
    QPainterPath beak;
    beak.moveTo(at(0.44, 0.62));
    beak.lineTo(at(0.56, 0.62));
    beak.lineTo(at(0.5, 0.76));
    beak.closeSubpath();
    p.setBrush(QColor(251, 140, 0));
    p.drawPath(beak);
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
                    && Save(Light(QColor(229, 57, 53)), dir, "light_red.png", "png")
                    && Save(Light(QColor(251, 140, 0)), dir, "light_orange.png", "png")
                    && Save(Light(QColor(67, 160, 71)), dir, "light_green.png", "png");
    return ok ? 0 : 1;
}
