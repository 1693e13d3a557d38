#include "MarkPainter.h"

#include "EntryMapping.h"

#include <QPainter>
#include <QPen>
#include <QImage>

namespace {

const Json::Value* Group(const Json::Value& entry, const char* kind)
{
    if (!entry.isObject() || !entry.isMember("draw_dict"))
        return nullptr;
    const Json::Value& marks = entry["draw_dict"];
    if (!marks.isObject() || !marks.isMember(kind) || !marks[kind].isObject())
        return nullptr;
    return &marks[kind];
}

}  // namespace

void DrawMarks(const std::vector<Json::Value>& entries, QImage& picture)
{
    QPainter painter(&picture);
    const QPen linePen(Qt::red, 5, Qt::SolidLine);
    const QPen pointPen(QColor(190, 215, 160, 255), 8, Qt::SolidLine);
    int budget = kMaxMarks;
    for (const Json::Value& entry : entries) {
        if (const Json::Value* lines = Group(entry, "line")) {
            painter.setPen(linePen);
            for (const Json::Value& line : *lines) {
                double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                if (budget > 0 && ReadCoordinate(line, "point_1_x", x1) && ReadCoordinate(line, "point_1_y", y1)
                    && ReadCoordinate(line, "point_2_x", x2) && ReadCoordinate(line, "point_2_y", y2)) {
                    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
                    --budget;
                }
            }
        }
        if (const Json::Value* points = Group(entry, "point")) {
            painter.setPen(pointPen);
            painter.setBrush(Qt::NoBrush);
            for (const Json::Value& point : *points) {
                double x = 0, y = 0;
                if (budget > 0 && ReadCoordinate(point, "x", x) && ReadCoordinate(point, "y", y)) {
                    painter.drawEllipse(QRectF(x - 4, y - 4, 8, 8));
                    --budget;
                }
            }
        }
    }
}
