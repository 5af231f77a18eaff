// SPDX-License-Identifier: MIT
// kavri-modelbench: writes models that sit on the model check's caps (and a few past them),
// then times the check and the engine's own OBJ loader on each. The engine's time for models
// past a cap is what the show is spared; the check's time is what every model costs. Models
// far past a cap (the 100 000 groups of a 3.4 MB file take the engine minutes) are only
// checked, unless --all is given.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include <irrlicht.h>

#include "env/CheckedObjLoader.h"

using namespace irr;

namespace {

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

std::string groups(int count, bool withMaterial)
{
    std::string text = kTriangle;
    for (int i = 0; i < count; ++i)
        text += "g g" + std::to_string(i) + (withMaterial ? "\nusemtl m" : "") + "\nf 1 2 3\n";
    return text;
}

// Faces whose corners are all different vertices, in one or more parts.
std::string distinctCorners(int count, int parts)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "v " + std::to_string(i) + " 0 0\nvt 0 " + std::to_string(i) + "\n";
    for (int part = 0; part < parts; ++part) {
        text += "g part" + std::to_string(part) + "\n";
        for (int k = 0; k < count / parts; ++k)
            text += "f " + std::to_string(k / 300 + 1) + "/" + std::to_string(k % 300 + 1) + " 1/1 1/1\n";
    }
    return text;
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const bool all = argc > 1 && std::strcmp(argv[1], "--all") == 0;
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_NULL;
    params.LoggingLevel = ELL_NONE;
    IrrlichtDevice* device = createDeviceEx(params);
    scene::ISceneManager* scenes = device->getSceneManager();
    char folder[] = "/tmp/kavri-modelbench-XXXXXX";
    if (!device || !mkdtemp(folder))
        return 1;

    const struct { const char* name; std::string text; } models[] = {
        { "groups 1000", groups(1000, false) },
        { "groups 2000", groups(2000, false) },
        { "groups 4096", groups(4096, false) },
        { "groups 8000", groups(8000, false) },
        { "groups+usemtl 4096", groups(4096, true) },
        { "groups+usemtl 16000", groups(16000, true) },
        { "groups+usemtl 100000", groups(100000, true) },
        { "look-ups 9 million", groups(1000, false) + repeated("g g999\nf 1 2 3\n", 9000) },
        { "look-ups 20 million", groups(1000, false) + repeated("g g999\nf 1 2 3\n", 20000) },
        { "vertices 65536, 1 part", distinctCorners(65536, 1) },
        { "vertices 131072, 2 parts", distinctCorners(131072, 2) },
        { "vertices 300000, 5 parts", distinctCorners(300000, 5) },
        { "corners 1 million", kTriangle + repeated("f " + repeated("1 ", 1000) + "\n", 1048) },
        { "corners 4 million", kTriangle + repeated("f " + repeated("1 ", 1000) + "\n", 4000) },
        { "vertex lines 1 million", repeated("v \n", 1048576) },
        { "vertex lines 10 million", repeated("v \n", 10000000) },
        { "material files 256", repeated("mtllib none.mtl\n", 256) + kTriangle + "f 1 2 3\n" },
        { "material files 100000", repeated("mtllib none.mtl\n", 100000) + kTriangle + "f 1 2 3\n" },
    };

    std::printf("%-26s %10s %10s %11s  %s\n", "model", "bytes", "check ms", "engine ms", "check says");
    for (const auto& model : models) {
        const std::string path = std::string(folder) + "/model.obj";
        std::ofstream(path, std::ios::binary) << model.text;
        std::string why;
        bool accepted = false;
        const double check = seconds([&] {
            accepted = veko::CheckedObjLoader::check(model.text.data(), model.text.size(), &why);
        });
        std::string engine = "-";
        if (accepted || all || model.text.size() < 1000000) {
            // The engine's own loader, as the scene manager finds it before the check is installed.
            io::IReadFile* file = device->getFileSystem()->createAndOpenFile(path.c_str());
            scene::IMeshLoader* loader = scenes->getMeshLoader(scenes->getMeshLoaderCount() - 1);
            for (u32 i = 0; i < scenes->getMeshLoaderCount(); ++i)
                if (scenes->getMeshLoader(i)->isALoadableFileExtension("model.obj"))
                    loader = scenes->getMeshLoader(i);
            const double load = seconds([&] {
                if (scene::IAnimatedMesh* mesh = loader->createMesh(file))
                    mesh->drop();
            });
            file->drop();
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", load * 1e3);
            engine = text;
        }
        std::printf("%-26s %10zu %10.1f %11s  %s\n", model.name, model.text.size(), check * 1e3, engine.c_str(),
                    accepted ? "accepted" : why.c_str());
        std::fflush(stdout);
        std::remove(path.c_str());
    }
    std::remove(folder);
    device->drop();
    return 0;
}
