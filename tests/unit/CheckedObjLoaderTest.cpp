#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "env/CheckedObjLoader.h"
#include "env/Env.h"
#include "TestSupport.h"

using veko::CheckedObjLoader;

namespace {

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 -1\n";

bool accepted(const std::string& text)
{
    std::string why;
    return CheckedObjLoader::check(text.data(), text.size(), &why);
}

TEST(CheckedObjLoader, AcceptsWellFormedFaces)
{
    EXPECT_TRUE(accepted(kTriangle + "f 1 2 3\n"));
    EXPECT_TRUE(accepted(kTriangle + "f 1/1/1 2/1/1 3/1/1 1/1/1\n"));
    EXPECT_TRUE(accepted(kTriangle + "f 1//1 2//1 3//1\r\n"));
    EXPECT_TRUE(accepted(kTriangle + "f -3 -2 -1\n"));
    EXPECT_TRUE(accepted("# comment\nmtllib town.mtl\ng walls\nusemtl brick\n" + kTriangle + "s off\nf 1 2 3"));
    EXPECT_TRUE(accepted(""));
}

// Each of these crashed the engine's OBJ loader or made it read a directory whole.
TEST(CheckedObjLoader, RejectsWhatTheEngineCannotSurvive)
{
    const std::string bad[] = {
        kTriangle + "f 1/5/1 2/5/1 3/5/1\n",     // texture coordinate not there
        kTriangle + "f 1//4 2//4 3//4\n",        // normal not there
        kTriangle + "f 1 2 7\n",                 // vertex not there
        kTriangle + "f -5 -6 -7\n",              // relative index before the start
        kTriangle + "f 0 1 2\n",
        "f 1 2 3\n" + kTriangle,                 // a face before its vertices
        kTriangle + "f 1 2\n",
        kTriangle + "f 1 2 x\n",
        kTriangle + "f 99999999999999999999 1 2\n",
        kTriangle + "fo 1 2 3\n",
        "mte_1a.mtl\n" + kTriangle,              // the engine would take the next line's word
        "mtllib\n" + kTriangle,
        "mtllib a.mtl b.mtl\n" + kTriangle,
        kTriangle + std::string("f 1 2 3\n\x01\x02\0", 11),
        "v\t0 0 0\nv\t1 0 0\nv\t0 1 0\nf 1 2 3\n",   // the engine only counts "v " lines
        "  v 0 0 0\n  v 1 0 0\n  v 0 1 0\nf 1 2 3\n",
        "v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",     // the first vertex would swallow the second
        kTriangle + "vt 1\nf 1/2/1 2/2/1 3/2/1\n",
    };
    for (const std::string& text : bad) {
        std::string why;
        EXPECT_FALSE(CheckedObjLoader::check(text.data(), text.size(), &why)) << text;
        EXPECT_FALSE(why.empty());
    }
}

class CheckedObjLoaderInEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        env = new veko::Env(device);
        folder = ::testing::TempDir() + "objcheck/";
        mkdir(folder.c_str(), 0755);
    }
    void TearDown() override
    {
        env->stopMusic();
        delete env;
        device->drop();
    }

    irr::scene::IAnimatedMesh* load(const std::string& name, const std::string& text)
    {
        std::ofstream(folder + name, std::ios::binary) << text;
        return env->sceneManager()->getMesh((folder + name).c_str());
    }

    irr::IrrlichtDevice* device = nullptr;
    veko::Env* env = nullptr;
    std::string folder;
};

TEST_F(CheckedObjLoaderInEngine, GoodModelsLoadAsBefore)
{
    irr::scene::IAnimatedMesh* mesh = load("good.obj", kTriangle + "f 1/1/1 2/1/1 3/1/1\n");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getMesh(0)->getMeshBufferCount(), 1u);
    EXPECT_EQ(mesh->getMesh(0)->getMeshBuffer(0)->getIndexCount(), 3u);
}

TEST_F(CheckedObjLoaderInEngine, DamagedModelsBecomeEmptyMeshesWithOneLineOfExplanation)
{
    mkdir((folder + "dir.mtl").c_str(), 0755);
    const std::string damaged[] = {
        "",
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
        kTriangle + "f 1/5/1 2/5/1 3/5/1\n",
        "mtllib dir.mtl\n" + kTriangle + "f 1 2 3\n",
    };
    int n = 0;
    for (const std::string& text : damaged) {
        const std::string name = "damaged" + std::to_string(n++) + ".obj";
        ::testing::internal::CaptureStderr();
        irr::scene::IAnimatedMesh* mesh = load(name, text);
        const std::string err = ::testing::internal::GetCapturedStderr();
        ASSERT_NE(mesh, nullptr) << name;
        ASSERT_NE(mesh->getMesh(0), nullptr) << name;
        EXPECT_EQ(mesh->getMesh(0)->getMeshBufferCount(), 0u) << name;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

} // namespace
