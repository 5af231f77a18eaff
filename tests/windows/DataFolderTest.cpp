// SPDX-License-Identifier: MIT
// The data folder on Windows, in a place whose name is not ASCII (a user's folder often
// is not): found beside the program, entered, and its files read through the gate.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <windows.h>

#include "platform/DataFolder.h"
#include "platform/FileGate.h"

namespace fs = std::filesystem;

TEST(WindowsDataFolder, FoundBesideTheProgramUnderANameThatIsNotAscii)
{
    const fs::path started = fs::current_path();
    const fs::path root =
        fs::temp_directory_path() / fs::u8path("J\xc3\xbcrgen's \xe2\x9c\x93 " + std::to_string(GetCurrentProcessId()));
    fs::create_directories(root / "kavri" / "bin");
    fs::create_directories(root / "kavri" / "data" / "textures");
    fs::create_directories(root / "elsewhere");
    std::ofstream(root / "kavri" / "data" / "textures" / "katze.png", std::ios::binary) << "picture";

    // Started from another folder, as from a shortcut: the folder beside the program.
    fs::current_path(root / "elsewhere");
    const veko::DataFolder folder((root / "kavri" / "bin" / "kavri.exe").u8string(), "");
    EXPECT_EQ(fs::u8path(folder.find()), root / "kavri" / "data");
    EXPECT_TRUE(folder.enter("kavri"));
    std::string bytes, why;
    EXPECT_EQ(veko::FileGate::OPENED, veko::FileGate::read("..\\data\\textures\\katze.png", &bytes, &why)) << why;
    EXPECT_EQ("picture", bytes);

    fs::current_path(started);
    fs::remove_all(root);
}
