#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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
        for (const char* made : {"data", "tree", "usr", "store", "opt"})
            fs::remove_all(root / made);
    }
    // A file of the given name, with a few bytes in it.
    static void put(const fs::path& file)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "bytes";
    }
    static void fill(const fs::path& data) { put(data / "textures" / "katze.png"); }
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

namespace {

// A folder named data with the show's subfolders but none of its files (a project's own
// data beside its code) is not the show's; one with only some of the show's files (a user's
// own music, one picture) is.
TEST_F(DataFolderPlaces, AFolderCountsOnlyWhenItHoldsSomeOfTheShowsOwnFiles)
{
    const std::string started = (root / "data").string(), tree = (root / "tree/data").string();
    fill(tree);
    put(root / "data" / "models" / "house.obj");
    put(root / "data" / "textures" / "photo.png");
    put(root / "data" / "stream" / "podcast.ogg");
    fs::create_directories(root / "data" / "stream" / "zaza.ogg");   // a folder by a file's name
    EXPECT_EQ(folder().find(), tree);

    for (const char* own : {"stream/zaza.ogg", "textures/zuli!.png", "models/town_04.obj"}) {
        fs::remove_all(root / "data");
        put(root / "data" / own);
        EXPECT_EQ(folder().find(), started) << own;
    }

    // The names the rule looks for are the files the build puts in its data folder.
    for (const std::string& name : veko::DataFolder::showFiles())
        EXPECT_TRUE(fs::is_regular_file(fs::path(KAVRI_DATA_DIR) / name)) << name;
}

// An install moved elsewhere (`cmake --install --prefix`, a copied tree) finds its data folder
// from where its programs are, before the folder it was configured for; so do both layouts
// of the programs: bin/ beside share/kavri/data, games/ and bin/ beside share/games/kavri/data.
TEST_F(DataFolderPlaces, AnInstallFindsItsDataBesideItsProgramsFirst)
{
    const fs::path configured = root / "usr/share/kavri/data";
    fill(configured);
    const veko::DataFolder::Layout plain{{"bin"}, "share/kavri/data"};
    const veko::DataFolder moved((root / "opt/kavri/bin/kavri").string(), configured.string(), plain);
    EXPECT_EQ(moved.places(), (std::vector<std::string>{(root / "data").string(), (root / "opt/kavri/data").string(),
                                                         (root / "opt/kavri/share/kavri/data").string(),
                                                         configured.string()}));
    EXPECT_EQ(moved.find(), configured.string());
    fill(root / "opt/kavri/share/kavri/data");
    EXPECT_EQ(moved.find(), (root / "opt/kavri/share/kavri/data").string());

    const veko::DataFolder::Layout package{{"games", "bin"}, "share/games/kavri/data"};
    fill(root / "opt/usr/share/games/kavri/data");
    for (const char* program : {"opt/usr/games/kavri", "opt/usr/bin/kavri-capture"})
        EXPECT_EQ(veko::DataFolder((root / program).string(), configured.string(), package).find(),
                  (root / "opt/usr/share/games/kavri/data").string())
            << program;

    // A program outside the layout's folders (a build tree's) has no install around it.
    const veko::DataFolder built((root / "tree/out/kavri").string(), configured.string(), package);
    EXPECT_EQ(built.places().size(), 3u);
}

} // namespace
