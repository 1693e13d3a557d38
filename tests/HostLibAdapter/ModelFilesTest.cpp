#include "HostLibAdapter/ModelFiles.h"
#include "HostLibAdapter/ModelSets.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A file whose byte i is (i * 7 + 3) mod 251, so any misplaced copy shows.
std::string Pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 7 + 3) % 251);
    return s;
}

// Missing, empty and over-long firmware and setup files are rows of the device
// back-end's connect table, and every connect there reads the default folders
// relative to the executable's.
TEST(ReadFileToBuffer, ReadsWholeFilesUpToTheLimitAndNeverPastIt)
{
    TempDir dir;
    WriteText(dir.File("exact"), Pattern(100));
    WriteText(dir.File("big"), Pattern(5000));
    fs::create_directory(dir.File("folder"));
    const struct {
        const char* name;
        std::string path;
        int limit;
        int result;
    } cases[] = {
        {"exactly the limit", dir.File("exact"), 100, 100},
        {"over the limit", dir.File("big"), 4999, -1},
        {"several chunks", dir.File("big"), 6000, 5000},
        {"directory", dir.File("folder"), 100, -1},
        {"zero limit, non-empty file", dir.File("exact"), 0, -1},
    };
    for (const auto& c : cases) {
        // Guard bytes after the limit must survive every read.
        std::vector<char> buf(static_cast<std::size_t>(c.limit) + 64, '\x5A');
        EXPECT_EQ(ReadFileToBuffer(buf.data(), c.path.c_str(), c.limit), c.result) << c.name;
        for (std::size_t i = static_cast<std::size_t>(c.limit); i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '\x5A') << c.name << " wrote byte " << i;
        EXPECT_TRUE(c.result < 0 || std::string(buf.data(), static_cast<std::size_t>(c.result)) == ReadText(c.path))
            << c.name;
    }
    char buf[4];
    EXPECT_EQ(ReadFileToBuffer(nullptr, dir.File("exact").c_str(), 4), -1);
    EXPECT_EQ(ReadFileToBuffer(buf, nullptr, 4), -1);
}

struct SplitResult {
    bool ok = false;
    QStringList messages;
    std::string fwInfo;
    std::string allModels;
};

SplitResult Split(const std::string& modelPath, const std::string& outDir)
{
    SplitResult r;
    std::string fwInfoPath;
    std::string allModelsPath;
    r.ok = SplitModelFile(modelPath, fwInfoPath, allModelsPath, outDir, [&](const QString& m) { r.messages << m; });
    if (r.ok) {
        EXPECT_EQ(std::make_pair(fwInfoPath, allModelsPath),
                  std::make_pair(outDir + "/fw_info.bin", outDir + "/all_models.bin"));
        r.fwInfo = ReadText(fwInfoPath);
        r.allModels = ReadText(allModelsPath);
    }
    return r;
}

TEST(SplitModelFile, SplitsAtTheOffsetsOrRefusesWithAClearMessage)
{
    TempDir in;
    TempDir out;
    constexpr long long kNone = -1, kFolder = -2;
    const long long largest = kModelImageLimit + 4100;
    const char* const kExtension = "[Host Lib] Invalid model file extension.";
    const struct {
        const char* name;
        std::string file;
        long long size;       // or what stands there instead of a file
        const char* message;  // the start of the one message; none when the split works
    } cases[] = {
        {"4099 bytes", "4099.bin", 4099, "[Host Lib] Invalid model file."},
        {"4100 bytes: empty model image", "4100.bin", 4100, nullptr},
        {"4101 bytes", "4101.bin", 4101, nullptr},
        {"model image of 20 MiB", "largest.bin", largest, nullptr},
        {"model image of 20 MiB + 1", "over.bin", largest + 1, "[Host Lib] Invalid model file: its model image"},
        {"no path", "", kNone, "[Host Lib] Model file not exist."},
        {"missing", "missing.bin", kNone, "[Host Lib] Model file not exist."},
        {"upper-case extension", "upper.BIN", 5000, kExtension},
        {"text extension", "model.txt", 5000, kExtension},
        {"named bin", "bin", 5000, kExtension},
        {"directory", "folder.bin", kFolder, "[Host Lib] Invalid model file: not a regular file."},
    };
    for (const auto& c : cases) {
        const std::string path = c.file.empty() ? "" : in.File(c.file);
        if (c.size == kFolder)
            fs::create_directory(path);
        else if (c.size >= 0)
            WriteText(path, Pattern(static_cast<std::size_t>(c.size)));
        const SplitResult r = Split(path, out.Path());
        ASSERT_EQ(r.ok, c.message == nullptr) << c.name;
        ASSERT_EQ(r.messages.size(), c.message == nullptr ? 0 : 1) << c.name;
        if (c.message != nullptr) {
            EXPECT_TRUE(r.messages[0].startsWith(c.message)) << c.name << ": " << r.messages[0].toStdString();
            continue;
        }
        const std::string whole = Pattern(static_cast<std::size_t>(c.size));
        EXPECT_EQ(r.fwInfo, whole.substr(0, 68)) << c.name;
        EXPECT_TRUE(r.allModels == whole.substr(4096, static_cast<std::size_t>(c.size) - 4100)) << c.name;
    }
}

// Old split files are replaced, never written through (a symlink there points
// elsewhere). The disk then fills while the next split is written (a file
// size limit stands in for it): the call fails and the old model image stays whole.
TEST(SplitModelFile, ReplacesOldFilesAndKeepsThemWholeOnAFullDisk)
{
    TempDir in;
    TempDir out;
    const std::string victim = in.File("victim");
    WriteText(victim, "keep me");
    fs::create_symlink(victim, out.File("fw_info.bin"));
    fs::create_symlink(victim, out.File("all_models.bin"));
    WriteText(in.File("model.bin"), Pattern(5000));
    ASSERT_TRUE(Split(in.File("model.bin"), out.Path()).ok);
    EXPECT_EQ(ReadText(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(out.File("fw_info.bin")));
    EXPECT_FALSE(Split(in.File("model.bin"), "").ok) << "no output directory";
    WriteText(in.File("other.bin"), Pattern(6000));
    SplitResult r;
    {
        const FileSizeLimit limit(1000);  // the new model image is 1900 bytes
        ASSERT_TRUE(limit.ok);
        r = Split(in.File("other.bin"), out.Path());
    }
    ASSERT_EQ(std::make_pair(r.ok, r.messages.size()), std::make_pair(false, 1));
    EXPECT_TRUE(r.messages[0].startsWith("[Host Lib] Writing the split model files")) << r.messages[0].toStdString();
    EXPECT_EQ(ReadText(out.File("all_models.bin")), Pattern(5000).substr(4096, 900));  // the old one, whole
}

}  // namespace
