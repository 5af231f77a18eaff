#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/DataFolder.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

// A started-from folder, a build tree and an installed prefix, each with or without a data
// folder that holds the show's files.
class DataFolderPlaces : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cwd.entered());
        root = fs::current_path().parent_path();   // the scratch folder; we are in its bin/
        fs::create_directories(root / "tree" / "bin");
        fs::create_directories(root / "usr" / "share" / "kavri");
    }
    void TearDown() override
    {
        fs::current_path(root / "bin");
        for (const char* made : {"data", "tree", "usr", "store"})
            fs::remove_all(root / made);
    }
    static void fill(const fs::path& data) { fs::create_directories(data / "textures"); }
    veko::DataFolder folder() const
    {
        return veko::DataFolder((root / "tree" / "bin" / "kavri").string(), (root / "usr/share/kavri/data").string());
    }

    testing_support::EmptyWorkingDirectory cwd;
    fs::path root;
};

TEST_F(DataFolderPlaces, FirstPlaceHoldingTheFilesWinsAndNoneIsSaidInOneLine)
{
    const std::string started = (root / "data").string(), tree = (root / "tree/data").string(),
                      installed = (root / "usr/share/kavri/data").string();
    EXPECT_EQ(folder().places(), (std::vector<std::string>{started, tree, installed}));

    // None: an unrelated folder named data is not the show's.
    fs::create_directories(root / "data" / "photos");
    EXPECT_EQ(folder().find(), "");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(folder().enter("kavri"));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    for (const std::string& place : {started, tree, installed})
        EXPECT_NE(said.find(place), std::string::npos) << said;
    EXPECT_EQ(fs::current_path(), root / "bin");

    // Each place in turn, later ones standing by.
    fill(installed);
    EXPECT_EQ(folder().find(), installed);
    fill(tree);
    EXPECT_EQ(folder().find(), tree);
    fill(started);
    EXPECT_EQ(folder().find(), started);
}

TEST_F(DataFolderPlaces, EnteringMakesDotDotDataTheFolderFound)
{
    fill(root / "usr/share/kavri/data");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(folder().enter("kavri"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(fs::equivalent("../data/textures", root / "usr/share/kavri/data/textures"));

    // Started from the build tree's bin folder, its data folder is named once.
    fs::current_path(root / "tree" / "bin");
    EXPECT_EQ(folder().places().size(), 2u);
}

// Art kept elsewhere, linked in as "data": read where the link points, from beside the link,
// or refused in one line when nothing beside the link can be entered.
TEST_F(DataFolderPlaces, ALinkedDataFolderIsReadWhereItPoints)
{
    const fs::path art = root / "store" / "kavri-art";
    fill(art);
    fs::create_directory_symlink(art, root / "tree" / "data");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(folder().enter("kavri"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(fs::equivalent("../data/textures", art / "textures"));
    EXPECT_EQ(fs::current_path(), root / "tree" / "bin");

    // The installed folder alone in its parent: no folder beside the link to enter.
    fs::current_path(root / "bin");
    fs::remove(root / "tree" / "data");
    fs::create_directory_symlink(art, root / "usr/share/kavri/data");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(folder().enter("kavri"));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find((root / "usr/share/kavri/data").string()), std::string::npos) << said;
    EXPECT_EQ(fs::current_path(), root / "bin");
}

} // namespace
