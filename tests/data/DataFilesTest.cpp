#include "DataFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

TEST(DataFiles, EveryFileTheShowReadsIsThere)
{
    EXPECT_EQ(datafiles::showFiles().size(), 22u); // one track, four models, seventeen textures
    for (const std::string& file : datafiles::showFiles()) {
        const fs::path p = datafiles::path(file);
        ASSERT_TRUE(fs::is_regular_file(p)) << file;
        EXPECT_GT(fs::file_size(p), 0u) << file;
    }
}

TEST(DataFiles, EveryModelHasItsMaterialLibraryAndNothingElseIsWritten)
{
    std::set<std::string> expected(datafiles::showFiles().begin(), datafiles::showFiles().end());
    for (const char* model : {"arks3", "arks5", "shape_1a", "town_04"})
        expected.insert(std::string("models/") + model + ".mtl");
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(KAVRI_DATA_DIR))
        if (entry.is_regular_file())
            found.insert(fs::relative(entry.path(), KAVRI_DATA_DIR).generic_string());
    EXPECT_EQ(found, expected);
}

TEST(DataFiles, TheWholeFolderStaysUnderThreeMegabytes)
{
    uintmax_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(KAVRI_DATA_DIR))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    EXPECT_LT(bytes, 3u * 1024 * 1024);
}
