#pragma once

#include <string>

namespace veko {

// The show's four models, built from code and written as OBJ + MTL files.
class ModelSet {
public:
    // Writes arks3, arks5, shape_1a and town_04 (.obj and .mtl) into dir.
    static bool writeAll(const std::string& dir);

private:
    static bool writeRingTunnel(const std::string& dir);   // arks3
    static bool writeArcade(const std::string& dir);       // arks5
    static bool writeStarShape(const std::string& dir);    // shape_1a
    static bool writeTown(const std::string& dir);         // town_04
};

} // namespace veko
