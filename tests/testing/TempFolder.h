#pragma once
// Runs a test inside a fresh temporary working folder, removed afterwards.
#include <filesystem>
#include <stdlib.h>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        old_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "kavrel-testing-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        std::filesystem::current_path(path_);
    }
    ~TempFolder()
    {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path old_;
    std::filesystem::path path_;
};
