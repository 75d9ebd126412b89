#pragma once
// A test fixture that runs each test inside a fresh empty working folder.
#include "TempDir.h"

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
protected:
    TempDir temp_;
    const std::filesystem::path& dir_ = temp_.Path();
};
