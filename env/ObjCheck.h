#ifndef VEKO_OBJ_CHECK_H
#define VEKO_OBJ_CHECK_H

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace veko {

// Reads an OBJ model, and the material files it names, word by word exactly as the engine's
// OBJ loader will: the same line kinds, the same words, the same fixed-size buffers, the same
// index arithmetic. It says whether the engine can load the model without crashing, smashing
// its stack or working for seconds, and if not, why.
class ObjCheck {
public:
    // Opens the material file the engine would open for this name, found as the engine finds
    // it, and returns its size (-1 when there is none); reads it into *text when its size is
    // at most the given limit.
    using MaterialReader = std::function<long long(const std::string& name, long long limit, std::string* text)>;

    // Far above what real models need, low enough that the engine loads any model within a
    // fraction of a second: its material lookups are quadratic, its vertex map is slow.
    struct Limits {
        static const size_t kGroups = 4096;               // the engine's material list
        static const size_t kGroupLookups = 10000000;     // entries its lookups scan, all told
        static const size_t kPartVertices = 65536;        // a part's indices are 16 bits wide
        static const size_t kVertices = 131072;           // distinct corners in all parts
        static const size_t kCorners = 1048576;           // face corners
        static const size_t kVertexLines = 1048576;       // positions, texture coordinates, normals
        static const size_t kMaterialFiles = 256;         // "mtllib" lines
        static const size_t kMaterialBytes = 32u << 20;   // material file text read, all told
        static const size_t kTextures = 1024;             // texture names in material files
    };

    explicit ObjCheck(MaterialReader materials);

    // The text must be what the engine reads; it is read as if it ended with a line break.
    // True when the engine may load it; otherwise *why says what is wrong and on which line.
    bool run(const char* text, size_t size, std::string* why);

private:
    struct Corner {
        size_t part;
        unsigned int index[3];
        bool operator==(const Corner& o) const;
    };
    struct CornerHash {
        size_t operator()(const Corner& c) const;
    };

    const char* line(const char* p, const char* end);
    const char* face(const char* p, const char* end);
    bool corner(const std::string& word, Corner* seen);
    void countVertex(const Corner& corner);
    void materialFile(const std::string& name);
    const char* materialLine(const char* p, const char* end);
    const char* textureLine(const char* p, const char* end);
    void findPart();
    void addPart(std::string name, std::string group);   // copies: name may live in mParts
    void fail(const std::string& why);

    MaterialReader mMaterials;
    std::string mWhy;
    size_t mCount[3];                  // positions, texture coordinates, normals
    size_t mVertexLines;
    // The engine's material list: name and group of each part, in order; index 0 is the default.
    std::vector<std::pair<std::string, std::string>> mParts;
    std::map<std::pair<std::string, std::string>, size_t> mFirstPart;
    std::set<std::string> mPartNames;
    size_t mPart;
    size_t mLookups;
    std::string mGroupName;
    std::string mMaterialName;
    bool mPartChanged;
    std::vector<Corner> mFewCorners;
    std::unordered_set<Corner, CornerHash> mCorners;
    std::vector<size_t> mPartVertices;
    size_t mCornerCount;
    size_t mMaterialFiles;
    size_t mMaterialBytes;
    size_t mTextures;
};

} // namespace veko

#endif
