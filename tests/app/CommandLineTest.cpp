#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

// What a run was asked for, as text, the defaults left out.
std::string Asked(const RunOptions& o)
{
    QStringList parts;
    const auto add = [&parts](bool set, const QString& text) {
        if (set)
            parts << text;
    };
    add(!o.settingsPath.empty(), "settings " + QString::fromStdString(o.settingsPath));
    add(o.overrides.camera.has_value(), "camera " + QString::fromStdString(o.overrides.camera.value_or("")));
    add(o.overrides.inferenceMode.has_value(), o.overrides.inferenceMode == InferenceMode::Fifo ? "FIFO" : "NX310");
    add(o.overrides.fullScreen, "fullscreen");
    add(o.overrides.noWindow, "no window");
    add(o.showStats, "stats");
    add(!o.reportPath.isEmpty(), "report " + o.reportPath);
    add(!o.recordPath.isEmpty(), "record " + o.recordPath);
    add(o.recordMaxMb != 1024, QStringLiteral("record max %1").arg(o.recordMaxMb));
    add(!o.resultsPath.isEmpty(), "results " + o.resultsPath);
    add(o.resultsMaxMb != 256, QStringLiteral("results max %1").arg(o.resultsMaxMb));
    add(!o.snapshotDir.isEmpty(), "snapshots " + o.snapshotDir);
    return parts.join(", ").toStdString();
}

TEST(CommandLineParse, GivesTheRunOrTheExit)
{
    using L = QStringList;
    const char* const kFile = "my-settings.json";
    const struct {
        const char* name;
        QStringList arguments;  // after the program's name
        int status;             // -1: the program runs as `said`
        std::string said;       // for an exit, a part of the text printed
    } cases[] = {
        {"nothing", {}, -1, ""},
        {"settings file alone", {kFile}, -1, "settings my-settings.json"},
        {"options after the settings file", {kFile, "--mode", "FIFO", "--camera", "rtsp://cam/1", "--no-window"}, -1,
         "settings my-settings.json, camera rtsp://cam/1, FIFO, no window"},
        {"every option", {"--camera=2", "--mode=NX310", "--fullscreen", "--stats", "--report", "r.json", "--record",
         "v.MKV", "--record-max-mb", "1", "--results", "r.jsonl", "--results-max-mb=1048576", "--snapshot-dir", "s"}, -1,
         "camera 2, NX310, fullscreen, stats, report r.json, record v.MKV, record max 1, results r.jsonl, "
         "results max 1048576, snapshots s"},
        {"a settings file that looks like an option", {"--", "-odd.json"}, -1, "settings -odd.json"},
        {"help", {"--help"}, 0, "--camera <SOURCE>"},
        {"help among bad options", {"--mode", "foo", "-h", "--bogus"}, 0, "Usage: "},
        {"unknown option", {kFile, "--bogus"}, 2, "bogus"},
        {"empty camera", {"--camera", ""}, 2, "--camera"},
        {"mode in lower case", {"--mode", "nx310"}, 2, "--mode nx310 is not a mode; use FIFO or NX310 (upper case)"},
        {"unknown mode", {"--mode", "FOO"}, 2, "FOO"},
        {"two settings files", {kFile, "other.json"}, 2, "other.json"},
        {"empty settings file name", {""}, 2, "empty"},
        {"full screen and no window", {"--fullscreen", "--no-window"}, 2, "--no-window"},
        {"empty report name", {"--report="}, 2, "--report"},
        {"recording that a cut would spoil", {"--record", "out.mp4"}, 2, ".mkv (Matroska) or .avi"},
        {"recording without extension", {"--record", "out"}, 2, "--record out"},
        {"recording and results in one file", {"--record", "a/../x.avi", "--results", "x.avi"}, 2, "same file"},
        {"empty results name", {"--results", ""}, 2, "--results"},
        {"recording size zero", {"--record-max-mb", "0"}, 2, "--record-max-mb 0 is not a size"},
        {"results size beyond a terabyte", {"--results-max-mb", "1048577"}, 2, "--results-max-mb 1048577"},
        {"results size not a number", {"--results-max-mb", "1e3"}, 2, "--results-max-mb 1e3"},
        {"empty snapshot folder", {"--snapshot-dir="}, 2, "--snapshot-dir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandLine line = ParseCommandLine(L{QStringLiteral("VireoOwlEdge")} + c.arguments);
        EXPECT_EQ(line.exitStatus.value_or(-1), c.status) << line.text.toStdString();
        if (c.status < 0) {
            EXPECT_EQ(Asked(line.options), c.said);
            continue;
        }
        EXPECT_TRUE(line.text.contains(QString::fromStdString(c.said))) << line.text.toStdString();
        if (c.status != 0) {
            EXPECT_EQ(line.text.count(QLatin1Char('\n')), 2) << "one line naming it, then the usage";
            EXPECT_TRUE(line.text.contains(QStringLiteral("Usage: "))) << line.text.toStdString();
        }
    }
}

}  // namespace
