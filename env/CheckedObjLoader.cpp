#include "env/CheckedObjLoader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>

#include "platform/Report.h"

using namespace irr;

namespace veko {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One index of a face corner: 1-based from the start, or negative from the end so far.
bool indexInRange(const char* digits, const char* end, long defined)
{
    if (digits == end)
        return false;
    char* stop = nullptr;
    errno = 0;
    const long index = std::strtol(digits, &stop, 10);
    if (errno != 0 || stop != end || index == 0)
        return false;
    return index > 0 ? index <= defined : -index <= defined;
}

int wordsAfterFirst(const char* p, const char* end)
{
    int words = -1;
    while (p < end) {
        while (p < end && isBlank(*p))
            ++p;
        if (p == end)
            break;
        ++words;
        while (p < end && !isBlank(*p))
            ++p;
    }
    return words < 0 ? 0 : words;
}

// "v", "v/t", "v//n" or "v/t/n", each index referring to something already defined.
bool cornerValid(const char* p, const char* end, const int counts[3])
{
    int part = 0;
    while (p <= end && part < 3) {
        const char* stop = p;
        while (stop < end && *stop != '/')
            ++stop;
        // Only the texture coordinate may be left out, as in "v//n".
        const bool empty = stop == p;
        if (!(empty && part == 1 && stop < end) && !indexInRange(p, stop, counts[part]))
            return false;
        ++part;
        if (stop == end)
            return true;
        p = stop + 1;
    }
    return false;
}

bool faceValid(const char* p, const char* end, const int counts[3], std::string* why)
{
    int corners = 0;
    while (p < end) {
        while (p < end && isBlank(*p))
            ++p;
        const char* stop = p;
        while (stop < end && !isBlank(*stop))
            ++stop;
        if (stop == p)
            break;
        if (!cornerValid(p, stop, counts)) {
            *why = "a face refers to a vertex, texture coordinate or normal that is not there";
            return false;
        }
        ++corners;
        p = stop;
    }
    if (corners < 3) {
        *why = "a face has fewer than three corners";
        return false;
    }
    return true;
}

bool materialLibraryValid(const char* p, const char* end, std::vector<std::string>* names)
{
    const std::string keyword = "mtllib";
    if (end - p <= static_cast<long>(keyword.size()) || std::string(p, keyword.size()) != keyword ||
        !isBlank(p[keyword.size()]))
        return false;
    p += keyword.size();
    while (p < end && isBlank(*p))
        ++p;
    const char* name = p;
    while (p < end && !isBlank(*p))
        ++p;
    const char* nameEnd = p;
    while (p < end && isBlank(*p))
        ++p;
    if (name == nameEnd || p != end)
        return false;
    if (names)
        names->push_back(std::string(name, nameEnd));
    return true;
}

// A material file named by the model must be a plain file if it is there at all: the engine
// would try to read a directory whole.
bool materialFilesPlain(const io::path& modelPath, const std::vector<std::string>& names, std::string* why)
{
    const std::string model = modelPath.c_str();
    const size_t slash = model.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : model.substr(0, slash + 1);
    for (const std::string& name : names) {
        struct stat info;
        if (stat((folder + name).c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
            *why = "its material file \"" + name + "\" is not a file";
            return false;
        }
    }
    return true;
}

// One line of the file; counts[] holds what the lines before it defined.
bool lineValid(const char* line, const char* lineEnd, int counts[3], std::string* why,
               std::vector<std::string>* materialLibraries)
{
    for (const char* c = line; c < lineEnd; ++c)
        if ((static_cast<unsigned char>(*c) < 0x20 && !isBlank(*c)) || *c == 0x7f) {
            *why = "it is not a text file";
            return false;
        }

    // The engine reads a line's kind from its first two characters, without skipping blanks,
    // and takes a vertex's numbers from the following words even when they run on into the
    // next lines, which it then never looks at.
    int* count = nullptr;
    int needed = 0;
    if (lineEnd - line >= 2 && line[0] == 'v')
        switch (line[1]) {
        case ' ': count = &counts[0]; needed = 3; break;
        case 't': count = &counts[1]; needed = 2; break;
        case 'n': count = &counts[2]; needed = 3; break;
        }
    if (count) {
        if (wordsAfterFirst(line, lineEnd) < needed) {
            *why = "a vertex line has too few numbers";
            return false;
        }
        ++*count;
        return true;
    }

    // Faces and material files are checked even where the engine would skip the line.
    const char* p = line;
    while (p < lineEnd && isBlank(*p))
        ++p;
    if (p < lineEnd && *p == 'm' && !materialLibraryValid(p, lineEnd, materialLibraries)) {
        // The engine would take the next word as the material file, even from the next line.
        *why = "a line starting with 'm' is not \"mtllib NAME\"";
        return false;
    }
    if (p < lineEnd && *p == 'f') {
        if (lineEnd - p < 2 || !isBlank(p[1])) {
            *why = "a line starting with 'f' is not a face";
            return false;
        }
        return faceValid(p + 1, lineEnd, counts, why);
    }
    return true;
}

} // namespace

bool CheckedObjLoader::check(const char* text, size_t size, std::string* why,
                             std::vector<std::string>* materialLibraries)
{
    int counts[3] = { 0, 0, 0 };   // vertices, texture coordinates, normals defined so far
    const char* end = text + size;
    long lineNumber = 1;
    for (const char* line = text; line < end; ++lineNumber) {
        const char* lineEnd = line;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        if (!lineValid(line, lineEnd, counts, why, materialLibraries)) {
            *why += " (line " + std::to_string(lineNumber) + ")";
            return false;
        }
        line = lineEnd + 1;
    }
    return true;
}

void CheckedObjLoader::install(scene::ISceneManager* sceneManager)
{
    scene::IMeshLoader* engineLoader = nullptr;
    for (u32 i = 0; i < sceneManager->getMeshLoaderCount(); ++i)
        if (sceneManager->getMeshLoader(i)->isALoadableFileExtension("model.obj"))
            engineLoader = sceneManager->getMeshLoader(i);
    if (!engineLoader)
        return;
    CheckedObjLoader* loader = new CheckedObjLoader(engineLoader);
    sceneManager->addExternalMeshLoader(loader);
    loader->drop();
}

CheckedObjLoader::CheckedObjLoader(scene::IMeshLoader* engineLoader) : mEngineLoader(engineLoader)
{
    mEngineLoader->grab();
}

CheckedObjLoader::~CheckedObjLoader()
{
    mEngineLoader->drop();
}

bool CheckedObjLoader::isALoadableFileExtension(const io::path& filename) const
{
    return mEngineLoader->isALoadableFileExtension(filename);
}

scene::IAnimatedMesh* CheckedObjLoader::createMesh(io::IReadFile* file)
{
    const long size = file->getSize();
    std::vector<char> text(size > 0 ? static_cast<size_t>(size) : 0);
    const bool read = size > 0 && file->read(text.data(), static_cast<u32>(size)) == size;

    std::string why = "it is empty or cannot be read";
    std::vector<std::string> materialLibraries;
    if (read && check(text.data(), text.size(), &why, &materialLibraries) &&
        materialFilesPlain(file->getFileName(), materialLibraries, &why)) {
        file->seek(0);
        if (scene::IAnimatedMesh* mesh = mEngineLoader->createMesh(file))
            return mesh;
        why = "the engine cannot read it";
    }
    const std::string name = file->getFileName().c_str();
    reportFile(name, "the model \"" + name + "\" is damaged (" + why + "); it is left out");
    // A mesh without buffers, so that the engine tries no other loader on this file.
    scene::SMesh* empty = new scene::SMesh();
    scene::SAnimatedMesh* mesh = new scene::SAnimatedMesh(empty);
    empty->drop();
    return mesh;
}

} // namespace veko
