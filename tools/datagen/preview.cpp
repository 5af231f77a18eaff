// SPDX-License-Identifier: MIT
// kavri-datagen-preview: renders each generated model the way its scene shows
// it (camera, lights, material overrides, background) into PNG files, for a
// person to look at.
//
//   kavri-datagen-preview <data dir> <output dir> [--software]
//
// Uses OpenGL (needs an X display) unless --software picks the engine's
// software renderer.

#include <irrlicht.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace irr;

namespace {

const f32 kFov = 3.14159f / 2;
const f32 kAspect = 4.0f / 3.0f;

struct View {
    std::string file;
    std::string model;
    video::SColor background;
    core::matrix4 view;
    std::vector<core::matrix4> worlds;
    bool lighting;
    video::SColor diffuse, emissive;
    bool ownMaterial; // draw with the model's own materials
    std::vector<video::SLight> lights;
};

video::SLight directional(const core::vector3df& direction, const video::SColorf& diffuse)
{
    video::SLight light;
    light.AmbientColor = video::SColorf(0, 0, 0, 1);
    light.DiffuseColor = diffuse;
    light.SpecularColor = video::SColorf(0, 0, 0, 1);
    light.Direction = direction;
    light.Radius = 1000;
    light.Type = video::ELT_DIRECTIONAL;
    return light;
}

core::matrix4 lookAt(const core::vector3df& from, const core::vector3df& to, const core::vector3df& up)
{
    core::matrix4 m;
    m.buildCameraLookAtMatrixLH(from, to, up);
    return m;
}

std::vector<View> views()
{
    std::vector<View> list;
    const video::SLight front = directional({0, 0, 1}, video::SColorf(1, 1, 1, 1));
    // The low-resolution fly-through's first camera, at a few local times.
    for (f32 t : {0.0f, 3.0f, 6.0f, 9.8f}) {
        View v;
        v.file = "arks3_t" + std::to_string(static_cast<int>(t * 10)) + ".png";
        v.model = "arks3.obj";
        v.background = video::SColor(255, 255, 0, 128);
        v.view = lookAt({24, 23, 40 * t - 410}, {24 + 0.5f * std::cos(t), 23, 40 * t - 409 + 0.5f * std::sin(t)},
                        {2.55f * std::cos(2 * t), 2.55f * std::sin(2 * t) + 1, 0});
        v.worlds = {core::matrix4()};
        v.lighting = true;
        v.diffuse = video::SColor(255, 0, 0, 0);
        v.emissive = video::SColor(255, 255, 192, 0);
        v.ownMaterial = false;
        v.lights = {front};
        list.push_back(v);
    }
    // The direct fly-through.
    for (f32 t : {0.0f, 4.0f, 9.0f}) {
        View v;
        v.file = "arks5_t" + std::to_string(static_cast<int>(t * 10)) + ".png";
        v.model = "arks5.obj";
        v.background = video::SColor(255, 0, 255, 0);
        v.view = lookAt({24, 23, 40 * t - 400}, {24 + 0.2f * std::cos(t), 23, 40 * t - 399 + 0.2f * std::sin(t)},
                        {0.15f * std::cos(2 * t), 0.15f * std::sin(2 * t) + 1, 0});
        v.worlds = {core::matrix4()};
        v.lighting = true;
        v.diffuse = video::SColor(255, 255, 255, 255);
        v.emissive = video::SColor(255, 255, 192, 0);
        v.ownMaterial = false;
        v.lights = {front};
        list.push_back(v);
    }
    // The three turning shapes.
    for (f32 T : {0.0f, 1.2f, 2.5f}) {
        View v;
        v.file = "shape_1a_T" + std::to_string(static_cast<int>(T * 10)) + ".png";
        v.model = "shape_1a.obj";
        v.background = video::SColor(255, 255, 255, 140);
        v.view = lookAt({4, 0, -3.5f}, {1, 0, 0}, {0, 1, 0});
        for (int i = 0; i < 3; ++i) {
            core::matrix4 w;
            w.setRotationRadians(core::vector3df(0, T, 1));
            w.setTranslation(core::vector3df(static_cast<f32>(4 * i - 4), 0, 0));
            v.worlds.push_back(w);
        }
        v.lighting = false;
        v.ownMaterial = false;
        v.lights = {front};
        list.push_back(v);
    }
    // The town, at its middle, nearest and farthest positions.
    for (f32 T : {0.0f, 6.283f, 18.85f}) {
        View v;
        v.file = "town_04_T" + std::to_string(static_cast<int>(T * 10)) + ".png";
        v.model = "town_04.obj";
        v.background = video::SColor(255, 16, 16, 20);
        v.view = lookAt({0, -7, 4}, {0, 5, 2}, {0, 0, 1});
        core::matrix4 w;
        w.setTranslation(core::vector3df(0, 20 * std::sin(T / 4) - 15, 0));
        v.worlds = {w};
        v.ownMaterial = true;
        v.lights = {directional({1, 1, 0}, video::SColorf(1, 1, 1, 1)),
                     directional({-1, -2, 0}, video::SColorf(0.4f, 0.3f, 0.4f, 1))};
        list.push_back(v);
    }
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: kavri-datagen-preview <data dir> <output dir> [--software]\n");
        return 2;
    }
    const std::string data = argv[1], out = argv[2];
    const bool software = argc > 3 && std::strcmp(argv[3], "--software") == 0;

    SIrrlichtCreationParameters params;
    params.DriverType = software ? video::EDT_BURNINGSVIDEO : video::EDT_OPENGL;
    params.WindowSize = core::dimension2du(640, 480);
    params.Bits = 32;
    IrrlichtDevice* device = createDeviceEx(params);
    if (!device)
        return 1;
    device->getLogger()->setLogLevel(ELL_WARNING);
    video::IVideoDriver* driver = device->getVideoDriver();
    scene::ISceneManager* scenes = device->getSceneManager();

    core::matrix4 projection;
    projection.buildProjectionMatrixPerspectiveFovLH(kFov, kAspect, 0.1f, 1000);

    for (const View& v : views()) {
        scene::IAnimatedMesh* animated = scenes->getMesh((data + "/models/" + v.model).c_str());
        if (!animated) {
            std::fprintf(stderr, "cannot load %s\n", v.model.c_str());
            return 1;
        }
        scene::IMesh* mesh = animated->getMesh(0, 255, -1, -1);
        driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        driver->draw2DRectangle(v.background, core::rect<s32>(0, 0, 640, 480));
        driver->setTransform(video::ETS_PROJECTION, projection);
        driver->setTransform(video::ETS_VIEW, v.view);
        driver->deleteAllDynamicLights();
        for (const video::SLight& light : v.lights)
            driver->addDynamicLight(light);
        driver->setAmbientLight(video::SColorf(1, 1, 1, 1));
        for (const core::matrix4& world : v.worlds) {
            driver->setTransform(video::ETS_WORLD, world);
            for (u32 i = 0; i < mesh->getMeshBufferCount(); ++i) {
                scene::IMeshBuffer* buffer = mesh->getMeshBuffer(i);
                video::SMaterial material = buffer->getMaterial();
                if (!v.ownMaterial) {
                    material.Lighting = v.lighting;
                    material.setFlag(video::EMF_BILINEAR_FILTER, false);
                    if (v.lighting) {
                        material.DiffuseColor = v.diffuse;
                        material.EmissiveColor = v.emissive;
                    }
                }
                driver->setMaterial(material);
                driver->drawMeshBuffer(buffer);
            }
        }
        video::IImage* image = nullptr;
        if (!software) {
            std::vector<u8> pixels(640 * 480 * 4);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            image = driver->createImage(video::ECF_A8R8G8B8, core::dimension2du(640, 480));
            for (u32 y = 0; y < 480; ++y)
                for (u32 x = 0; x < 640; ++x) {
                    const u8* p = &pixels[((479 - y) * 640 + x) * 4];
                    image->setPixel(x, y, video::SColor(255, p[0], p[1], p[2]));
                }
        }
        driver->endScene();
        if (software)
            image = driver->createScreenShot();
        if (image) {
            driver->writeImageToFile(image, (out + "/" + v.file).c_str());
            image->drop();
        }
        std::printf("%s: %u buffers\n", v.file.c_str(), mesh->getMeshBufferCount());
    }
    device->drop();
    return 0;
}
