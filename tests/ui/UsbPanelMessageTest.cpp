// The panel's message area: at most 201 lines counted as lines, the newest in
// view, long lines wrapped.
#include "PanelProbe.h"

#include <QScrollBar>

#include <memory>

namespace {

struct MessageCase {
    const char* name;
    int messages;
    int linesPerMessage;
    QString firstLine;
    QString lastLine;
};

const MessageCase kMessageCases[] = {
    {"under the limit", 3, 1, "m0.0", "m2.0"},
    {"exactly 201 lines", 201, 1, "m0.0", "m200.0"},
    {"the 202nd line drops the first", 202, 1, "m1.0", "m201.0"},
    {"many single lines", 300, 1, "m99.0", "m299.0"},
    {"multi-line messages count each line", 100, 3, "m33.0", "m99.2"},
    {"one message longer than the limit", 1, 250, "m0.49", "m0.249"},
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

QString Message(int index, int lines)
{
    QStringList parts;
    for (int line = 0; line < lines; ++line)
        parts << QStringLiteral("m%1.%2").arg(index).arg(line);
    return parts.join(QLatin1Char('\n'));
}

class MessageArea : public ::testing::TestWithParam<MessageCase> {};

TEST_P(MessageArea, KeepsTheNewestLines)
{
    const MessageCase& c = GetParam();
    UsbPanelUiItem panel;
    PanelProbe probe(&panel);
    for (int i = 0; i < c.messages; ++i)
        panel.AppendMsg(Message(i, c.linesPerMessage));
    const QStringList lines = probe.MsgLabel()->text().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), std::min(c.messages * c.linesPerMessage, UsbPanelUiItem::kMaxMsgLines));
    EXPECT_EQ(lines.first(), c.firstLine);
    EXPECT_EQ(lines.last(), c.lastLine);
}

INSTANTIATE_TEST_SUITE_P(Limits, MessageArea, ::testing::ValuesIn(kMessageCases), CaseName());

// Lines that arrive while the panel is hidden and after it shows: the
// newest is in view, and a line longer than the area wraps instead of
// running off its edge.
TEST(MessageArea, ShowsItsLastLineAndWrapsLongOnes)
{
    std::unique_ptr<QWidget> host(NewHost(350, 800, Qt::black));
    auto* panel = new UsbPanelUiItem(host.get());
    PanelProbe probe(panel);
    for (int i = 0; i < 150; ++i)
        panel->AppendMsg(QStringLiteral("[Host Lib] line %1").arg(i));
    panel->resize(350, 800);
    panel->show();
    Settle();
    QWidget* viewport = probe.MsgArea()->viewport();
    const int oneLine = probe.MsgLabel()->height() / 150;
    const QString longLine = QStringLiteral("[Host Lib] Select model ") + QString("a long name ").repeated(12);
    for (int i = 150; i < 300; ++i)
        panel->AppendMsg(i == 299 ? longLine : QStringLiteral("[Host Lib] line %1").arg(i));
    Settle();
    EXPECT_LE(probe.MsgLabel()->width(), viewport->width());
    EXPECT_GE(probe.MsgLabel()->height(), oneLine * 152) << "the long line takes several lines";
    QScrollBar* bar = probe.MsgArea()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    const int labelBottom = probe.MsgLabel()->mapTo(viewport, QPoint(0, probe.MsgLabel()->height())).y();
    EXPECT_EQ(labelBottom, viewport->height());

    // The last line is light text on black at the bottom of the area.
    const QImage shot = viewport->grab().toImage();
    int lit = 0;
    for (int y = shot.height() - 16; y < shot.height(); ++y)
        for (int x = 0; x < 120; ++x)
            lit += shot.pixelColor(x, y).lightness() > 128 ? 1 : 0;
    EXPECT_GT(lit, 10);
    EXPECT_TRUE(ColourNear(shot.pixelColor(shot.width() - 3, shot.height() - 3), Qt::black, 4));
}

}  // namespace
