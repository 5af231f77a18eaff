#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "env/CheckedObjLoader.h"
#include "env/Env.h"
#include "platform/Report.h"
#include "TestSupport.h"

using veko::CheckedObjLoader;

namespace {

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 -1\n";

std::string why(const std::string& text, const std::string& materialFile = "")
{
    std::string reason;
    CheckedObjLoader::check(text.data(), text.size(), &reason, [&](const std::string&, long long, std::string* out) {
        *out = materialFile;
        return materialFile.empty() ? -1LL : static_cast<long long>(materialFile.size());
    });
    return reason;
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Lines the engine's parser reads without harm pass, however odd they look.
TEST(CheckedObjLoader, AcceptsWhatTheEngineReadsSafely)
{
    const std::string good[] = {
        kTriangle + "f 1 2 3\n",
        kTriangle + "f 1/1/1 2/1/1 3/1/1 1/1/1\n",
        kTriangle + "f 1//1 2//1 3//1\r\n",
        kTriangle + "f -3 -2 -1\n",
        "# comment\nmtllib town.mtl\ng walls\nusemtl brick\n" + kTriangle + "s off\nf 1 2 3",
        "",
        // The engine takes the first word after any line starting with 'm' as a material file.
        "mtllib a.mtl b.mtl\n" + kTriangle + "f 1 2 3\n",
        "mtllib my town.mtl\n" + kTriangle + "f 1 2 3\n",
        "maps x\n" + kTriangle + "f 1 2 3\n",
        // Any first word starting with 'f' makes a face; letters and '+' in a corner are skipped.
        kTriangle + "fo 1 2 3\nface 1 2 3\n",
        kTriangle + "f +1 2a 3b\n",
        kTriangle + "f 000000000000001 2 3\n",            // 15 digits fit the engine's buffer
        kTriangle + "f 1/0/1 2/0/1 3/0/1\n",              // texture coordinate 0 means none
        kTriangle + "f 2/1/1/1 2 3\n",                     // a fourth index starts over
        kTriangle + "f 1 2\nf 1\n",                       // fewer than three corners draw nothing
        kTriangle + "f 1 2\r3\n",                         // a carriage return ends the line
        // Blanks before a line's kind are skipped, except at the very start of the file.
        "#\n  v 0 0 0\n\tv 1 0 0\n v 0 1 0\n  f 1 2 3\n",
        "v 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",             // missing numbers read as 0
        kTriangle + "vt 1\nf 1/2/1 2/2/1 3/2/1\n",
        kTriangle + std::string("f\0 1 2 3\n", 9),        // the first word runs on past a zero byte
        "v 0 0 0\rv 1 0 0\rv 0 1 0\rf 1 2 3\r",
        kTriangle + std::string("f 1 2 3\n\x01\x02\0\x7f\n", 13),
        "g\ns 1\nusemtl\n" + kTriangle + "f 1 2 3\n",
    };
    for (const std::string& text : good)
        EXPECT_EQ(why(text), "") << text;
}

// Each of these crashes the engine's OBJ loader, smashes its stack or makes it run away.
TEST(CheckedObjLoader, RejectsWhatTheEngineCannotSurvive)
{
    const std::pair<std::string, std::string> bad[] = {
        { kTriangle + "f 1/5/1 2/5/1 3/5/1\n", "not there" },     // texture coordinate not there
        { kTriangle + "f 1//4 2//4 3//4\n", "not there" },        // normal not there
        { kTriangle + "f 1 2 7\n", "not there" },
        { kTriangle + "f -5 -6 -7\n", "not there" },              // relative index before the start
        { kTriangle + "f 0 1 2\n", "not there" },
        { "f 1 2 3\n" + kTriangle, "not there" },                 // a face before its vertices
        { kTriangle + "f 1 2 x\n", "not there" },
        { kTriangle + "f 1.0 2 3\n", "not there" },               // read as vertex 10
        { "v\t0 0 0\nv\t1 0 0\nv\t0 1 0\nf 1 2 3\n", "not there" },   // only "v " lines count
        { "  v 0 0 0\n  v 1 0 0\n  v 0 1 0\nf 1 2 3\n", "not there" },  // the first line is not one
        // Swallowed: a carriage return does not stop the engine reading a vertex's numbers.
        { "v 0\rv 1 0 0\rv 0 1 0\rf 1 2 3\r", "not there" },
        { kTriangle + "f 99999999999999999999 1 2\n", "too long" },
        { kTriangle + "f 0000000000000000000000000000000000000001 2 3\n", "too long" },
        { kTriangle + "f 1/0000000000000001 2 3\n", "too long" },
        { kTriangle + "f 1 2 ---------------3\n", "too long" },
        { kTriangle + "f\n", "no corners" },
        { kTriangle + "f\r1 2 3\n", "no corners" },
        { kTriangle + std::string("f \0 1 2 3\n", 10), "no corners" },
    };
    for (const auto& c : bad) {
        const std::string reason = why(c.first);
        EXPECT_NE(reason.find(c.second), std::string::npos) << c.first << " -> " << reason;
    }
}

// Files far below the size cap that would keep the engine busy for seconds or eat memory.
TEST(CheckedObjLoader, RefusesWhatWouldTakeTheEngineTooLong)
{
    std::string groups, lookups;
    for (int i = 0; i < 5000; ++i)
        groups += "g g" + std::to_string(i) + "\nf 1 2 3\n";
    for (int i = 0; i < 1000; ++i)
        lookups += "g g" + std::to_string(i) + "\nf 1 2 3\n";
    lookups += repeated("g g999\nf 1 2 3\n", 20000);
    std::string distinct = "vn 0 0 1\n";
    for (int i = 0; i < 300; ++i)
        distinct += "v " + std::to_string(i) + " 0 0\nvt 0 " + std::to_string(i) + "\n";
    for (int i = 1; i <= 300; ++i)
        for (int j = 1; j <= 300; ++j)
            distinct += "f " + std::to_string(i) + "/" + std::to_string(j) + " 1 1\n";
    const std::pair<std::string, std::string> bad[] = {
        { kTriangle + groups, "groups" },
        { kTriangle + lookups, "groups" },
        { distinct, "vertices" },
        { kTriangle + "f " + repeated("1 ", 1100000) + "\n", "corners" },
        { repeated("v \n", 1100000), "vertices" },
        { repeated("mtllib none.mtl\n", 300) + kTriangle, "material files" },
    };
    for (const auto& c : bad) {
        const std::string reason = why(c.first);
        EXPECT_NE(reason.find(c.second), std::string::npos) << c.first.substr(0, 80) << " -> " << reason;
    }
    const std::string model = "mtllib a.mtl\n" + kTriangle + "f 1 2 3\n";
    EXPECT_NE(why(model, repeated("newmtl a\n", 5000)).find("groups"), std::string::npos);
    EXPECT_NE(why(model, "newmtl a\n" + repeated("map_Kd -o 1 2 -bm 0.5 -clamp on t.png\n", 1100)).find("textures"),
              std::string::npos);
    // Just below the caps the engine loads quickly.
    EXPECT_EQ(why(model, "newmtl a\n" + repeated("map_Kd -o 1 2 -bm 0.5 -clamp on t.png\n", 1000)), "");
    EXPECT_EQ(why(kTriangle + groups.substr(0, groups.find("g g4000\n"))), "");
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
    std::string groups;
    for (int i = 0; i < 5000; ++i)
        groups += "g g" + std::to_string(i) + "\nf 1 2 3\n";
    const std::string damaged[] = {
        "",
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
        kTriangle + "f 1/5/1 2/5/1 3/5/1\n",
        kTriangle + "f 0000000000000000000000000000000000000001 2 3\n",
        kTriangle + groups,
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

    // A file already refused before the engine opened it gets no second line.
    std::ofstream(folder + "refused.obj");
    veko::reportFile(folder + "refused.obj", "refused.obj is not a file");
    ::testing::internal::CaptureStderr();
    load("refused.obj", "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// Material files are found where the engine finds them, and what they hold counts.
TEST_F(CheckedObjLoaderInEngine, ReadsTheMaterialFilesTheEngineWillRead)
{
    std::ofstream(folder + "two.mtl") << "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";
    irr::scene::IAnimatedMesh* mesh =
        load("two.obj", "mtllib two.mtl\n" + kTriangle + "usemtl red\nf 1 2 3\nusemtl blue\nf 3 2 1\n");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getMesh(0)->getMeshBufferCount(), 2u);

    std::string many;
    for (int i = 0; i < 5000; ++i)
        many += "newmtl m" + std::to_string(i) + "\n";
    std::ofstream(folder + "many.mtl") << many;
    // Next to the model, and by its base name when the path written leads nowhere.
    for (const std::string line : { "mtllib many.mtl\n", "mtllib no/such/folder/many.mtl\n" }) {
        ::testing::internal::CaptureStderr();
        mesh = load("many" + std::to_string(line.size()) + ".obj", line + kTriangle + "f 1 2 3\n");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(mesh->getMesh(0)->getMeshBufferCount(), 0u) << line;
        EXPECT_NE(err.find("more than 4096 groups and materials"), std::string::npos) << err;
    }
}

} // namespace
