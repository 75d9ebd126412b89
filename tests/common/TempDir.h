#pragma once
// Runs a test inside a fresh temporary folder, since the program keeps all
// of its files in the working folder. The folder is removed afterwards.
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/kavrel-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made ? made : "/tmp";
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};
