#pragma once
// A scratch directory per test, removed afterwards.

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Whole-file helpers for test fixtures.
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
