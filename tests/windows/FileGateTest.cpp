// SPDX-License-Identifier: MIT
// The file gate on Windows: the system's own non-files (devices such as CON or aux.png, the
// device namespace with its pipes, directories) are refused before anything reads them, and
// regular files are read whatever their names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <windows.h>

#include "platform/FileGate.h"
#include "platform/WideText.h"

namespace fs = std::filesystem;
using veko::FileGate;

namespace {

class WindowsFileGate : public ::testing::Test {
protected:
    void SetUp() override
    {
        mFolder = fs::temp_directory_path() / fs::u8path("kavri gate \xc3\xbc " + std::to_string(GetCurrentProcessId()));
        fs::create_directories(mFolder / "textures");
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(L"\\\\?\\" + mFolder.wstring(), ignored);
    }
    std::string path(const std::string& name) const { return (mFolder / fs::u8path(name)).u8string(); }

    fs::path mFolder;
};

TEST_F(WindowsFileGate, ReadsRegularFilesWhateverTheirNames)
{
    for (const std::string name : {"plain.png", "\xc3\xbcn\xc3\xaf" "c\xc3\xb8" "d\xc3\xa9 \xe2\x9c\x93.png",
                                   "textures\\in a folder.ogg", "textures/slashes.obj"}) {
        std::ofstream(fs::u8path(path(name)), std::ios::binary) << "bytes of " << name;
        std::string bytes, why;
        EXPECT_EQ(FileGate::OPENED, FileGate::read(path(name), &bytes, &why)) << name << ": " << why;
        EXPECT_EQ("bytes of " + name, bytes);
    }
}

TEST_F(WindowsFileGate, TellsMissingFromRefused)
{
    for (const std::string name : {"nothing.png", "no folder\\nothing.png"}) {
        int fd = -1;
        long long size = 0;
        std::string why;
        EXPECT_EQ(FileGate::MISSING, FileGate::open(path(name), &fd, &size, &why)) << name << ": " << why;
        EXPECT_EQ(-1, fd);
    }
}

TEST_F(WindowsFileGate, RefusesDevicesPipesAndDirectoriesWithoutOpeningThem)
{
    // A pipe with a single instance: a reader that had connected would hold it.
    const std::wstring pipeName = L"\\\\.\\pipe\\kavri-gate-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);

    struct Case {
        std::string path;
        const char* said;
    } cases[] = {
        {"CON", "device"},
        {"NUL", "device"},
        {path("aux.png"), "device"},
        {path("textures\\COM1.ogg"), "device"},
        {path("textures\\lpt9"), "device"},
        {veko::narrow(pipeName), "device namespace"},
        {"\\\\?\\" + path("plain.png"), "device namespace"},
        {path("textures"), "directory"},
    };
    for (const Case& c : cases) {
        int fd = -1;
        long long size = 0;
        std::string why;
        EXPECT_EQ(FileGate::REFUSED, FileGate::open(c.path, &fd, &size, &why)) << c.path;
        EXPECT_EQ(-1, fd) << c.path;
        EXPECT_NE(std::string::npos, why.find(c.said)) << c.path << ": " << why;
    }

    const HANDLE reader = CreateFileW(pipeName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader) << "the gate connected to the pipe";
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    CloseHandle(pipe);
}

// A folder named like a device is an ordinary folder: only the last part of a path can name a
// device. Users unpack the show anywhere (aux.demos, con.d, Nul.backup); the names the show
// itself asks for, relative to its working directory, are judged in every part.
TEST_F(WindowsFileGate, ADeviceNameCountsOnlyLastOrInTheShowsOwnNames)
{
    const fs::path started = fs::current_path();
    for (const char* folder : {"aux.demos", "con.d\\Nul.backup"}) {
        const fs::path data = mFolder / fs::u8path(folder) / "data";
        // Made by their full names ("\\?\"), as another system or Windows 11 makes them.
        fs::create_directories(L"\\\\?\\" + (data / "textures").wstring());
        fs::create_directories(L"\\\\?\\" + (mFolder / fs::u8path(folder) / "bin").wstring());
        std::ofstream(data / "textures" / "pic.png", std::ios::binary) << "picture";
        std::string bytes, why;
        EXPECT_EQ(FileGate::OPENED, FileGate::read((data / "textures" / "pic.png").u8string(), &bytes, &why))
            << folder << ": " << why;
        EXPECT_EQ("picture", bytes);

        fs::current_path(data / ".." / "bin");
        EXPECT_EQ(FileGate::OPENED, FileGate::read("..\\data\\textures\\pic.png", &bytes, &why)) << folder << ": " << why;
        EXPECT_EQ(FileGate::REFUSED, FileGate::read("..\\data\\textures\\con.png", &bytes, &why)) << folder;
        EXPECT_EQ(FileGate::REFUSED, FileGate::read("..\\data\\aux.d\\pic.png", &bytes, &why)) << folder;
        EXPECT_NE(std::string::npos, why.find("device")) << why;
        fs::current_path(started);
        EXPECT_EQ(FileGate::REFUSED, FileGate::read((data / "textures" / "nul.png").u8string(), &bytes, &why)) << folder;
    }
}

} // namespace
