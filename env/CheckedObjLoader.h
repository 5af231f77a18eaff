#ifndef VEKO_CHECKED_OBJ_LOADER_H
#define VEKO_CHECKED_OBJ_LOADER_H

#include <string>
#include <vector>

#include <irrlicht.h>

#include "env/GuardedFileArchive.h"
#include "env/ObjCheck.h"

namespace veko {

// The engine's Wavefront OBJ loader trusts its input: a face that names a vertex the file
// does not have, or a number too long for its buffer, crashes it; a few thousand groups keep
// it busy for seconds. This loader stands in front of it for ".obj" files: it reads the file
// and its material files once, as the engine will (see ObjCheck), and only then lets the
// engine load it, from exactly the bytes that were checked: the model's own, and the material
// files' held for it by the file archive. A damaged file becomes an empty mesh (nothing to
// draw) and one line.
class CheckedObjLoader : public irr::scene::IMeshLoader {
public:
    // Puts the checker in front of the scene manager's own OBJ loader; the archive is the one
    // every file of the scene manager's file system is opened through.
    static void install(irr::scene::ISceneManager* sceneManager, GuardedFileArchive* archive);

    CheckedObjLoader(irr::scene::IMeshLoader* engineLoader, irr::io::IFileSystem* fileSystem,
                     GuardedFileArchive* archive);
    ~CheckedObjLoader() override;

    bool isALoadableFileExtension(const irr::io::path& filename) const override;
    irr::scene::IAnimatedMesh* createMesh(irr::io::IReadFile* file) override;

    // True when the text is safe to hand to the engine; otherwise *why says what is wrong.
    // Material files are read through materials, if given; else there are none.
    static bool check(const char* text, size_t size, std::string* why,
                      const ObjCheck::MaterialReader& materials = nullptr);

private:
    // The material file the engine opens for a name in the model's "mtllib" line, found the
    // way the engine finds it: as written, next to the model, then by its base name. What is
    // read is kept in mMaterialFiles, under every one of those names.
    long long readMaterialFile(const irr::io::path& modelFolder, const std::string& name, long long limit,
                               std::string* text);

    irr::scene::IMeshLoader* mEngineLoader;
    irr::io::IFileSystem* mFileSystem;
    GuardedFileArchive* mArchive;
    std::vector<GuardedFileArchive::CheckedFile> mMaterialFiles;   // of the model being checked
};

} // namespace veko

#endif
