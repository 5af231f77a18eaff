#ifndef VEKO_CHECKED_OBJ_LOADER_H
#define VEKO_CHECKED_OBJ_LOADER_H

#include <string>
#include <vector>

#include <irrlicht.h>

namespace veko {

// The engine's Wavefront OBJ loader trusts its input: a face that names a vertex, texture
// coordinate or normal the file does not have makes it read outside its arrays and crash.
// This loader stands in front of it for ".obj" files: it reads the file once, checks that
// every face refers only to what the file defined before it, and only then lets the engine
// load it. A damaged file becomes an empty mesh (nothing to draw) and one line on stderr.
class CheckedObjLoader : public irr::scene::IMeshLoader {
public:
    // Puts the checker in front of the scene manager's own OBJ loader.
    static void install(irr::scene::ISceneManager* sceneManager);

    explicit CheckedObjLoader(irr::scene::IMeshLoader* engineLoader);
    ~CheckedObjLoader() override;

    bool isALoadableFileExtension(const irr::io::path& filename) const override;
    irr::scene::IAnimatedMesh* createMesh(irr::io::IReadFile* file) override;

    // True when the text is safe to hand to the engine; otherwise *why says what is wrong.
    // The material files it names are added to *materialLibraries, if given.
    static bool check(const char* text, size_t size, std::string* why,
                      std::vector<std::string>* materialLibraries = nullptr);

private:
    irr::scene::IMeshLoader* mEngineLoader;
};

} // namespace veko

#endif
