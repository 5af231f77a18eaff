#pragma once

#include "Vec3.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace veko {

// Collects flat-shaded faces given in the engine's coordinates and writes them
// as a Wavefront OBJ file with a material library beside it.
//
// A face is given in the engine's sense: its front is where (b - a) x (c - a)
// points. The engine's OBJ loader negates X and reverses each face's corner
// order, so the writer negates X and writes the corners backwards; the file is
// then an ordinary right-handed OBJ with counter-clockwise fronts.
class ObjWriter {
public:
    struct Material {
        std::string name;
        Vec3 diffuse;          // Kd, also the vertex colour the engine gives the faces
        Vec3 ambient;          // Ka
        std::string texture;   // map_Kd, a path relative to the .obj; may be empty
    };

    int addMaterial(const Material& material);
    void useMaterial(int index);

    void triangle(const Vec3& a, const Vec3& b, const Vec3& c,
                  const Vec2& ta = {}, const Vec2& tb = {}, const Vec2& tc = {});
    // A planar convex quad, corners in order around its front.
    void quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d,
              const Vec2& ta = {}, const Vec2& tb = {}, const Vec2& tc = {}, const Vec2& td = {});

    int faceCount() const;

    // Writes <dir>/<baseName>.obj and <dir>/<baseName>.mtl.
    bool write(const std::string& dir, const std::string& baseName) const;

private:
    struct Corner {
        int position, uv, normal;
    };
    using Key = std::tuple<long long, long long, long long>;

    int positionIndex(const Vec3& p);
    int uvIndex(const Vec2& t);
    int normalIndex(const Vec3& n);
    void face(const Vec3* p, const Vec2* t, int count);

    std::vector<Material> mMaterials;
    std::vector<std::vector<std::vector<Corner>>> mFaces; // per material
    int mCurrent = -1;

    std::vector<Vec3> mPositions;
    std::vector<Vec2> mUvs;
    std::vector<Vec3> mNormals;
    std::map<Key, int> mPositionKeys, mUvKeys, mNormalKeys;
};

} // namespace veko
