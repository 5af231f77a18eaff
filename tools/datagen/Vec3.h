#pragma once

#include <cmath>

namespace veko {

// Small value types for building models in the engine's own coordinates
// (left-handed: X right, Y up, Z into the screen).
struct Vec2 {
    double u = 0, v = 0;
};

struct Vec3 {
    double x = 0, y = 0, z = 0;

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    double length() const { return std::sqrt(dot(*this)); }
    Vec3 normalized() const
    {
        double l = length();
        return l > 0 ? *this * (1.0 / l) : Vec3{0, 0, 0};
    }
};

} // namespace veko
