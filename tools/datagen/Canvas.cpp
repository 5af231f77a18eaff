#include "Canvas.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <cstring>

namespace veko {

namespace {

const double kPi = 3.14159265358979323846;
const char* kFontFamily = "DejaVu Sans";

cairo_font_face_t* sFontFace = nullptr;

} // namespace

bool Canvas::loadFont()
{
    if (sFontFace)
        return true;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans:style=Bold"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    FcChar8* family = nullptr;
    FcChar8* style = nullptr;
    FcChar8* file = nullptr;
    bool found = match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
                 FcPatternGetString(match, FC_STYLE, 0, &style) == FcResultMatch &&
                 FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                 std::strcmp(reinterpret_cast<char*>(family), kFontFamily) == 0 &&
                 std::strcmp(reinterpret_cast<char*>(style), "Bold") == 0;
    if (!found) {
        std::fprintf(stderr, "kavri-datagen: font \"%s Bold\" not found (got %s %s); install fonts-dejavu-core\n",
                     kFontFamily, family ? reinterpret_cast<char*>(family) : "nothing",
                     style ? reinterpret_cast<char*>(style) : "");
        if (match)
            FcPatternDestroy(match);
        return false;
    }
    // Load the file itself, so that no fontconfig rendering setting of the
    // machine (hinting, subpixel order) reaches the pixels.
    static FT_Library library = nullptr;
    FT_Face face = nullptr;
    if ((!library && FT_Init_FreeType(&library)) ||
        FT_New_Face(library, reinterpret_cast<char*>(file), 0, &face)) {
        std::fprintf(stderr, "kavri-datagen: cannot open %s\n", reinterpret_cast<char*>(file));
        FcPatternDestroy(match);
        return false;
    }
    FcPatternDestroy(match);
    sFontFace = cairo_ft_font_face_create_for_ft_face(face, 0);
    return true;
}

Canvas::Canvas(int width, int height, bool alpha) : mWidth(width), mHeight(height)
{
    mSurface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height);
    mCr = cairo_create(mSurface);
    cairo_set_antialias(mCr, CAIRO_ANTIALIAS_GRAY);
    cairo_set_line_join(mCr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(mCr, CAIRO_LINE_CAP_ROUND);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(mCr, options);
    cairo_font_options_destroy(options);
}

Canvas::~Canvas()
{
    cairo_destroy(mCr);
    cairo_surface_destroy(mSurface);
}

void Canvas::colour(uint32_t rgb, double alpha)
{
    cairo_set_source_rgba(mCr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0,
                          alpha);
}

void Canvas::fillStroke(uint32_t fill, uint32_t line, double lineWidth)
{
    colour(fill);
    cairo_fill_preserve(mCr);
    colour(line);
    cairo_set_line_width(mCr, lineWidth);
    cairo_stroke(mCr);
}

void Canvas::ellipse(double cx, double cy, double rx, double ry)
{
    cairo_save(mCr);
    cairo_translate(mCr, cx, cy);
    cairo_scale(mCr, rx, ry);
    cairo_new_sub_path(mCr);
    cairo_arc(mCr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(mCr);
}

void Canvas::heart(double cx, double cy, double size)
{
    // Two lobes and a point, about size wide and size high.
    const double s = size / 2;
    cairo_new_sub_path(mCr);
    cairo_move_to(mCr, cx, cy + s);
    cairo_curve_to(mCr, cx - s * 0.35, cy + s * 0.55, cx - s, cy + s * 0.2, cx - s, cy - s * 0.35);
    cairo_curve_to(mCr, cx - s, cy - s * 0.95, cx - s * 0.2, cy - s * 1.05, cx, cy - s * 0.5);
    cairo_curve_to(mCr, cx + s * 0.2, cy - s * 1.05, cx + s, cy - s * 0.95, cx + s, cy - s * 0.35);
    cairo_curve_to(mCr, cx + s, cy + s * 0.2, cx + s * 0.35, cy + s * 0.55, cx, cy + s);
    cairo_close_path(mCr);
}

void Canvas::star(double cx, double cy, double outer, double inner, int points, double turn)
{
    cairo_new_sub_path(mCr);
    for (int i = 0; i < 2 * points; ++i) {
        double a = turn - kPi / 2 + kPi * i / points;
        double r = (i % 2 == 0) ? outer : inner;
        cairo_line_to(mCr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(mCr);
}

void Canvas::roundedRect(double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(mCr);
    cairo_arc(mCr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(mCr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(mCr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(mCr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(mCr);
}

void Canvas::useFont(double size)
{
    cairo_set_font_face(mCr, sFontFace);
    cairo_set_font_size(mCr, size);
}

double Canvas::textWidth(const char* text, double size)
{
    useFont(size);
    cairo_text_extents_t extents;
    cairo_text_extents(mCr, text, &extents);
    return extents.width;
}

void Canvas::textPath(const char* text, double cx, double cy, double size)
{
    useFont(size);
    cairo_text_extents_t extents;
    cairo_text_extents(mCr, text, &extents);
    cairo_move_to(mCr, cx - extents.width / 2 - extents.x_bearing, cy - extents.height / 2 - extents.y_bearing);
    cairo_text_path(mCr, text);
}

bool Canvas::writePng(const std::string& path) const
{
    cairo_surface_flush(mSurface);
    return cairo_surface_write_to_png(mSurface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace veko
