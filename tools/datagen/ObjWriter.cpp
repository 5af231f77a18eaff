#include "ObjWriter.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace veko {

namespace {

const double kPositionStep = 1000.0; // millimetre grid for positions
const double kUnitStep = 10000.0;    // normals and texture coordinates

// Shortest fixed-point form: "24", "-0.5", "23.125"; never "-0".
std::string number(long long quantized, double step)
{
    if (quantized == 0)
        return "0";
    char text[48];
    std::snprintf(text, sizeof text, "%.4f", quantized / step);
    std::string s(text);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

long long quantize(double value, double step)
{
    return std::llround(value * step);
}

} // namespace

int ObjWriter::addMaterial(const Material& material)
{
    mMaterials.push_back(material);
    mFaces.emplace_back();
    return static_cast<int>(mMaterials.size()) - 1;
}

void ObjWriter::useMaterial(int index)
{
    mCurrent = index;
}

int ObjWriter::positionIndex(const Vec3& p)
{
    // The file is right-handed: X is negated here and again by the loader.
    Key key{quantize(-p.x, kPositionStep), quantize(p.y, kPositionStep), quantize(p.z, kPositionStep)};
    auto found = mPositionKeys.find(key);
    if (found != mPositionKeys.end())
        return found->second;
    mPositions.push_back({static_cast<double>(std::get<0>(key)), static_cast<double>(std::get<1>(key)),
                          static_cast<double>(std::get<2>(key))});
    int index = static_cast<int>(mPositions.size());
    mPositionKeys.emplace(key, index);
    return index;
}

int ObjWriter::uvIndex(const Vec2& t)
{
    // The loader turns V upside down (v' = 1 - v); write it so that the
    // engine sees the V that was asked for.
    Key key{quantize(t.u, kUnitStep), quantize(1.0 - t.v, kUnitStep), 0};
    auto found = mUvKeys.find(key);
    if (found != mUvKeys.end())
        return found->second;
    mUvs.push_back({static_cast<double>(std::get<0>(key)), static_cast<double>(std::get<1>(key))});
    int index = static_cast<int>(mUvs.size());
    mUvKeys.emplace(key, index);
    return index;
}

int ObjWriter::normalIndex(const Vec3& n)
{
    Key key{quantize(-n.x, kUnitStep), quantize(n.y, kUnitStep), quantize(n.z, kUnitStep)};
    auto found = mNormalKeys.find(key);
    if (found != mNormalKeys.end())
        return found->second;
    mNormals.push_back({static_cast<double>(std::get<0>(key)), static_cast<double>(std::get<1>(key)),
                        static_cast<double>(std::get<2>(key))});
    int index = static_cast<int>(mNormals.size());
    mNormalKeys.emplace(key, index);
    return index;
}

void ObjWriter::face(const Vec3* p, const Vec2* t, int count)
{
    Vec3 normal = (p[1] - p[0]).cross(p[2] - p[0]).normalized();
    if (count == 4)
        normal = (normal + (p[2] - p[0]).cross(p[3] - p[0]).normalized()).normalized();
    if (normal.length() == 0 || mCurrent < 0)
        return; // degenerate faces are dropped
    int n = normalIndex(normal);
    std::vector<Corner> corners;
    for (int i = count - 1; i >= 0; --i) // backwards, see the class comment
        corners.push_back({positionIndex(p[i]), uvIndex(t[i]), n});
    mFaces[mCurrent].push_back(corners);
}

void ObjWriter::triangle(const Vec3& a, const Vec3& b, const Vec3& c,
                         const Vec2& ta, const Vec2& tb, const Vec2& tc)
{
    const Vec3 p[3] = {a, b, c};
    const Vec2 t[3] = {ta, tb, tc};
    face(p, t, 3);
}

void ObjWriter::quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d,
                     const Vec2& ta, const Vec2& tb, const Vec2& tc, const Vec2& td)
{
    const Vec3 p[4] = {a, b, c, d};
    const Vec2 t[4] = {ta, tb, tc, td};
    face(p, t, 4);
}

int ObjWriter::faceCount() const
{
    int count = 0;
    for (const auto& faces : mFaces)
        count += static_cast<int>(faces.size());
    return count;
}

bool ObjWriter::write(const std::string& dir, const std::string& baseName) const
{
    std::ostringstream mtl;
    for (const Material& m : mMaterials) {
        auto colour = [](const Vec3& c) {
            return number(quantize(c.x, kUnitStep), kUnitStep) + " " + number(quantize(c.y, kUnitStep), kUnitStep) +
                   " " + number(quantize(c.z, kUnitStep), kUnitStep);
        };
        mtl << "newmtl " << m.name << "\n";
        mtl << "Ka " << colour(m.ambient) << "\n";
        mtl << "Kd " << colour(m.diffuse) << "\n";
        mtl << "Ks 0 0 0\n";
        if (!m.texture.empty())
            mtl << "map_Kd " << m.texture << "\n";
        mtl << "\n";
    }

    std::ostringstream obj;
    obj << "# " << baseName << ": " << faceCount() << " faces\n";
    obj << "mtllib " << baseName << ".mtl\n";
    for (const Vec3& p : mPositions)
        obj << "v " << number(static_cast<long long>(p.x), kPositionStep) << ' '
            << number(static_cast<long long>(p.y), kPositionStep) << ' '
            << number(static_cast<long long>(p.z), kPositionStep) << '\n';
    for (const Vec2& t : mUvs)
        obj << "vt " << number(static_cast<long long>(t.u), kUnitStep) << ' '
            << number(static_cast<long long>(t.v), kUnitStep) << '\n';
    for (const Vec3& n : mNormals)
        obj << "vn " << number(static_cast<long long>(n.x), kUnitStep) << ' '
            << number(static_cast<long long>(n.y), kUnitStep) << ' '
            << number(static_cast<long long>(n.z), kUnitStep) << '\n';
    for (size_t m = 0; m < mMaterials.size(); ++m) {
        if (mFaces[m].empty())
            continue;
        obj << "usemtl " << mMaterials[m].name << '\n';
        for (const auto& corners : mFaces[m]) {
            obj << 'f';
            for (const Corner& c : corners)
                obj << ' ' << c.position << '/' << c.uv << '/' << c.normal;
            obj << '\n';
        }
    }

    std::ofstream objFile(dir + "/" + baseName + ".obj", std::ios::binary);
    std::ofstream mtlFile(dir + "/" + baseName + ".mtl", std::ios::binary);
    objFile << obj.str();
    mtlFile << mtl.str();
    return static_cast<bool>(objFile) && static_cast<bool>(mtlFile);
}

} // namespace veko
