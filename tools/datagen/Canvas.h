#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

namespace veko {

// One Cairo image to draw on and save as PNG, with the few path helpers that
// the artwork shares. Surfaces with alpha start fully transparent.
class Canvas {
public:
    Canvas(int width, int height, bool alpha);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return mCr; }
    int width() const { return mWidth; }
    int height() const { return mHeight; }

    void colour(uint32_t rgb, double alpha = 1.0);
    // Fills the current path with one colour and strokes it with another.
    void fillStroke(uint32_t fill, uint32_t line, double lineWidth);

    void ellipse(double cx, double cy, double rx, double ry);
    void heart(double cx, double cy, double size);
    void star(double cx, double cy, double outer, double inner, int points, double turn = 0);
    void roundedRect(double x, double y, double w, double h, double r);

    // Text set in DejaVu Sans Bold, centred on (cx, cy), as a path.
    void textPath(const char* text, double cx, double cy, double size);
    // Width of the text at the given size.
    double textWidth(const char* text, double size);

    bool writePng(const std::string& path) const;

    // Finds DejaVu Sans Bold through fontconfig and checks that this face,
    // and no substitute, was found. False (with a message) when it is missing.
    static bool loadFont();

private:
    void useFont(double size);

    cairo_surface_t* mSurface;
    cairo_t* mCr;
    int mWidth, mHeight;
};

} // namespace veko
