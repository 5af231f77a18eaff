#include "ModelSet.h"

#include "Lcg.h"
#include "ObjWriter.h"

#include <cmath>
#include <vector>

namespace veko {

namespace {

const double kPi = 3.14159265358979323846;

// The fly-through cameras travel along this line, looking along +Z.
const double kAxisX = 24.0;
const double kAxisY = 23.0;

// Adds a quad whose front faces the given outward direction, whatever the
// order in which its corners were listed (they must go round the quad).
void orientedQuad(ObjWriter& obj, const Vec3& outward, const Vec3& a, const Vec3& b, const Vec3& c,
                  const Vec3& d, const Vec2& ta, const Vec2& tb, const Vec2& tc, const Vec2& td)
{
    if ((b - a).cross(c - a).dot(outward) >= 0)
        obj.quad(a, b, c, d, ta, tb, tc, td);
    else
        obj.quad(a, d, c, b, ta, td, tc, tb);
}

void orientedTriangle(ObjWriter& obj, const Vec3& outward, const Vec3& a, const Vec3& b, const Vec3& c)
{
    if ((b - a).cross(c - a).dot(outward) >= 0)
        obj.triangle(a, b, c);
    else
        obj.triangle(a, c, b);
}

// An axis-aligned box from lo to hi; texture coordinates repeat every uvScale units.
void box(ObjWriter& obj, const Vec3& lo, const Vec3& hi, double uvScale = 4.0)
{
    auto uv = [uvScale](double u, double v) { return Vec2{u / uvScale, v / uvScale}; };
    // -X and +X
    for (int s = 0; s < 2; ++s) {
        double x = s ? hi.x : lo.x;
        orientedQuad(obj, {s ? 1.0 : -1.0, 0, 0}, {x, lo.y, lo.z}, {x, hi.y, lo.z}, {x, hi.y, hi.z},
                     {x, lo.y, hi.z}, uv(lo.y, lo.z), uv(hi.y, lo.z), uv(hi.y, hi.z), uv(lo.y, hi.z));
    }
    // -Y and +Y
    for (int s = 0; s < 2; ++s) {
        double y = s ? hi.y : lo.y;
        orientedQuad(obj, {0, s ? 1.0 : -1.0, 0}, {lo.x, y, lo.z}, {hi.x, y, lo.z}, {hi.x, y, hi.z},
                     {lo.x, y, hi.z}, uv(lo.x, lo.z), uv(hi.x, lo.z), uv(hi.x, hi.z), uv(lo.x, hi.z));
    }
    // -Z and +Z
    for (int s = 0; s < 2; ++s) {
        double z = s ? hi.z : lo.z;
        orientedQuad(obj, {0, 0, s ? 1.0 : -1.0}, {lo.x, lo.y, z}, {hi.x, lo.y, z}, {hi.x, hi.y, z},
                     {lo.x, hi.y, z}, uv(lo.x, lo.y), uv(hi.x, lo.y), uv(hi.x, hi.y), uv(lo.x, hi.y));
    }
}

// Sweeps a rectangular cross-section along a path in the XY plane at depth z:
// halfWidth across the path within the plane, halfDepth along Z. A closed path
// makes a ring; an open one gets end caps. U runs along the path (one unit of
// U per uvLength), V across each side.
void sweep(ObjWriter& obj, const std::vector<Vec2>& path, bool closed, double z, double halfWidth,
           double halfDepth, double uvLength)
{
    const int n = static_cast<int>(path.size());
    std::vector<Vec3> side(n); // in-plane unit normal, mitred
    for (int i = 0; i < n; ++i) {
        int prev = closed ? (i + n - 1) % n : (i > 0 ? i - 1 : i);
        int next = closed ? (i + 1) % n : (i < n - 1 ? i + 1 : i);
        Vec3 in = Vec3{path[i].u - path[prev].u, path[i].v - path[prev].v, 0}.normalized();
        Vec3 out = Vec3{path[next].u - path[i].u, path[next].v - path[i].v, 0}.normalized();
        Vec3 tangent = (in + out).normalized();
        if (i == prev)
            tangent = out;
        if (i == next)
            tangent = in;
        Vec3 normal{-tangent.y, tangent.x, 0};
        double mitre = normal.dot(Vec3{-out.y, out.x, 0});
        if (i == next)
            mitre = normal.dot(Vec3{-in.y, in.x, 0});
        side[i] = normal * (1.0 / std::max(mitre, 0.3));
    }
    std::vector<double> along(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        const Vec2& p = path[(i - 1) % n];
        const Vec2& q = path[i % n];
        along[i] = along[i - 1] + std::hypot(q.u - p.u, q.v - p.v);
    }

    auto corner = [&](int i, double w, double d) {
        return Vec3{path[i].u + side[i].x * w, path[i].v + side[i].y * w, z + d};
    };
    const int segments = closed ? n : n - 1;
    for (int s = 0; s < segments; ++s) {
        int i = s, j = (s + 1) % n;
        double u0 = along[s] / uvLength, u1 = along[s + 1] / uvLength;
        Vec3 across = ((side[i] + side[j]) * 0.5).normalized();
        const double w = halfWidth, d = halfDepth;
        // +side, -side, front (-Z), back (+Z)
        orientedQuad(obj, across, corner(i, w, -d), corner(j, w, -d), corner(j, w, d), corner(i, w, d),
                     {u0, 0}, {u1, 0}, {u1, 1}, {u0, 1});
        orientedQuad(obj, across * -1.0, corner(i, -w, -d), corner(j, -w, -d), corner(j, -w, d),
                     corner(i, -w, d), {u0, 0}, {u1, 0}, {u1, 1}, {u0, 1});
        orientedQuad(obj, {0, 0, -1}, corner(i, -w, -d), corner(j, -w, -d), corner(j, w, -d),
                     corner(i, w, -d), {u0, 0}, {u1, 0}, {u1, 1}, {u0, 1});
        orientedQuad(obj, {0, 0, 1}, corner(i, -w, d), corner(j, -w, d), corner(j, w, d), corner(i, w, d),
                     {u0, 0}, {u1, 0}, {u1, 1}, {u0, 1});
    }
    if (!closed) {
        for (int e = 0; e < 2; ++e) {
            int i = e ? n - 1 : 0;
            int k = e ? n - 2 : 1;
            Vec3 outward = Vec3{path[i].u - path[k].u, path[i].v - path[k].v, 0}.normalized();
            const double w = halfWidth, d = halfDepth;
            orientedQuad(obj, outward, corner(i, -w, -d), corner(i, w, -d), corner(i, w, d), corner(i, -w, d),
                         {0, 0}, {1, 0}, {1, 1}, {0, 1});
        }
    }
}

} // namespace

bool ModelSet::writeAll(const std::string& dir)
{
    return writeRingTunnel(dir) && writeArcade(dir) && writeStarShape(dir) && writeTown(dir);
}

// A tunnel of rings on four rails around the cameras' line of flight.
bool ModelSet::writeRingTunnel(const std::string& dir)
{
    ObjWriter obj;
    int ring = obj.addMaterial({"ring", {0.55, 0.35, 1.0}, {0, 0, 0}, "../textures/dada.png"});
    int rail = obj.addMaterial({"rail", {0.2, 0.85, 0.9}, {0, 0, 0}, ""});

    const double radius = 8.0;
    const double first = -440.0, last = 262.0, pitch = 13.5;
    obj.useMaterial(ring);
    int k = 0;
    for (double z = first; z <= last; z += pitch, ++k) {
        // Every fourth ring is a heavy one; each is turned a little further.
        const int corners = 20;
        const double turn = k * 0.21;
        const double width = (k % 4 == 0) ? 1.1 : 0.7;
        std::vector<Vec2> path;
        for (int i = 0; i < corners; ++i) {
            double a = turn + 2 * kPi * i / corners;
            path.push_back({kAxisX + radius * std::cos(a), kAxisY + radius * std::sin(a)});
        }
        sweep(obj, path, true, z, width, (k % 4 == 0) ? 1.6 : 0.9, 6.0);
    }

    obj.useMaterial(rail);
    const double railRadius = radius + 1.6;
    for (int r = 0; r < 4; ++r) {
        double a = kPi / 4 + r * kPi / 2;
        double x = kAxisX + railRadius * std::cos(a), y = kAxisY + railRadius * std::sin(a);
        box(obj, {x - 0.5, y - 0.5, first - 2}, {x + 0.5, y + 0.5, last + 2});
    }
    return obj.write(dir, "arks3");
}

// A long arcade of pointed arches standing on a floor.
bool ModelSet::writeArcade(const std::string& dir)
{
    ObjWriter obj;
    int arch = obj.addMaterial({"arch", {1.0, 0.85, 0.75}, {0.1, 0.08, 0.07}, "../textures/veko.png"});
    int floor = obj.addMaterial({"floor", {1.0, 1.0, 1.0}, {0.1, 0.1, 0.1}, "../textures/blood.png"});

    const double halfSpan = 7.5, floorY = kAxisY - 9.0, springY = kAxisY + 1.0;
    const double first = -440.0, last = 262.0, pitch = 11.0;

    // The outline of one arch: up the left pillar, over two arcs that meet in
    // a point, down the right pillar.
    std::vector<Vec2> outline;
    outline.push_back({kAxisX - halfSpan, floorY});
    outline.push_back({kAxisX - halfSpan, springY});
    const double r = 2 * halfSpan;
    const double apexAngle = kPi - std::acos(halfSpan / r); // where the arcs meet over the middle
    const int arcSteps = 6;
    for (int i = 1; i <= arcSteps; ++i) { // left arc, centred on the right pillar
        double a = kPi - (kPi - apexAngle) * i / arcSteps;
        outline.push_back({kAxisX + halfSpan + r * std::cos(a), springY + r * std::sin(a)});
    }
    for (int i = arcSteps - 1; i >= 0; --i) { // right arc, mirrored
        double a = kPi - (kPi - apexAngle) * i / arcSteps;
        outline.push_back({kAxisX - halfSpan - r * std::cos(a), springY + r * std::sin(a)});
    }
    outline.push_back({kAxisX + halfSpan, floorY});

    obj.useMaterial(arch);
    for (double z = first; z <= last; z += pitch)
        sweep(obj, outline, false, z, 1.0, 1.0, 4.0);

    obj.useMaterial(floor);
    box(obj, {kAxisX - halfSpan - 4, floorY - 1.0, first - 6}, {kAxisX + halfSpan + 4, floorY, last + 6}, 8.0);
    return obj.write(dir, "arks5");
}

// A puffy five-pointed star about two units across. The scene draws it unlit,
// so its shading is baked into a few materials chosen by each face's angle to
// a fixed light.
bool ModelSet::writeStarShape(const std::string& dir)
{
    ObjWriter obj;
    const int levels = 5;
    const Vec3 front{1.0, 0.3, 0.62}, rim{0.55, 0.3, 0.95};
    int frontShade[levels], rimShade[levels];
    for (int i = 0; i < levels; ++i) {
        double s = 0.45 + 0.55 * i / (levels - 1);
        frontShade[i] = obj.addMaterial({"star" + std::to_string(i), front * s, front * s * 0.5, ""});
        rimShade[i] = obj.addMaterial({"rim" + std::to_string(i), rim * s, rim * s * 0.5, ""});
    }
    const Vec3 light = Vec3{-0.5, 0.6, -0.65}.normalized();
    auto shade = [&](const Vec3& normal) {
        double lit = std::max(0.0, normal.dot(light));
        return std::min(levels - 1, static_cast<int>(lit * levels));
    };

    const int points = 5;
    const double outer = 1.0, inner = 0.45, rimHalf = 0.17, apex = 0.42;
    std::vector<Vec3> outline;
    for (int i = 0; i < 2 * points; ++i) {
        double a = kPi / 2 + kPi * i / points;
        double r = (i % 2 == 0) ? outer : inner;
        outline.push_back({r * std::cos(a), r * std::sin(a), 0});
    }
    const int n = static_cast<int>(outline.size());
    for (int i = 0; i < n; ++i) {
        const Vec3& p = outline[i];
        const Vec3& q = outline[(i + 1) % n];
        for (int s = -1; s <= 1; s += 2) {
            Vec3 top{0, 0, s * apex};
            Vec3 a = p + Vec3{0, 0, s * rimHalf}, b = q + Vec3{0, 0, s * rimHalf};
            Vec3 outward = (top + a + b) * (1.0 / 3);
            Vec3 normal = (a - top).cross(b - top).normalized();
            if (normal.dot(outward) < 0)
                normal = normal * -1.0;
            obj.useMaterial(frontShade[shade(normal)]);
            orientedTriangle(obj, outward, top, a, b);
        }
        Vec3 a0 = p + Vec3{0, 0, -rimHalf}, b0 = q + Vec3{0, 0, -rimHalf};
        Vec3 a1 = p + Vec3{0, 0, rimHalf}, b1 = q + Vec3{0, 0, rimHalf};
        Vec3 outward = (p + q) * 0.5;
        Vec3 normal = (b0 - a0).cross(a1 - a0).normalized();
        if (normal.dot(outward) < 0)
            normal = normal * -1.0;
        obj.useMaterial(rimShade[shade(normal)]);
        orientedQuad(obj, normal, a0, b0, b1, a1, {0, 0}, {1, 0}, {1, 1}, {0, 1});
    }
    return obj.write(dir, "shape_1a");
}

// A small town with Z up: a main street along +Y from y = 0 to 60, cross
// streets, blocks of houses with lit windows on both sides.
bool ModelSet::writeTown(const std::string& dir)
{
    ObjWriter obj;
    int ground = obj.addMaterial({"ground", {0.22, 0.22, 0.3}, {0.12, 0.12, 0.16}, ""});
    int marking = obj.addMaterial({"marking", {0.9, 0.85, 0.5}, {0.5, 0.45, 0.25}, ""});
    int window = obj.addMaterial({"window", {1.0, 0.85, 0.4}, {1.0, 0.8, 0.35}, ""});
    int roof = obj.addMaterial({"roof", {0.75, 0.3, 0.3}, {0.3, 0.1, 0.12}, ""});
    const Vec3 wallColours[] = {{0.95, 0.75, 0.8}, {0.7, 0.8, 0.95}, {0.85, 0.95, 0.75},
                                {0.95, 0.9, 0.7},  {0.8, 0.7, 0.95}};
    int walls[5];
    for (int i = 0; i < 5; ++i)
        walls[i] = obj.addMaterial({"wall" + std::to_string(i), wallColours[i], wallColours[i] * 0.35, ""});

    obj.useMaterial(ground);
    box(obj, {-21, -3, -0.5}, {21, 63, 0});
    obj.useMaterial(marking);
    for (double y = -2; y < 62; y += 4)
        box(obj, {-0.12, y, 0}, {0.12, y + 2, 0.02});

    Lcg random(1300);
    const double blockStarts[] = {0, 16, 32, 48};
    const double blockLength = 12;
    for (double y0 : blockStarts) {
        for (int side = -1; side <= 1; side += 2) {
            // Each block is split into lots along X and along Y.
            const double xs[] = {3.5, 9.0, 14.5, 20.0};
            int lotsAlongY = random.range(1, 3);
            for (int ix = 0; ix < 3; ++ix) {
                for (int iy = 0; iy < lotsAlongY; ++iy) {
                    double lotY0 = y0 + blockLength * iy / lotsAlongY;
                    double lotY1 = y0 + blockLength * (iy + 1) / lotsAlongY;
                    double xa = xs[ix] + 0.3, xb = xs[ix + 1] - 0.3;
                    Vec3 lo{side < 0 ? -xb : xa, lotY0 + 0.3, 0};
                    Vec3 hi{side < 0 ? -xa : xb, lotY1 - 0.3, 0};
                    double height = ix == 0 ? random.uniform(3.0, 9.5) : random.uniform(2.0, 7.0);
                    hi.z = height;
                    obj.useMaterial(walls[random.next() % 5]);
                    box(obj, lo, hi);

                    // A gabled roof on low houses, a parapet on tall ones.
                    if (height < 5.0) {
                        obj.useMaterial(roof);
                        double midX = (lo.x + hi.x) * 0.5, top = height + 1.6;
                        Vec3 a{lo.x, lo.y, height}, b{hi.x, lo.y, height}, c{hi.x, hi.y, height}, d{lo.x, hi.y, height};
                        Vec3 r0{midX, lo.y, top}, r1{midX, hi.y, top};
                        orientedQuad(obj, {-1, 0, 1}, a, d, r1, r0, {0, 0}, {1, 0}, {1, 1}, {0, 1});
                        orientedQuad(obj, {1, 0, 1}, b, c, r1, r0, {0, 0}, {1, 0}, {1, 1}, {0, 1});
                        orientedTriangle(obj, {0, -1, 0}, a, b, r0);
                        orientedTriangle(obj, {0, 1, 0}, d, c, r1);
                        orientedQuad(obj, {0, 0, -1}, a, b, c, d, {0, 0}, {1, 0}, {1, 1}, {0, 1});
                    } else {
                        obj.useMaterial(roof);
                        box(obj, {lo.x - 0.1, lo.y - 0.1, height}, {hi.x + 0.1, hi.y + 0.1, height + 0.3});
                    }

                    // Windows on the faces that look at the main street and
                    // at the cameras coming up it.
                    obj.useMaterial(window);
                    double streetX = side < 0 ? hi.x : lo.x;
                    for (double z = 1.0; z + 0.8 < height; z += 1.5) {
                        for (double y = lo.y + 0.6; y + 0.7 < hi.y; y += 1.3) {
                            double x = streetX - side * 0.05;
                            box(obj, {std::min(x, streetX), y, z}, {std::max(x, streetX), y + 0.6, z + 0.8});
                        }
                        for (double x = lo.x + 0.6; x + 0.7 < hi.x; x += 1.3)
                            box(obj, {x, lo.y - 0.05, z}, {x + 0.6, lo.y, z + 0.8});
                    }
                }
            }
        }
    }
    return obj.write(dir, "town_04");
}

} // namespace veko
