#include "DataFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> filesUnder(const fs::path& root)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), root).generic_string());
    return files;
}

} // namespace

// A second run of the generator, into a fresh folder, writes the same bytes
// as the run of the build.
TEST(Generator, TwoRunsWriteIdenticalBytes)
{
    const fs::path fresh = fs::temp_directory_path() / ("kavri-datagen-" + std::to_string(::getpid()));
    fs::remove_all(fresh);
    const std::string command = std::string("\"") + KAVRI_DATAGEN + "\" \"" + fresh.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::set<std::string> built = filesUnder(KAVRI_DATA_DIR);
    EXPECT_EQ(filesUnder(fresh), built);
    for (const std::string& file : built)
        EXPECT_TRUE(contents(fresh / file) == contents(fs::path(KAVRI_DATA_DIR) / file)) << file << " differs";
    fs::remove_all(fresh);
}

TEST(Generator, RefusesToRunWithoutATargetFolder)
{
    const std::string command = std::string("\"") + KAVRI_DATAGEN + "\" 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0);
}
