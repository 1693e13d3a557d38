#include "settings/JsonText.h"
#include "settings/QtSettingManager.h"

#include "FileSizeLimit.h"
#include "LogLines.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const kAllKeys[] = {
    "AccessLogEnabled", "AccessLogTimeGapSec", "CacheData", "Camera", "CameraAutoReconnectSec", "CameraFps",
    "CameraResolution", "Company", "DevicePath", "DeviceTriggerMode", "DisplayMainWindow", "EnrollmentArea",
    "EnterOrLeave", "FullScreen", "InferenceMode", "PersonDetectEnabled", "RequestFIFO", "ResponseFIFO",
    "ShowHistoryTable", "UseEnrollApiForVisitor", "VisitorEnabled", "VisitorLimit"};

Json::Value FileDocument(const std::string& path)
{
    return ParseJson(ReadText(path));
}

// A first start in a fresh account: neither the file nor its folders exist.
TEST(SettingsStore, MissingOrEmptyFileIsFilledWithEveryDefaultAndSaysSo)
{
    TempDir dir;
    const std::string path = dir.File("config/vireo-owl-edge/settings.json");
    for (const bool empty : {false, true}) {
        if (empty)
            WriteText(path, "");
        LogLines log;
        QtSettingManager store;
        store.Load(path);
        EXPECT_EQ(log.Starting(QStringLiteral("[Settings]")).size(), 1);

        const Json::Value doc = FileDocument(path);
        ASSERT_TRUE(doc.isObject());
        EXPECT_EQ(doc.getMemberNames(), std::vector<std::string>(std::begin(kAllKeys), std::end(kAllKeys)));
        EXPECT_EQ(store.GetDocument(), doc) << "the store runs on what it wrote";
    }
}

// One member written into an otherwise empty file: what the store reports, what
// the file holds afterwards, and the one line a repair logs (none when empty).
TEST(SettingsStore, MergeKeepsWhatFitsAndReplacesWhatDoesNot)
{
    const struct {
        const char* name;
        const char* member;      // JSON text of the member, e.g. "\"CameraFps\": 25"
        const char* key;
        const char* expectFile;  // JSON text the member holds after the write-back
        const char* said = "";
    } cases[] = {
        {"int kept", R"("CameraFps": 25)", "CameraFps", "25"},
        {"string for int", R"("CameraFps": "25")", "CameraFps", "30",
         R"(CameraFps: "25" is not an integer; 30 is used instead)"},
        {"fraction for int", R"("CameraFps": 25.5)", "CameraFps", "30",
         "CameraFps: 25.5 is not an integer; 30 is used instead"},
        {"int beyond 32 bits", R"("CameraFps": 4294967296)", "CameraFps", "30",
         "CameraFps: 4294967296 is beyond the 32-bit range; 30 is used instead"},
        {"negative beyond 32 bits", R"("VisitorLimit": -4294967296)", "VisitorLimit", "30",
         "VisitorLimit: -4294967296 is beyond the 32-bit range; 30 is used instead"},
        {"frame rate zero", R"("CameraFps": 0)", "CameraFps", "30", "CameraFps: 0 is below 1; 30 is used instead"},
        {"negative reconnect kept", R"("CameraAutoReconnectSec": -5)", "CameraAutoReconnectSec", "-5"},
        {"number for bool", R"("FullScreen": 1)", "FullScreen", "false",
         "FullScreen: 1 is not true or false; false is used instead"},
        {"bool kept", R"("FullScreen": true)", "FullScreen", "true"},
        {"null for string", R"("Camera": null)", "Camera", "\"0\"", R"(Camera: null is not a text; "0" is used instead)"},
        {"mode kept", R"("InferenceMode": "FIFO")", "InferenceMode", "\"FIFO\""},
        {"mode in lower case", R"("InferenceMode": "fifo")", "InferenceMode", "\"NX310\"",
         R"(InferenceMode: "fifo" is not FIFO or NX310; "NX310" is used instead)"},
        {"long value cut short", R"("FullScreen": ")" "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy" R"(")", "FullScreen", "false",
         R"(FullScreen: ")" "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy" R"(... is not true or false; false is used instead)"},
        {"unusable resolution stays in the file", R"("CameraResolution": "640x0")", "CameraResolution",
         "\"640x0\"", R"(CameraResolution: "640x0" is not a width and a height joined by x; 1280x720 is used (the file keeps its text))"},
        {"nested object not compared", R"("EnrollmentArea": {"x": "left"})", "EnrollmentArea", R"({"x": "left"})"},
        {"array for object", R"("EnrollmentArea": [1, 2])", "EnrollmentArea",
         R"({"x": 400, "y": 100, "width": 400, "height": 500})",
         R"(EnrollmentArea: [1,2] is not an object; {"height":500,"width":400,"x":400,"y":100} is used instead)"},
        {"unknown member survives", R"("MyOwnKey": [1, "two"])", "MyOwnKey", R"([1, "two"])"},
        {"comments are allowed", "// my camera\n\"Camera\": \"rtsp://cam/1\"", "Camera", "\"rtsp://cam/1\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("settings.json");
        WriteText(path, std::string("{ ") + c.member + " }");
        LogLines log;
        QtSettingManager store;
        store.Load(path);
        EXPECT_EQ(FileDocument(path)[c.key], ParseJson(c.expectFile));
        EXPECT_EQ(store.GetDocument()[c.key], ParseJson(c.expectFile));
        const QStringList expected =
            *c.said ? QStringList{QStringLiteral("[Settings] ") + QString::fromUtf8(c.said)} : QStringList{};
        EXPECT_EQ(log.Starting(QStringLiteral("[Settings]")), expected);
    }
}

// Files that are not a settings object, one after the other in one place:
// each user's bytes are kept beside the new file, none over an earlier copy,
// and the defaults are used and written.
TEST(SettingsStore, BadFilesAreKeptAsBadAndReplacedByDefaults)
{
    const std::pair<const char*, std::string> cases[] = {
        {"truncated", "{\"Camera\": \"1\","},
        {"top level array", "[1, 2, 3]"},
        {"top level string", "\"just text\""},
        {"nested beyond the reader's limit", std::string(5000, '[') + std::string(5000, ']')},
        {"10 MB", std::string(10 << 20, ' ') + "{}"},
    };
    TempDir dir;
    const std::string path = dir.File("settings.json");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        WriteText(path, cases[i].second);
        QtSettingManager store;
        store.Load(path);
        EXPECT_EQ(ReadText(i == 0 ? path + ".bad" : path + ".bad." + std::to_string(i + 1)), cases[i].second);
        EXPECT_EQ(std::make_pair(FileDocument(path)["Camera"].asString(), store.GetCameraFps()),
                  std::make_pair(std::string("0"), 30));
    }
    EXPECT_EQ(ReadText(path + ".bad"), cases[0].second) << "the first copy was overwritten";
}

TEST(SettingsStore, UnusablePathsRunOnDefaultsAndTouchNothing)
{
    TempDir dir;
    WriteText(dir.File("plainfile"), "x");
    fs::create_directory(dir.File("adir"));
    for (const std::string& path : {dir.File("plainfile/settings.json"), dir.File("plainfile/sub/settings.json"),
                                    dir.File("adir")}) {
        QtSettingManager store;
        store.Load(path);
        EXPECT_EQ(std::make_pair(store.GetCameraFps(), store.GetInferenceMode()), std::make_pair(30, InferenceMode::Nx310))
            << path;
    }
    EXPECT_TRUE(fs::is_directory(dir.File("adir")));
    EXPECT_EQ(ReadText(dir.File("plainfile")), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

// The typed values follow the merged document, whether or not it could be written back.
TEST(SettingsStore, FullDiskLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.File("settings.json");
    const std::string original = R"({"FullScreen": 1, "CameraFps": 25, "InferenceMode": "FIFO", "CameraResolution":
        "640x480", "Camera": "clip.avi", "CameraAutoReconnectSec": 0, "DisplayMainWindow": false})";
    WriteText(path, original);
    QtSettingManager store;
    {
        const FileSizeLimit limit(64);  // far less than the completed document
        ASSERT_TRUE(limit.ok);
        store.Load(path);
    }
    EXPECT_EQ(ReadText(path), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    EXPECT_EQ(std::make_tuple(store.IsFullScreen(), store.GetCameraFps(), store.GetInferenceMode(),
                              store.GetCameraResolution(), store.GetCamera(), store.GetCameraAutoReconnectSec(),
                              store.IsDisplayMainWindow()),
              std::make_tuple(false, 25, InferenceMode::Fifo, std::make_pair(640, 480), "clip.avi", 0, false));
}

}  // namespace
