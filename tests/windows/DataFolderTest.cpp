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

namespace {

// Removes a folder and everything in it, at any depth: name is an extended-length ("\\?\") path.
void removeTree(const std::wstring& name)
{
    WIN32_FIND_DATAW entry;
    const HANDLE found = FindFirstFileW((name + L"\\*").c_str(), &entry);
    for (BOOL more = found != INVALID_HANDLE_VALUE; more; more = FindNextFileW(found, &entry)) {
        const std::wstring part = entry.cFileName;
        if (part == L"." || part == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            removeTree(name + L"\\" + part);
        else
            DeleteFileW((name + L"\\" + part).c_str());
    }
    if (found != INVALID_HANDLE_VALUE)
        FindClose(found);
    RemoveDirectoryW(name.c_str());
}

} // namespace

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

// Unpacked deeper than Windows' 260 characters: the folder is found, entered (by its short
// name where the long one is too long for a working directory) and read from as ..\data.
TEST(WindowsDataFolder, FoundAndEnteredDeeperThanWindowsPaths)
{
    const fs::path started = fs::current_path();
    const fs::path root = fs::temp_directory_path() / ("kavri deep " + std::to_string(GetCurrentProcessId()));
    fs::path kavri = root;
    for (int i = 0; i < 5; ++i)
        kavri /= "a folder with a long name, as users have them " + std::to_string(i);
    ASSERT_GT(kavri.wstring().size(), static_cast<size_t>(MAX_PATH));
    fs::create_directories(kavri / "bin");
    fs::create_directories(kavri / "data" / "textures");
    std::ofstream(kavri / "data" / "textures" / "katze.png", std::ios::binary) << "picture";

    const veko::DataFolder folder((kavri / "bin" / "kavri.exe").u8string(), "");
    EXPECT_EQ(fs::u8path(folder.find()), kavri / "data");
    EXPECT_TRUE(folder.enter("kavri"));
    std::string bytes, why;
    EXPECT_EQ(veko::FileGate::OPENED, veko::FileGate::read("..\\data\\textures\\katze.png", &bytes, &why)) << why;
    EXPECT_EQ("picture", bytes);

    fs::current_path(started);
    removeTree(L"\\\\?\\" + root.wstring());
    EXPECT_FALSE(fs::exists(root));
}
