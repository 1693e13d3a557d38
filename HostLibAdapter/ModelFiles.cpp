#include "HostLibAdapter/ModelFiles.h"

#include "HostLibAdapter/FileReplace.h"
#include "HostLibAdapter/ModelSets.h"
#include "settings/AppPaths.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrorText(int code)
{
    return std::generic_category().message(code);
}

constexpr std::size_t kChunk = 1024;

}  // namespace

int ReadFileToBuffer(char* buf, const char* path, int maxSize)
{
    if (buf == nullptr || path == nullptr || maxSize < 0) {
        std::printf("file name or buffer is null!\n");
        return -1;
    }
    const std::string full = FromExecutableDir(path);
    std::error_code ec;
    const fs::file_status status = fs::status(full, ec);
    if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
        std::printf("opening file %s failed, error:%s.!\n", path, "not a regular file");
        return -1;
    }
    errno = 0;
    File file(std::fopen(full.c_str(), "rb"));
    if (!file) {
        std::printf("opening file %s failed, error:%s.!\n", path, ErrorText(errno).c_str());
        return -1;
    }
    std::size_t total = 0;
    const auto limit = static_cast<std::size_t>(maxSize);
    while (total < limit) {
        const std::size_t want = std::min(kChunk, limit - total);
        const std::size_t got = std::fread(buf + total, 1, want, file.get());
        total += got;
        if (got < want)
            break;
    }
    if (std::ferror(file.get())) {
        std::printf("reading from img file failed:%s.!\n", path);
        return -1;
    }
    // Filled up to the limit: one more byte means the file is too long.
    char extra;
    if (total == limit && std::fread(&extra, 1, 1, file.get()) == 1) {
        std::printf("buffer is not enough.!\n");
        return -1;
    }
    return static_cast<int>(total);
}

bool SplitModelFile(const std::string& ModelPath, std::string& FwInfoPath, std::string& AllModelsPath,
                    const std::string& outputDir, const MessageFn& msg)
{
    const fs::path model = fs::u8path(ModelPath);
    std::error_code ec;
    const fs::file_status status = fs::status(model, ec);
    if (ModelPath.empty() || !fs::exists(status)) {
        msg("[Host Lib] Model file not exist.");
        return false;
    }
    if (!fs::is_regular_file(status)) {
        msg("[Host Lib] Invalid model file: not a regular file.");
        return false;
    }
    if (model.extension().u8string() != ".bin") {
        msg("[Host Lib] Invalid model file extension.");
        return false;
    }
    if (outputDir.empty()) {
        msg("[Host Lib] No private temporary directory for the split model files.");
        return false;
    }
    FwInfoPath = outputDir + "/fw_info.bin";
    AllModelsPath = outputDir + "/all_models.bin";

    File file(std::fopen(ModelPath.c_str(), "rb"));
    if (!file) {
        msg("[Host Lib] Open model file fail.");
        return false;
    }
    const std::uintmax_t size = fs::file_size(model, ec);
    if (ec || size <= static_cast<std::uintmax_t>(kUserModelOffset + kUserTrailerSize - 1)) {
        msg("[Host Lib] Invalid model file.");
        return false;
    }
    const std::uintmax_t imageSize = size - kUserModelOffset - kUserTrailerSize;
    if (imageSize > static_cast<std::uintmax_t>(kModelImageLimit)) {
        msg(QString("[Host Lib] Invalid model file: its model image of %1 bytes is over the limit of %2.")
                .arg(static_cast<qulonglong>(imageSize))
                .arg(kModelImageLimit));
        return false;
    }
    std::vector<char> contents(static_cast<std::size_t>(size));
    if (std::fread(contents.data(), 1, contents.size(), file.get()) != contents.size()) {
        msg("[Host Lib] Invalid model file.");
        return false;
    }
    std::string error;
    if (!ReplaceFileContents(FwInfoPath, contents.data(), kUserSetupSize, error) ||
        !ReplaceFileContents(AllModelsPath, contents.data() + kUserModelOffset, static_cast<std::size_t>(imageSize),
                             error)) {
        msg(QString("[Host Lib] Writing the split model files to %1 failed: %2")
                .arg(QString::fromStdString(outputDir), QString::fromStdString(error)));
        return false;
    }
    return true;
}
