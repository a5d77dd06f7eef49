#pragma once

#include "TestFolder.h"
#include "cli/BatchRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace deptrix::test {

inline const std::string kSample = std::string(DEPTRIX_SOURCE_DIR) + "/sample/scene.psd";

/// Progress that only remembers the steps the run announced.
struct QuietProgress final : BatchProgress {
    std::vector<std::string> steps;
    void beginStep(const char* step) override { steps.push_back(step); }
    void setPosition(int) override { }
};

/// A test with a private folder of its own, removed afterwards.
class BatchFolderTest : public ::testing::Test {
private:
    TestFolder m_folder;

protected:
    const std::filesystem::path& folder = m_folder.path();
};

} // namespace deptrix::test
