#pragma once

#include <string>

namespace veko {

class Canvas;

// The show's seventeen textures, drawn with Cairo and written as PNG files.
// Images that the scenes blend are drawn on a transparent background.
class TextureSet {
public:
    // Writes every texture into dir; false if a file or the font failed.
    static bool writeAll(const std::string& dir);
    // Writes the program's 256x256 icon, the opening's cat face on a sunburst tile.
    static bool writeIcon(const std::string& file);

private:
    static void drawCatFace(Canvas& c);                // katze.png
    static void drawSittingCat(Canvas& c, bool chomp); // katze1.png, katze2.png
    static void drawLogo(Canvas& c);                   // zuli!.png
    static void drawStarParticle(Canvas& c);           // starticle.png
    static void drawHeartParticle(Canvas& c);          // hearticle.png
    static void drawFish(Canvas& c);                   // food1.png
    static void drawDrumstick(Canvas& c);              // food2.png
    static void drawDonut(Canvas& c);                  // food3.png
    static void drawRabbit(Canvas& c, bool hop);       // rabbit1.png, rabbit2.png
    static void drawStripes(Canvas& c);                // stripes4.png
    static void drawSunburst(Canvas& c);               // eda_back.png
    static void drawStarrySky(Canvas& c);              // starback.png
    static void drawBricks(Canvas& c);                 // veko.png
    static void drawCollage(Canvas& c);                // dada.png
    static void drawDrips(Canvas& c);                  // blood.png
};

} // namespace veko
