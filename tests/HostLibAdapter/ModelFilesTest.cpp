#include "HostLibAdapter/ModelFiles.h"
#include "HostLibAdapter/ModelSets.h"
#include "TempDir.h"
#include "settings/AppPaths.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>
#include <fstream>
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

void WriteSized(const std::string& path, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    const std::string chunk = Pattern(1 << 20);
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(chunk.size(), size - done);
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        done += n;
    }
}

TEST(ReadFileToBuffer, ReadsWholeFilesUpToTheLimitAndNeverPastIt)
{
    TempDir dir;
    WriteText(dir.File("exact"), Pattern(100));
    WriteText(dir.File("over"), Pattern(101));
    WriteText(dir.File("empty"), "");
    WriteText(dir.File("big"), Pattern(5000));
    fs::create_directory(dir.File("folder"));
    const struct {
        const char* name;
        std::string path;
        int limit;
        int result;
    } cases[] = {
        {"exactly the limit", dir.File("exact"), 100, 100},
        {"one byte over", dir.File("over"), 100, -1},
        {"empty file", dir.File("empty"), 100, 0},
        {"several chunks", dir.File("big"), 6000, 5000},
        {"missing", dir.File("missing"), 100, -1},
        {"directory", dir.File("folder"), 100, -1},
        {"zero limit, non-empty file", dir.File("exact"), 0, -1},
    };
    for (const auto& c : cases) {
        // Guard bytes after the limit must survive every read.
        std::vector<char> buf(static_cast<std::size_t>(c.limit) + 64, '\x5A');
        EXPECT_EQ(ReadFileToBuffer(buf.data(), c.path.c_str(), c.limit), c.result) << c.name;
        for (std::size_t i = static_cast<std::size_t>(c.limit); i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '\x5A') << c.name << " wrote byte " << i;
        if (c.result > 0) {
            EXPECT_EQ(std::string(buf.data(), static_cast<std::size_t>(c.result)), ReadText(c.path)) << c.name;
        }
    }
    char buf[4];
    EXPECT_EQ(ReadFileToBuffer(nullptr, dir.File("exact").c_str(), 4), -1);
    EXPECT_EQ(ReadFileToBuffer(buf, nullptr, 4), -1);
}

TEST(ReadFileToBuffer, RelativePathsStartAtTheExecutablesDirectory)
{
    TempDir dir;
    WriteText(dir.File("relative.bin"), "abc");
    const std::string relative = fs::relative(dir.File("relative.bin"), ExecutableDir()).string();
    ASSERT_FALSE(IsAbsolutePath(relative));
    char buf[8] = {};
    EXPECT_EQ(ReadFileToBuffer(buf, relative.c_str(), sizeof buf), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
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
    r.ok = SplitModelFile(modelPath, fwInfoPath, allModelsPath, outDir,
                          [&](const QString& m) { r.messages << m; });
    if (r.ok) {
        EXPECT_EQ(fwInfoPath, outDir + "/fw_info.bin");
        EXPECT_EQ(allModelsPath, outDir + "/all_models.bin");
        r.fwInfo = ReadText(fwInfoPath);
        r.allModels = ReadText(allModelsPath);
    }
    return r;
}

TEST(SplitModelFile, SplitsSetupAndModelImageAtTheirOffsets)
{
    TempDir in;
    TempDir out;
    const struct {
        std::size_t size;
        bool ok;
        std::size_t modelBytes;
    } cases[] = {{4099, false, 0}, {4100, true, 0}, {4101, true, 1}, {70000, true, 70000 - 4100}};
    for (const auto& c : cases) {
        const std::string path = in.File("model" + std::to_string(c.size) + ".bin");
        WriteText(path, Pattern(c.size));
        const SplitResult r = Split(path, out.Path());
        ASSERT_EQ(r.ok, c.ok) << c.size;
        if (!c.ok) {
            EXPECT_EQ(r.messages, QStringList{"[Host Lib] Invalid model file."}) << c.size;
            continue;
        }
        const std::string whole = Pattern(c.size);
        EXPECT_EQ(r.fwInfo, whole.substr(0, 68)) << c.size;
        EXPECT_EQ(r.allModels, whole.substr(4096, c.modelBytes)) << c.size;
        EXPECT_TRUE(r.messages.isEmpty()) << c.size;
    }
}

TEST(SplitModelFile, RefusesModelImagesOverTwentyMebibytes)
{
    TempDir in;
    TempDir out;
    const std::string largest = in.File("largest.bin");
    WriteSized(largest, static_cast<std::size_t>(kModelImageLimit) + 4100);
    const SplitResult ok = Split(largest, out.Path());
    ASSERT_TRUE(ok.ok);
    EXPECT_EQ(ok.allModels.size(), static_cast<std::size_t>(kModelImageLimit));

    const std::string over = in.File("over.bin");
    WriteSized(over, static_cast<std::size_t>(kModelImageLimit) + 4101);
    const SplitResult refused = Split(over, out.Path());
    EXPECT_FALSE(refused.ok);
    ASSERT_EQ(refused.messages.size(), 1);
    EXPECT_TRUE(refused.messages[0].startsWith("[Host Lib] Invalid model file:")) << refused.messages[0].toStdString();
}

TEST(SplitModelFile, RefusesWhatIsNotAModelFileWithAClearMessage)
{
    TempDir in;
    TempDir out;
    WriteText(in.File("upper.BIN"), Pattern(5000));
    WriteText(in.File("model.txt"), Pattern(5000));
    WriteText(in.File("bin"), Pattern(5000));
    fs::create_directory(in.File("folder.bin"));
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {"", "[Host Lib] Model file not exist."},
        {in.File("missing.bin"), "[Host Lib] Model file not exist."},
        {in.File("upper.BIN"), "[Host Lib] Invalid model file extension."},
        {in.File("model.txt"), "[Host Lib] Invalid model file extension."},
        {in.File("bin"), "[Host Lib] Invalid model file extension."},
        {in.File("folder.bin"), "[Host Lib] Invalid model file: not a regular file."},
    };
    for (const auto& c : cases) {
        const SplitResult r = Split(c.path, out.Path());
        EXPECT_FALSE(r.ok) << c.path;
        EXPECT_EQ(r.messages, QStringList{c.message}) << c.path;
    }
    if (geteuid() != 0) {  // root reads anything
        const std::string locked = in.File("locked.bin");
        WriteText(locked, Pattern(5000));
        fs::permissions(locked, fs::perms::none);
        const SplitResult r = Split(locked, out.Path());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.messages, QStringList{"[Host Lib] Open model file fail."});
    }
}

TEST(SplitModelFile, ReplacesSymlinksInsteadOfWritingThroughThem)
{
    TempDir in;
    TempDir out;
    const std::string victim = in.File("victim");
    WriteText(victim, "keep me");
    fs::create_symlink(victim, out.File("fw_info.bin"));
    fs::create_symlink(victim, out.File("all_models.bin"));
    WriteText(in.File("model.bin"), Pattern(5000));
    const SplitResult r = Split(in.File("model.bin"), out.Path());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(ReadText(victim), "keep me");
    EXPECT_FALSE(fs::is_symlink(out.File("fw_info.bin")));
    EXPECT_EQ(r.fwInfo.size(), 68u);
    EXPECT_EQ(r.allModels.size(), 5000u - 4100u);
}

TEST(SplitModelFile, AnUnwritableDirectoryFailsAndLeavesNoPartialFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    TempDir in;
    TempDir out;
    WriteText(in.File("model.bin"), Pattern(5000));
    ASSERT_TRUE(Split(in.File("model.bin"), out.Path()).ok);
    WriteText(in.File("other.bin"), Pattern(6000));
    fs::permissions(out.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    const SplitResult r = Split(in.File("other.bin"), out.Path());
    fs::permissions(out.Path(), fs::perms::owner_all);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages[0].startsWith("[Host Lib] Writing the split model files")) << r.messages[0].toStdString();
    EXPECT_EQ(ReadText(out.File("all_models.bin")).size(), 5000u - 4100u);  // the old one, whole
    EXPECT_FALSE(Split(in.File("other.bin"), "").ok);
}

TEST(DmeConfig, RecordsForEveryModel)
{
    const struct {
        int mode;
        const char* folder;
        std::uint32_t id, outputs, format;
    } cases[] = {
        {0, "mask", 3, 8, 0x80000060u},   {1, "age_gender", 3, 1, 0x81000060u}, {2, "yolo", 19, 2, 0x80000060u},
        {3, "mask", 3, 8, 0x80000060u},
    };
    for (const auto& c : cases) {
        ModelSet set;
        ASSERT_TRUE(ModelSetFor(c.mode, "models", 640, 480, set)) << c.mode;
        EXPECT_EQ(set.setupPath, std::string("models/") + c.folder + "/fw_info.bin");
        EXPECT_EQ(set.modelPath, std::string("models/") + c.folder + "/all_models.bin");
        EXPECT_EQ(set.setupLimit, 512);
        EXPECT_EQ(set.config.ModelId, c.id) << c.mode;
        EXPECT_EQ(set.config.OutputCount, c.outputs) << c.mode;
        EXPECT_EQ(set.config.ImageFormat, c.format) << c.mode;
    }
    ModelSet none;
    EXPECT_FALSE(ModelSetFor(4, "models", 640, 480, none));
    EXPECT_FALSE(ModelSetFor(5, "models", 640, 480, none));

    const ModelSet user = UserModelSet("a", "b", 1280, 720);
    EXPECT_EQ(user.setupLimit, 128);
    const auto bytes = user.config.ToBytes();
    const unsigned char expected[24] = {0xE8, 0x03, 0, 0, 1, 0, 0, 0, 0x00, 0x05, 0, 0,
                                        0xD0, 0x02, 0, 0, 3, 0, 0, 0, 0x60, 0x00, 0x10, 0x90};
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]), expected[i]) << i;
}

}  // namespace
