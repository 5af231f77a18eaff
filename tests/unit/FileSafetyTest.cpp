// SPDX-License-Identifier: MIT
// What users may put in the data folder in place of a file: named pipes, directories, huge
// sparse files, pictures whose header declares gigabytes. Nothing of it may block, crash or
// flood the show: each is refused before it is read, with one line naming it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "app/LoadReport.h"
#include "env/Env.h"
#include "platform/FileGate.h"
#include "TestSupport.h"

namespace {

class ScratchFolder {
public:
    ScratchFolder()
    {
        char root[] = "/tmp/kavri-files-XXXXXX";
        mRoot = mkdtemp(root) ? root : "/tmp";
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mRoot, ignored);
    }
    std::string path(const std::string& name) const { return mRoot + "/" + name; }

private:
    std::string mRoot;
};

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string pngChunk(const char* type, const std::string& data)
{
    std::string chunk;
    const uint32_t length = static_cast<uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += static_cast<char>((length >> shift) & 0xff);
    const std::string body = std::string(type, 4) + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    chunk += body;
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += static_cast<char>((crc >> shift) & 0xff);
    return chunk;
}

// A PNG header declaring width x height (8-bit RGBA), and a first empty data chunk.
std::string pngHeader(uint32_t width, uint32_t height)
{
    std::string ihdr;
    for (uint32_t value : { width, height })
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += static_cast<char>((value >> shift) & 0xff);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", "");
}

TEST(FileGate, OpensOnlyRegularFilesOfASaneSize)
{
    ScratchFolder folder;
    writeFile(folder.path("ok.png"), "x");
    mkfifo(folder.path("pipe.png").c_str(), 0600);   // no writer: a plain open() would block
    mkdir(folder.path("dir.obj").c_str(), 0700);
    const int sparse = open(folder.path("huge.obj").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_EQ(ftruncate(sparse, 30LL << 30), 0);   // 30 GB, no blocks
    close(sparse);

    struct Case { const char* name; veko::FileGate::Status status; const char* why; };
    const Case cases[] = {
        { "ok.png", veko::FileGate::OPENED, "" },
        { "pipe.png", veko::FileGate::REFUSED, "named pipe" },
        { "dir.obj", veko::FileGate::REFUSED, "directory" },
        { "huge.obj", veko::FileGate::REFUSED, "larger than 32 MB" },
        { "none.png", veko::FileGate::MISSING, "missing" },
    };
    for (const Case& c : cases) {
        int fd = -1;
        long long size = -1;
        std::string why;
        EXPECT_EQ(veko::FileGate::open(folder.path(c.name), &fd, &size, &why), c.status) << c.name;
        EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
        EXPECT_EQ(fd >= 0, c.status == veko::FileGate::OPENED) << c.name;
        if (fd >= 0)
            close(fd);
    }
}

// Through the engine, as the scenes load: each hostile file gives one line and no texture or
// an empty mesh; a good picture still loads.
TEST(FileSafety, TheEngineGetsNothingHostileAndEachFileIsNamedOnce)
{
    ScratchFolder folder;
    mkfifo(folder.path("pipe.png").c_str(), 0600);
    mkfifo(folder.path("pipe.obj").c_str(), 0600);
    writeFile(folder.path("wrap.png"), pngHeader(1525, 704093));     // w*h*4 wraps in 32 bits
    writeFile(folder.path("bomb.png"), pngHeader(30000, 30000));
    writeFile(folder.path("budget.png"), pngHeader(8000, 8000));     // a side the driver holds
    writeFile(folder.path("jpeg.png"), "\xff\xd8\xff\xe0 not a PNG");
    writeFile(folder.path("named\x1b]2;owned\a.png"), "");

    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    ASSERT_NE(device, nullptr);
    veko::Env* env = new veko::Env(device);
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    std::string err;
    {
        veko::LoadReport report(device);
        ::testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        for (const char* name : { "pipe.png", "wrap.png", "bomb.png", "budget.png", "jpeg.png",
                                  "named\x1b]2;owned\a.png" })
            EXPECT_EQ(driver->getTexture(folder.path(name).c_str()), nullptr) << name;
        irr::scene::IAnimatedMesh* mesh = env->sceneManager()->getMesh(folder.path("pipe.obj").c_str());
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->getMesh(0)->getMeshBufferCount(), 0u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        err = ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 7) << err;
    for (const char* said : { "pipe.png\" is left out: it is a named pipe", "1525x704093", "30000x30000",
                              "8000x8000 would take the show's textures past", "jpeg.png\" is left out: it is not a PNG",
                              "named\\x1b]2;owned\\x07.png", "pipe.obj\" is left out: it is a named pipe" })
        EXPECT_NE(err.find(said), std::string::npos) << said << "\n" << err;
    EXPECT_EQ(err.find('\x1b'), std::string::npos);

    // What the engine can hold still loads after all that.
    const std::string good = folder.path("good.png");
    irr::video::IImage* image = driver->createImage(irr::video::ECF_A8R8G8B8, irr::core::dimension2du(4, 2));
    ASSERT_TRUE(driver->writeImageToFile(image, good.c_str()));
    image->drop();
    EXPECT_NE(driver->getTexture(good.c_str()), nullptr);

    delete env;
    device->drop();
}

} // namespace
