#ifndef KAVRI_SCENE_TEST_SUPPORT_H
#define KAVRI_SCENE_TEST_SUPPORT_H

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <irrlicht.h>

// Helpers for scene tests: a working directory without any ../data, and stand-in models
// placed in the engine's mesh cache under the name a scene loads, so that its getMesh()
// finds them instead of a file.
namespace testing_support {

// Runs the test from a fresh empty directory, so every "../data/..." file is missing.
class NoDataDirectory {
public:
    NoDataDirectory()
    {
        char previous[4096];
        mPrevious = getcwd(previous, sizeof previous) ? previous : ".";
        char root[] = "/tmp/kavri-nodata-XXXXXX";
        mRoot = mkdtemp(root);
        mRun = mRoot + "/run";
        mkdir(mRun.c_str(), 0700);
        mEntered = chdir(mRun.c_str()) == 0;
    }
    ~NoDataDirectory()
    {
        if (chdir(mPrevious.c_str()) != 0)
            return;
        rmdir(mRun.c_str());
        rmdir(mRoot.c_str());
    }
    bool entered() const { return mEntered; }

private:
    std::string mPrevious, mRoot, mRun;
    bool mEntered = false;
};

// A flat, unlit, two-sided rectangle with corners a, b, c, d (in order around it), of one
// colour (its alpha is written as it is), entered in the mesh cache as `name`.
inline void addFlatModel(irr::scene::ISceneManager* sceneManager, const char* name,
                         irr::core::vector3df a, irr::core::vector3df b, irr::core::vector3df c,
                         irr::core::vector3df d, irr::video::SColor color)
{
    using namespace irr;
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    const core::vector3df corners[4] = { a, b, c, d };
    for (const core::vector3df& p : corners)
        buffer->Vertices.push_back(video::S3DVertex(p, core::vector3df(0, 0, -1), color, core::vector2df(0, 0)));
    const u16 indices[6] = { 0, 1, 2, 0, 2, 3 };
    for (u16 i : indices)
        buffer->Indices.push_back(i);
    buffer->Material.Lighting = false;
    buffer->Material.BackfaceCulling = false;
    buffer->recalculateBoundingBox();

    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    mesh->recalculateBoundingBox();
    scene::SAnimatedMesh* animated = new scene::SAnimatedMesh(mesh);
    sceneManager->getMeshCache()->addMesh(name, animated);
    animated->drop();
    mesh->drop();
    buffer->drop();
}

// Where a world point lands on the 640x480 screen under the driver's projection and view.
inline irr::core::vector2di screenPoint(irr::video::IVideoDriver* driver, irr::core::vector3df p)
{
    irr::core::matrix4 m = driver->getTransform(irr::video::ETS_PROJECTION);
    m *= driver->getTransform(irr::video::ETS_VIEW);
    irr::f32 v[4];
    m.transformVect(v, p);
    return irr::core::vector2di(static_cast<int>((v[0] / v[3] + 1) * 320), static_cast<int>((1 - v[1] / v[3]) * 240));
}

} // namespace testing_support

#endif
