#include "env/CheckedObjLoader.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "env/GuardedReadFile.h"
#include "platform/Report.h"

using namespace irr;

namespace veko {

bool CheckedObjLoader::check(const char* text, size_t size, std::string* why,
                             const ObjCheck::MaterialReader& materials)
{
    return ObjCheck(materials).run(text, size, why);
}

void CheckedObjLoader::install(scene::ISceneManager* sceneManager, GuardedFileArchive* archive)
{
    scene::IMeshLoader* engineLoader = nullptr;
    for (u32 i = 0; i < sceneManager->getMeshLoaderCount(); ++i)
        if (sceneManager->getMeshLoader(i)->isALoadableFileExtension("model.obj"))
            engineLoader = sceneManager->getMeshLoader(i);
    if (!engineLoader)
        return;
    CheckedObjLoader* loader = new CheckedObjLoader(engineLoader, sceneManager->getFileSystem(), archive);
    sceneManager->addExternalMeshLoader(loader);
    loader->drop();
}

CheckedObjLoader::CheckedObjLoader(scene::IMeshLoader* engineLoader, io::IFileSystem* fileSystem,
                                   GuardedFileArchive* archive)
    : mEngineLoader(engineLoader), mFileSystem(fileSystem), mArchive(archive)
{
    mEngineLoader->grab();
    mFileSystem->grab();
}

CheckedObjLoader::~CheckedObjLoader()
{
    mFileSystem->drop();
    mEngineLoader->drop();
}

bool CheckedObjLoader::isALoadableFileExtension(const io::path& filename) const
{
    return mEngineLoader->isALoadableFileExtension(filename);
}

long long CheckedObjLoader::readMaterialFile(const io::path& modelFolder, const std::string& name, long long limit,
                                            std::string* text)
{
    const io::path file(name.c_str());
    const io::path baseName = mFileSystem->getFileBasename(file);
    const io::path names[] = { file, modelFolder + file, baseName, modelFolder + baseName };
    size_t chosen = 3;
    for (size_t i = 0; i < 3 && chosen == 3; ++i)
        if (mFileSystem->existFile(names[i]))
            chosen = i;
    io::IReadFile* reader = mFileSystem->createAndOpenFile(names[chosen]);
    if (!reader)
        return -1;
    const long size = reader->getSize();
    if (size > 0 && size <= limit) {
        text->resize(static_cast<size_t>(size));
        // Read short, it would be read differently by the engine: then nothing is checked.
        if (reader->read(&(*text)[0], static_cast<u32>(size)) != size)
            text->clear();
    }
    reader->drop();

    // The engine reads what the check read, ending with a line break as the check reads it.
    GuardedFileArchive::CheckedFile checked;
    for (const io::path& each : names)
        checked.names.push_back(each.c_str());
    checked.bytes = *text;
    if (!checked.bytes.empty() && checked.bytes.back() != '\n')
        checked.bytes += '\n';
    mMaterialFiles.push_back(std::move(checked));
    return size;
}

scene::IAnimatedMesh* CheckedObjLoader::createMesh(io::IReadFile* file)
{
    // A missing file was named already: no mesh, as for any file that is not there.
    const GuardedReadFile* guarded = dynamic_cast<const GuardedReadFile*>(file);
    if (guarded && guarded->missing())
        return nullptr;
    const io::path name = file->getFileName();
    const long size = file->getSize();
    std::vector<char> text(size > 0 ? static_cast<size_t>(size) : 0);
    const bool read = size > 0 && file->read(text.data(), static_cast<u32>(size)) == size;
    // The engine reads a word at the very end of the file one byte too far: a line break
    // there changes nothing else.
    if (read && text.back() != '\n')
        text.push_back('\n');

    std::string why = "it is empty or cannot be read";
    const io::path folder = mFileSystem->getFileDir(name) + "/";
    const ObjCheck::MaterialReader materials = [this, &folder](const std::string& material, long long limit,
                                                               std::string* out) {
        return readMaterialFile(folder, material, limit, out);
    };
    mMaterialFiles.clear();
    if (read && check(text.data(), text.size(), &why, materials)) {
        io::IReadFile* checked = mFileSystem->createMemoryReadFile(text.data(), static_cast<s32>(text.size()), name, false);
        if (mArchive)
            mArchive->holdCheckedFiles(std::move(mMaterialFiles));
        scene::IAnimatedMesh* mesh = mEngineLoader->createMesh(checked);
        if (mArchive)
            mArchive->releaseCheckedFiles();
        mMaterialFiles.clear();
        checked->drop();
        if (mesh)
            return mesh;
        why = "the engine cannot read it";
    }
    reportFile(name.c_str(), std::string("the model \"") + name.c_str() + "\" is left out: " + why);
    // A mesh without buffers, so that the engine tries no other loader on this file.
    scene::SMesh* empty = new scene::SMesh();
    scene::SAnimatedMesh* mesh = new scene::SAnimatedMesh(empty);
    empty->drop();
    return mesh;
}

} // namespace veko
