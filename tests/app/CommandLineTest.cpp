#include "CommandLine.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// What a run was asked for, in the fields a case looks at.
struct Run {
    std::string settingsPath;
    std::optional<std::string> camera;
    std::optional<InferenceMode> mode;
    bool fullScreen = false;
    bool noWindow = false;
    bool stats = false;
    const char* report = "";
    const char* record = "";
    int recordMaxMb = 1024;
    const char* results = "";
    int resultsMaxMb = 256;
    const char* snapshotDir = "";
};

struct LineCase {
    const char* name;
    QStringList arguments;  // after the program's name
    int status;             // -1: the program runs with `run`
    Run run;
    const char* said = "";  // part of the text printed for an exit
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLineParse : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineParse, GivesTheRunOrTheExit)
{
    const LineCase& c = GetParam();
    const CommandLine line = ParseCommandLine(QStringList{QStringLiteral("VireoOwlEdge")} + c.arguments);
    if (c.status >= 0) {
        ASSERT_TRUE(line.exitStatus.has_value());
        EXPECT_EQ(*line.exitStatus, c.status);
        EXPECT_TRUE(line.text.contains(QString::fromUtf8(c.said))) << line.text.toStdString();
        if (c.status != 0) {
            EXPECT_EQ(line.text.count(QLatin1Char('\n')), 2) << "one line naming it, then the usage";
            EXPECT_TRUE(line.text.contains(QStringLiteral("Usage: "))) << line.text.toStdString();
        }
        return;
    }
    ASSERT_FALSE(line.exitStatus.has_value()) << line.text.toStdString();
    const RunOptions& o = line.options;
    EXPECT_EQ(o.settingsPath, c.run.settingsPath);
    EXPECT_EQ(o.overrides.camera, c.run.camera);
    EXPECT_EQ(o.overrides.inferenceMode, c.run.mode);
    EXPECT_EQ(o.overrides.fullScreen, c.run.fullScreen);
    EXPECT_EQ(o.overrides.noWindow, c.run.noWindow);
    EXPECT_EQ(o.showStats, c.run.stats);
    EXPECT_EQ(o.reportPath, QString::fromUtf8(c.run.report));
    EXPECT_EQ(o.recordPath, QString::fromUtf8(c.run.record));
    EXPECT_EQ(o.recordMaxMb, c.run.recordMaxMb);
    EXPECT_EQ(o.resultsPath, QString::fromUtf8(c.run.results));
    EXPECT_EQ(o.resultsMaxMb, c.run.resultsMaxMb);
    EXPECT_EQ(o.snapshotDir, QString::fromUtf8(c.run.snapshotDir));
}

using L = QStringList;
const char* const kFile = "my-settings.json";

INSTANTIATE_TEST_SUITE_P(Lines, CommandLineParse, ::testing::Values(
    LineCase{"nothing", {}, -1, {}},
    LineCase{"settings file alone", {kFile}, -1, {kFile, {}, {}}},
    LineCase{"options after the settings file", {kFile, "--mode", "FIFO", "--camera", "rtsp://cam/1", "--no-window"},
             -1, {kFile, "rtsp://cam/1", InferenceMode::Fifo, false, true}},
    LineCase{"every option", {"--camera=2", "--mode=NX310", "--fullscreen", "--stats", "--report", "r.json", "--record",
             "v.MKV", "--record-max-mb", "1", "--results", "r.jsonl", "--results-max-mb=1048576", "--snapshot-dir", "s"},
             -1, {"", "2", InferenceMode::Nx310, true, false, true, "r.json", "v.MKV", 1, "r.jsonl", 1048576, "s"}},
    LineCase{"a settings file that looks like an option", {"--", "-odd.json"}, -1, {"-odd.json", {}, {}}},
    LineCase{"help", {"--help"}, 0, {}, "--camera <SOURCE>"},
    LineCase{"help among bad options", {"--mode", "foo", "-h", "--bogus"}, 0, {}, "Usage: "},
    LineCase{"unknown option", {kFile, "--bogus"}, 2, {}, "bogus"},
    LineCase{"empty camera", {"--camera", ""}, 2, {}, "--camera"},
    LineCase{"mode in lower case", {"--mode", "nx310"}, 2, {}, "--mode nx310 is not a mode; use FIFO or NX310 (upper case)"},
    LineCase{"unknown mode", {"--mode", "FOO"}, 2, {}, "FOO"},
    LineCase{"two settings files", {kFile, "other.json"}, 2, {}, "other.json"},
    LineCase{"empty settings file name", {""}, 2, {}, "empty"},
    LineCase{"full screen and no window", {"--fullscreen", "--no-window"}, 2, {}, "--no-window"},
    LineCase{"empty report name", {"--report="}, 2, {}, "--report"},
    LineCase{"recording that a cut would spoil", {"--record", "out.mp4"}, 2, {}, ".mkv (Matroska) or .avi"},
    LineCase{"recording without extension", {"--record", "out"}, 2, {}, "--record out"},
    LineCase{"recording and results in one file", {"--record", "a/../x.avi", "--results", "x.avi"}, 2, {}, "same file"},
    LineCase{"empty results name", {"--results", ""}, 2, {}, "--results"},
    LineCase{"recording size zero", {"--record-max-mb", "0"}, 2, {}, "--record-max-mb 0 is not a size"},
    LineCase{"results size beyond a terabyte", {"--results-max-mb", "1048577"}, 2, {}, "--results-max-mb 1048577"},
    LineCase{"results size not a number", {"--results-max-mb", "1e3"}, 2, {}, "--results-max-mb 1e3"},
    LineCase{"empty snapshot folder", {"--snapshot-dir="}, 2, {}, "--snapshot-dir"}), CaseName());

}  // namespace
