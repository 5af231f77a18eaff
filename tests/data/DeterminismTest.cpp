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

static fs::path generateInto(const std::string& name)
{
    const fs::path folder = fs::temp_directory_path() / (name + std::to_string(::getpid()));
    fs::remove_all(folder);
    const std::string command = std::string("\"") + KAVRI_DATAGEN + "\" \"" + folder.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder;
}

// Two runs of the generator, into fresh folders, write the same bytes. (The build's own
// folder may hold the user's files from data/ in place of ours.)
TEST(Generator, TwoRunsWriteIdenticalBytes)
{
    const fs::path first = generateInto("kavri-datagen-a-");
    const fs::path second = generateInto("kavri-datagen-b-");
    const std::set<std::string> files = filesUnder(first);
    EXPECT_EQ(filesUnder(second), files);
    EXPECT_EQ(files.size(), filesUnder(KAVRI_DATA_DIR).size());
    for (const std::string& file : files)
        EXPECT_TRUE(contents(first / file) == contents(second / file)) << file << " differs";
    fs::remove_all(first);
    fs::remove_all(second);
}

TEST(Generator, RefusesToRunWithoutATargetFolder)
{
    const std::string command = std::string("\"") + KAVRI_DATAGEN + "\" 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0);
}
