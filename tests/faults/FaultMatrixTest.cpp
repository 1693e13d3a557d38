// The real program (offscreen) against one fault at a time, as a booth demo
// meets them: it must keep running, keep showing video, recover by itself
// once the fault ends, exit cleanly, and leave its settings file whole.
// Each row prints one FAULT line: survived or not, and the seconds to recover.

#include "ProgramState.h"

#include "settings/JsonText.h"

#include "CaseName.h"
#include "ChildProcess.h"
#include "SanitizedBuild.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QThread>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kFaces = VIREO_BUILD_DIR "/samples/faces.avi";
// Each row that streams has a port of its own: rows run side by side.
std::vector<std::string> StreamServer(int port)
{
    return {VIREO_BUILD_DIR "/tests/rtsp-test-server", std::to_string(port)};
}

// A connect under way finishes first, many times slower in sanitized builds.
constexpr auto kExitWait = kSanitizedBuild ? 60s : 10s;

// The scratch space and processes of one fault's run.
struct Rig {
    TempDir dir;
    std::string settings = dir.File("settings.json");
    std::string control = dir.File("dongle-control.txt");
    ChildProcess detector;
    ChildProcess streamServer;
    ChildProcess program;
    std::string executable = VIREO_BUILD_DIR "/bin/VireoOwlEdge";

    void Detector(const std::vector<std::string>& flags = {})
    {
        std::vector<std::string> argv = OwlDetector(dir.File("req"), dir.File("resp"));
        argv.insert(argv.end(), flags.begin(), flags.end());
        detector.Start(argv, true);
    }
    // The scripted detector of the pipe tests, which misbehaves on cue.
    void Scripted(const std::vector<std::string>& flags = {})
    {
        std::vector<std::string> argv{"/usr/bin/python3", VIREO_SOURCE_DIR "/tests/fifo/scripted_detector.py", "--req",
                                      dir.File("req"), "--resp", dir.File("resp")};
        argv.insert(argv.end(), flags.begin(), flags.end());
        detector.Start(argv, true);
    }
    void Dongle(const std::string& knobs) { WriteText(control, knobs); }
    void Start(const std::string& camera, const std::string& mode, int reconnectSec = 0)
    {
        WriteText(settings, R"({"Camera": ")" + camera + R"(", "CameraAutoReconnectSec": )"
                                + std::to_string(reconnectSec) + R"(, "InferenceMode": ")" + mode
                                + R"(", "RequestFIFO": ")" + dir.File("req") + R"(", "ResponseFIFO": ")"
                                + dir.File("resp") + R"("})");
        program.Start({executable, settings}, true,
                      {QStringLiteral("EDL_EMU_CONTROL=") + QString::fromStdString(control),
                       QStringLiteral("VIREO_AUTOCONNECT=3"), QStringLiteral("VIREO_AUTOCONNECT_RETRY_SEC=3"),
                       QStringLiteral("VIREO_STATS=1")},
                      QString::fromStdString(dir.Path()));
    }
};

// What must come back once the fault ends.
enum class Watch { Results, Frames };

struct Fault {
    const char* name;
    Watch watch;
    const char* reported;              // a line the fault must leave in the log, or null
    std::function<void(Rig&)> start;   // a healthy program
    std::function<void(Rig&)> inject;  // the fault
    std::function<void(Rig&)> heal;    // the fault ends
};

// Test listings name the case, not its bytes.
void PrintTo(const Fault& c, std::ostream* os)
{
    *os << c.name;
}

long long Watched(const ProgramState& s, Watch watch)
{
    return watch == Watch::Results ? s.withResults : s.framesShown;
}

// Waits until `done` holds for what the program says; false after `timeout`
// or when it ends.
bool WaitFor(ChildProcess& program, const std::function<bool(const ProgramState&)>& done, std::chrono::seconds timeout)
{
    return program.WaitFor([&](const QString& log) { return done(StateOf(log)); },
                           static_cast<int>(std::chrono::milliseconds(timeout).count()));
}

const Fault kFaults[] = {
    // Nobody reads the request pipe while it is down: each frame's open fails.
    {"detector killed", Watch::Results, "Failed to open req fifo with errno [6]",
     [](Rig& r) { r.Detector(); r.Start(kFaces, "FIFO"); },
     [](Rig& r) { r.detector.Kill(); }, [](Rig& r) { r.Detector(); }},
    {"detector hung", Watch::Results, nullptr, [](Rig& r) { r.Detector(); r.Start(kFaces, "FIFO"); },
     [](Rig& r) { r.Detector({"--delay-ms", "600000"}); }, [](Rig& r) { r.Detector(); }},
    // Garbage, short bodies and doubled answers are the pipe tests' rows; this
    // one also holds the program to the answer cap.
    {"detector announces 4 GiB", Watch::Results, nullptr, [](Rig& r) { r.Detector(); r.Start(kFaces, "FIFO"); },
     [](Rig& r) { r.Detector({"--huge-length"}); }, [](Rig& r) { r.Detector(); }},
    // Healed by itself: the restarted detector serves at once; the program
    // must find it without seeing the old connection end.
    {"detector restarted mid-answer", Watch::Results, "The detector's answer stopped for 2 s",
     [](Rig& r) { r.Detector(); r.Start(kFaces, "FIFO"); },
     [](Rig& r) { r.Scripted({"--restart-after-header", "3"}); }, [](Rig&) {}},
    // The camera is a stream that starts after the program: its frames go
    // to the detector at 480 lines, as a camera known at start would.
    {"camera opens late", Watch::Results, nullptr,
     [](Rig& r) {
         r.Scripted();
         r.Start("rtsp://127.0.0.1:18555/test", "FIFO", 1);
         QThread::sleep(3);
         r.streamServer.Start(StreamServer(18555), true);
     },
     [](Rig& r) { EXPECT_TRUE(r.detector.Read().contains(QStringLiteral("x480\n"))) << r.detector.Output(); },
     [](Rig&) {}},
    // Each connect call's own failure, and the connect after it, are in the
    // device back-end's connect table; here the retry until the dongle is back.
    {"dongle unplugged", Watch::Results, "[Host Lib] Connection Lost", [](Rig& r) { r.Start(kFaces, "NX310"); },
     [](Rig& r) { r.Dongle("EDL_EMU_DEVICES=0\n"); }, [](Rig& r) { r.Dongle(""); }},
    {"inference call fails", Watch::Results, "[Host Lib] Connection Lost", [](Rig& r) { r.Start(kFaces, "NX310"); },
     [](Rig& r) { r.Dongle("EDL_EMU_FAIL=dme_inference\n"); }, [](Rig& r) { r.Dongle(""); }},
    {"camera file missing", Watch::Frames, nullptr,
     [](Rig& r) { r.Start(r.dir.File("clip.avi"), "FIFO", 1); }, [](Rig&) {},
     [](Rig& r) { fs::copy(kFaces, r.dir.File("clip.avi")); }},
    {"camera file truncated", Watch::Frames, nullptr,
     [](Rig& r) {
         const std::string whole = ReadText(kFaces);
         WriteText(r.dir.File("cut.avi"), whole.substr(0, whole.size() / 3));
         r.Start(r.dir.File("cut.avi"), "FIFO", 0);
     },
     [](Rig&) {}, [](Rig&) {}},
    {"stream server killed", Watch::Frames, nullptr,
     [](Rig& r) {
         r.streamServer.Start(StreamServer(18554), true);
         QThread::msleep(500);
         r.Start("rtsp://127.0.0.1:18554/test", "FIFO", 1);
     },
     [](Rig& r) { r.streamServer.Kill(); }, [](Rig& r) { r.streamServer.Start(StreamServer(18554), true); }},
};

class FaultMatrix : public ::testing::TestWithParam<Fault> {};

TEST_P(FaultMatrix, SurvivesAndRecovers)
{
    const Fault& fault = GetParam();
    Rig rig;
    fault.start(rig);
    ChildProcess& program = rig.program;
    // Healthy: results flow (or, for camera faults, the program is up and
    // has written its settings back).
    ASSERT_TRUE(WaitFor(
        program,
        [&](const ProgramState& s) {
            return fault.watch == Watch::Frames ? s.log.contains(QStringLiteral("[Stats]")) : s.withResults > 0;
        },
        60s))
        << program.Output();
    const std::string settingsAtStart = ReadText(rig.settings);

    fault.inject(rig);
    QThread::sleep(4);
    const ProgramState during = StateOf(program.Read());
    QThread::sleep(4);
    bool survived = program.IsRunning();
    const bool videoGoesOn = StateOf(program.Read()).framesShown > during.framesShown;
    if (fault.watch == Watch::Results) {
        EXPECT_TRUE(videoGoesOn) << "the video stopped while the fault lasted";
    }

    if (fault.reported != nullptr) {
        EXPECT_TRUE(program.Read().contains(QString::fromLatin1(fault.reported))) << fault.reported;
    }

    fault.heal(rig);
    const long long atHeal = Watched(StateOf(program.Read()), fault.watch);
    const auto healed = std::chrono::steady_clock::now();
    const bool recovered = WaitFor(program, [&](const ProgramState& s) { return Watched(s, fault.watch) > atHeal; }, 60s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - healed).count();
    EXPECT_TRUE(recovered) << program.Read().right(3000).toStdString();

    const int exitCode = program.Stop(kExitWait);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadText(rig.settings), settingsAtStart) << "the settings file changed";
    EXPECT_TRUE(ParseJson(ReadText(rig.settings)).isObject());
    survived = survived && recovered && exitCode == 0;
    std::printf("FAULT %-30s survived %-3s recovered in %5.1f s\n", fault.name, survived ? "yes" : "no",
                recovered ? seconds : -1.0);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(kFaults), CaseName());

// Settings that are broken, or cannot be written: the program runs on what
// it could read, and the user's file is never lost.
struct SettingsFault {
    const char* name;
    std::function<std::string(TempDir&)> prepare;  // gives the settings path
    std::function<std::string(TempDir&)> wrapper;  // a shell prefix, if any
};

// Test listings name the case, not its bytes.
void PrintTo(const SettingsFault& c, std::ostream* os)
{
    *os << c.name;
}

// A folder that cannot be made is the settings tests' (the store alone).
const SettingsFault kSettingsFaults[] = {
    {"settings invalid JSON",
     [](TempDir& d) { WriteText(d.File("s.json"), "{\"Camera\": "); return d.File("s.json"); }, nullptr},
    {"settings disk full",
     [](TempDir& d) {
         WriteText(d.File("s.json"), R"({"Camera": ")" + kFaces + R"(", "CameraFps": "thirty"})");
         return d.File("s.json");
     },
     [](TempDir&) { return std::string("ulimit -f 0; exec "); }},
};

class SettingsFaults : public ::testing::TestWithParam<SettingsFault> {};

TEST_P(SettingsFaults, ProgramRunsAndTheFileIsKept)
{
    const SettingsFault& fault = GetParam();
    TempDir dir;
    const std::string path = fault.prepare(dir);
    const std::string before = ReadText(path);
    const std::string shell = (fault.wrapper ? fault.wrapper(dir) : std::string("exec ")) + VIREO_BUILD_DIR
                              + "/bin/VireoOwlEdge \"$0\"";
    ChildProcess program;
    program.Start({"/bin/sh", "-c", shell, path}, true, {QStringLiteral("VIREO_STATS=1")},
                  QString::fromStdString(dir.Path()));
    const bool runs = program.WaitFor([](const QString& log) { return log.contains(QStringLiteral("[Stats]")); }, 60000);
    const int exitCode = program.Stop(kExitWait);
    EXPECT_TRUE(runs);
    EXPECT_EQ(exitCode, 0) << program.Output();
    if (fs::exists(path + ".bad")) {
        EXPECT_EQ(ReadText(path + ".bad"), before);
    } else if (fs::is_regular_file(path)) {
        EXPECT_TRUE(ReadText(path) == before || ParseJson(ReadText(path)).isObject());
    }
    std::printf("FAULT %-30s survived %-3s\n", fault.name, runs && exitCode == 0 ? "yes" : "no");
}

INSTANTIATE_TEST_SUITE_P(Settings, SettingsFaults, ::testing::ValuesIn(kSettingsFaults), CaseName());

}  // namespace
