#pragma once
// Runs a test inside a fresh empty working directory, removed afterwards.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "kavrel_results_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path dir_;

private:
    std::filesystem::path old_;
};
