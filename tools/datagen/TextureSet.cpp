#include "TextureSet.h"

#include "Canvas.h"
#include "Lcg.h"

#include <cmath>
#include <functional>

namespace veko {

namespace {

const double kPi = 3.14159265358979323846;

// The palette shared by the pictures.
const uint32_t kGinger = 0xF29D38;
const uint32_t kGingerDark = 0xD9761E;
const uint32_t kCream = 0xFFF3E0;
const uint32_t kInk = 0x4A2410;
const uint32_t kPink = 0xF7A1B5;
const uint32_t kNose = 0xF06C8C;

void whiskers(Canvas& c, double x, double y, double dir, double length, double width)
{
    cairo_t* cr = c.cr();
    c.colour(kInk);
    cairo_set_line_width(cr, width);
    for (int i = -1; i <= 1; ++i) {
        cairo_move_to(cr, x, y + i * width * 2.2);
        cairo_line_to(cr, x + dir * length, y + i * width * 5.5 - width);
    }
    cairo_stroke(cr);
}

// A thick curve drawn twice: a dark outline first, then the colour inside it.
void outlinedStroke(Canvas& c, const std::function<void()>& path, uint32_t fill, uint32_t line, double width,
                    double outline)
{
    cairo_t* cr = c.cr();
    path();
    c.colour(line);
    cairo_set_line_width(cr, width + 2 * outline);
    cairo_stroke(cr);
    path();
    c.colour(fill);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

} // namespace

// A round ginger cat face looking straight out, for the grid of the opening.
void TextureSet::drawCatFace(Canvas& c)
{
    cairo_t* cr = c.cr();
    const double line = 8;
    for (int side = -1; side <= 1; side += 2) {
        double x = 128 + side * 88;
        cairo_move_to(cr, x, 122);
        cairo_line_to(cr, 128 + side * 70, 18);
        cairo_line_to(cr, 128 + side * 12, 72);
        cairo_close_path(cr);
        c.fillStroke(kGinger, kInk, line);
        cairo_move_to(cr, 128 + side * 76, 104);
        cairo_line_to(cr, 128 + side * 68, 40);
        cairo_line_to(cr, 128 + side * 34, 78);
        cairo_close_path(cr);
        c.colour(kPink);
        cairo_fill(cr);
    }
    c.ellipse(128, 148, 104, 90);
    c.fillStroke(kGinger, kInk, line);
    // Forehead stripes.
    c.colour(kGingerDark);
    for (int i = -1; i <= 1; ++i) {
        c.ellipse(128 + i * 22, 78 + std::abs(i) * 6, 7, 18);
        cairo_fill(cr);
    }
    // Muzzle and cheeks.
    c.colour(kCream);
    c.ellipse(106, 184, 30, 24);
    c.ellipse(150, 184, 30, 24);
    cairo_fill(cr);
    c.colour(0xFF6F91, 0.45);
    c.ellipse(62, 176, 17, 12);
    c.ellipse(194, 176, 17, 12);
    cairo_fill(cr);
    // Eyes with highlights.
    for (int side = -1; side <= 1; side += 2) {
        c.ellipse(128 + side * 44, 136, 17, 23);
        c.colour(0x2B1A10);
        cairo_fill(cr);
        c.ellipse(128 + side * 44 - 5, 127, 6.5, 7.5);
        c.colour(0xFFFFFF);
        cairo_fill(cr);
    }
    // Nose and mouth.
    cairo_move_to(cr, 116, 164);
    cairo_line_to(cr, 140, 164);
    cairo_line_to(cr, 128, 177);
    cairo_close_path(cr);
    c.colour(kNose);
    cairo_fill(cr);
    c.colour(kInk);
    cairo_set_line_width(cr, 5);
    cairo_move_to(cr, 128, 177);
    cairo_curve_to(cr, 126, 192, 110, 196, 104, 186);
    cairo_move_to(cr, 128, 177);
    cairo_curve_to(cr, 130, 192, 146, 196, 152, 186);
    cairo_stroke(cr);
    whiskers(c, 84, 182, -1, 74, 3.5);
    whiskers(c, 172, 182, 1, 74, 3.5);
}

// The conveyor cat: sitting, turned towards the food on its right. The chomp
// frame has its mouth open, its eyes shut in delight and its tail down.
void TextureSet::drawSittingCat(Canvas& c, bool chomp)
{
    cairo_t* cr = c.cr();
    const double line = 7;
    // Tail behind the body.
    outlinedStroke(
        c,
        [&] {
            cairo_move_to(cr, 72, 214);
            if (chomp)
                cairo_curve_to(cr, 20, 226, 6, 190, 24, 168);
            else
                cairo_curve_to(cr, 22, 196, 14, 130, 42, 96);
        },
        kGinger, kInk, 20, line / 2 + 1);
    // Body, belly and paws.
    c.ellipse(108, 182, 72, 62);
    c.fillStroke(kGinger, kInk, line);
    c.colour(kGingerDark);
    for (int i = 0; i < 3; ++i) {
        c.ellipse(64 + i * 16, 152 + i * 4, 6, 20);
        cairo_fill(cr);
    }
    c.ellipse(128, 196, 38, 42);
    c.colour(kCream);
    cairo_fill(cr);
    for (int i = 0; i < 2; ++i) {
        c.ellipse(122 + i * 40, 238, 21, 12);
        c.fillStroke(kCream, kInk, 5);
    }
    // Ears, then the head over them.
    cairo_move_to(cr, 118, 82);
    cairo_line_to(cr, 122, 22);
    cairo_line_to(cr, 160, 50);
    cairo_close_path(cr);
    c.fillStroke(kGinger, kInk, line);
    cairo_move_to(cr, 178, 48);
    cairo_line_to(cr, 222, 20);
    cairo_line_to(cr, 222, 84);
    cairo_close_path(cr);
    c.fillStroke(kGinger, kInk, line);
    c.colour(kPink);
    cairo_move_to(cr, 128, 66);
    cairo_line_to(cr, 128, 36);
    cairo_line_to(cr, 150, 52);
    cairo_close_path(cr);
    cairo_move_to(cr, 190, 50);
    cairo_line_to(cr, 214, 34);
    cairo_line_to(cr, 214, 68);
    cairo_close_path(cr);
    cairo_fill(cr);
    c.ellipse(170, 100, 62, 56);
    c.fillStroke(kGinger, kInk, line);
    c.colour(kCream);
    c.ellipse(162, 128, 22, 17);
    c.ellipse(196, 128, 22, 17);
    cairo_fill(cr);
    c.colour(0xFF6F91, 0.45);
    c.ellipse(130, 122, 13, 9);
    c.ellipse(226, 120, 11, 9);
    cairo_fill(cr);
    // Eyes: open, or shut in two happy arcs.
    for (int i = 0; i < 2; ++i) {
        double x = 152 + i * 48, y = 92;
        if (chomp) {
            c.colour(0x2B1A10);
            cairo_set_line_width(cr, 6);
            cairo_move_to(cr, x - 13, y + 4);
            cairo_curve_to(cr, x - 6, y - 10, x + 6, y - 10, x + 13, y + 4);
            cairo_stroke(cr);
        } else {
            c.ellipse(x, y, 12, 17);
            c.colour(0x2B1A10);
            cairo_fill(cr);
            c.ellipse(x - 4, y - 7, 4.5, 5.5);
            c.colour(0xFFFFFF);
            cairo_fill(cr);
        }
    }
    // Nose, mouth.
    cairo_move_to(cr, 170, 112);
    cairo_line_to(cr, 188, 112);
    cairo_line_to(cr, 179, 122);
    cairo_close_path(cr);
    c.colour(kNose);
    cairo_fill(cr);
    if (chomp) {
        c.ellipse(179, 140, 17, 15);
        c.fillStroke(0x8E1B2E, kInk, 4);
        c.ellipse(179, 147, 10, 6);
        c.colour(0xFF7E9D);
        cairo_fill(cr);
    } else {
        c.colour(kInk);
        cairo_set_line_width(cr, 4);
        cairo_move_to(cr, 179, 122);
        cairo_curve_to(cr, 177, 134, 166, 136, 161, 130);
        cairo_move_to(cr, 179, 122);
        cairo_curve_to(cr, 181, 134, 192, 136, 197, 130);
        cairo_stroke(cr);
    }
    whiskers(c, 146, 128, -1, 50, 3);
    whiskers(c, 212, 128, 1, 40, 3);
}

// "zuli!" in fat letters: a sunny gradient, a dark outline, a soft shadow.
void TextureSet::drawLogo(Canvas& c)
{
    cairo_t* cr = c.cr();
    const char* text = "zuli!";
    const double size = 200 * 440 / c.textWidth(text, 200);
    const double cx = 256, cy = 124;

    c.textPath(text, cx + 9, cy + 11, size);
    c.colour(0x3A1450, 0.45);
    cairo_set_line_width(cr, 18);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);

    c.textPath(text, cx, cy, size);
    c.colour(0x3A1450);
    cairo_set_line_width(cr, 16);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, cy - 80, 0, cy + 80);
    cairo_pattern_add_color_stop_rgb(gradient, 0.0, 1.0, 0.93, 0.42);
    cairo_pattern_add_color_stop_rgb(gradient, 0.55, 1.0, 0.62, 0.3);
    cairo_pattern_add_color_stop_rgb(gradient, 1.0, 1.0, 0.33, 0.62);
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);

    // A glint along the top of the letters.
    c.textPath(text, cx, cy, size);
    cairo_save(cr);
    cairo_clip(cr);
    c.colour(0xFFFFFF, 0.35);
    cairo_rectangle(cr, 0, 0, 512, cy - 30);
    cairo_fill(cr);
    cairo_restore(cr);

    // Sparkles around the word.
    const double sparkles[][3] = {{40, 40, 18}, {470, 52, 14}, {480, 210, 20}, {30, 214, 12}, {250, 234, 10}};
    for (const auto& s : sparkles) {
        c.star(s[0], s[1], s[2], s[2] * 0.3, 4);
        c.fillStroke(0xFFFFFF, 0x3A1450, 3);
    }
}

// A white five-pointed star in a soft glow; the scene tints it.
void TextureSet::drawStarParticle(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_pattern_t* glow = cairo_pattern_create_radial(32, 32, 0, 32, 32, 32);
    cairo_pattern_add_color_stop_rgba(glow, 0.0, 1, 1, 1, 0.7);
    cairo_pattern_add_color_stop_rgba(glow, 0.5, 1, 1, 1, 0.25);
    cairo_pattern_add_color_stop_rgba(glow, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);
    c.star(32, 34, 27, 11.5, 5);
    c.colour(0xFFFFFF);
    cairo_fill_preserve(cr);
    c.colour(0xC8C8C8);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    c.star(32, 34, 11, 5, 5);
    c.colour(0xE6E6E6);
    cairo_fill(cr);
}

// A small red heart in the top left 16x16; the scene blows it up pixel by pixel.
void TextureSet::drawHeartParticle(Canvas& c)
{
    cairo_t* cr = c.cr();
    c.heart(8, 8.6, 13.5);
    c.fillStroke(0xFF2E63, 0x8C0A2E, 1.2);
    c.ellipse(5, 5.5, 1.6, 1.3);
    c.colour(0xFFFFFF, 0.9);
    cairo_fill(cr);
}

// A blue fish swimming left, towards the cat.
void TextureSet::drawFish(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 92, 64);
    cairo_line_to(cr, 122, 36);
    cairo_curve_to(cr, 114, 56, 114, 72, 122, 92);
    cairo_close_path(cr);
    c.fillStroke(0x4F86C6, 0x1F3B63, 4);
    cairo_move_to(cr, 56, 42);
    cairo_curve_to(cr, 62, 24, 80, 24, 84, 44);
    c.fillStroke(0x4F86C6, 0x1F3B63, 4);
    c.ellipse(58, 64, 48, 26);
    c.fillStroke(0x7FB3E8, 0x1F3B63, 4);
    c.ellipse(58, 74, 34, 11);
    c.colour(0xD8ECFF);
    cairo_fill(cr);
    c.colour(0x4F86C6);
    cairo_set_line_width(cr, 2.5);
    for (int i = 0; i < 3; ++i) {
        cairo_arc(cr, 62 + i * 11, 60, 8, -kPi / 2.5, kPi / 2.5);
        cairo_new_sub_path(cr);
    }
    cairo_stroke(cr);
    c.ellipse(28, 58, 7, 7);
    c.fillStroke(0xFFFFFF, 0x1F3B63, 2);
    c.ellipse(26, 58, 3.5, 3.5);
    c.colour(0x10182A);
    cairo_fill(cr);
    cairo_move_to(cr, 12, 70);
    cairo_curve_to(cr, 16, 74, 20, 74, 24, 71);
    c.colour(0x1F3B63);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
}

// A roast drumstick: a brown glossy leg on a white bone.
void TextureSet::drawDrumstick(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_translate(cr, 64, 64);
    cairo_rotate(cr, -0.6);
    c.roundedRect(-58, -7, 50, 14, 6);
    c.fillStroke(0xFFF8EE, 0x6B4A2E, 3.5);
    c.ellipse(-56, -9, 9, 9);
    c.ellipse(-56, 9, 9, 9);
    c.fillStroke(0xFFF8EE, 0x6B4A2E, 3.5);
    cairo_new_path(cr);
    cairo_move_to(cr, -18, -12);
    cairo_curve_to(cr, 0, -40, 58, -38, 60, 0);
    cairo_curve_to(cr, 58, 38, 0, 40, -18, 12);
    cairo_close_path(cr);
    c.fillStroke(0xC8702E, 0x5A2A0C, 4);
    c.ellipse(24, -14, 20, 7);
    c.colour(0xFFD19A, 0.8);
    cairo_fill(cr);
    c.colour(0x9A4E1C, 0.7);
    c.ellipse(30, 12, 6, 3);
    c.ellipse(10, 18, 5, 2.5);
    c.ellipse(44, 2, 4, 2);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A pink iced donut with sprinkles.
void TextureSet::drawDonut(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    c.ellipse(64, 66, 54, 50);
    c.ellipse(64, 62, 16, 14);
    c.fillStroke(0xE0A15A, 0x6B3A16, 4);
    // Icing with a wavy rim.
    cairo_new_path(cr);
    for (int i = 0; i <= 72; ++i) {
        double a = 2 * kPi * i / 72;
        double r = 44 + 3.5 * std::sin(a * 9);
        cairo_line_to(cr, 64 + r * std::cos(a), 62 + r * 0.92 * std::sin(a));
    }
    cairo_close_path(cr);
    c.ellipse(64, 62, 20, 18);
    c.fillStroke(0xFF8FB8, 0xC2457A, 3);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    Lcg random(303);
    const uint32_t colours[] = {0xFFFFFF, 0x4FC3F7, 0xFFE14F, 0x7CD67C, 0x9B6BFF};
    for (int i = 0; i < 34; ++i) {
        double a = random.uniform(0, 2 * kPi);
        double r = random.uniform(25, 39);
        double x = 64 + r * std::cos(a), y = 62 + r * 0.92 * std::sin(a);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, random.uniform(0, kPi));
        c.roundedRect(-4.5, -1.6, 9, 3.2, 1.6);
        c.colour(colours[random.next() % 5]);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    c.ellipse(44, 40, 10, 4);
    c.colour(0xFFFFFF, 0.45);
    cairo_fill(cr);
}

// A white rabbit in 31x31 pixels; the hop frame crouches with one ear flopped.
void TextureSet::drawRabbit(Canvas& c, bool hop)
{
    cairo_t* cr = c.cr();
    const uint32_t fur = 0xFFFFFF, line = 0x5B3C6E;
    const double lift = hop ? -1.5 : 0;
    // Drawn a little smaller than the cell so that nothing touches its edges.
    cairo_translate(cr, 15.5, 16);
    cairo_scale(cr, 0.88, 0.88);
    cairo_translate(cr, -15.5, -16);
    auto ear = [&](double x, double y, double angle) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, angle);
        c.ellipse(0, -5.2, 2.5, 5.4);
        c.fillStroke(fur, line, 1.2);
        c.ellipse(0, -5.2, 1.0, 3.6);
        c.colour(kPink);
        cairo_fill(cr);
        cairo_restore(cr);
    };
    ear(12.8, 11.6 + lift, -0.18);
    ear(18.2, 11.6 + lift, hop ? 1.1 : 0.18);
    c.ellipse(15.5, hop ? 22.5 : 22, hop ? 10 : 8.5, hop ? 6 : 7);
    c.fillStroke(fur, line, 1.2);
    c.ellipse(6.5, hop ? 22 : 24, 2.8, 2.8); // tail
    c.fillStroke(fur, line, 1.0);
    c.ellipse(16, 14 + lift, 6, 5.4);
    c.fillStroke(fur, line, 1.2);
    c.ellipse(18.5, 13 + lift, 1.1, 1.4);
    c.colour(0x2B1A30);
    cairo_fill(cr);
    c.ellipse(21.6, 15.6 + lift, 1.0, 0.8);
    c.colour(kNose);
    cairo_fill(cr);
    c.ellipse(13.5, 16 + lift, 1.4, 0.9);
    c.colour(0xFF9DB5, 0.7);
    cairo_fill(cr);
    // Feet.
    c.ellipse(hop ? 22 : 19.5, 28.5, 3.2, 1.6);
    c.ellipse(hop ? 10 : 12, 28.5, 3.2, 1.6);
    c.fillStroke(fur, line, 1.0);
}

// Ribbon stripes: U runs across the ribbon, V along it. Four coloured bars
// with gaps between them repeat along V; the edges across U are darker.
void TextureSet::drawStripes(Canvas& c)
{
    cairo_t* cr = c.cr();
    const uint32_t colours[] = {0xFF4FA0, 0xFFB000, 0x7A4DFF, 0x19C8B4};
    for (int i = 0; i < 4; ++i) {
        double y = i * 16;
        c.roundedRect(0.5, y + 1, 63, 12, 4);
        c.colour(colours[i]);
        cairo_fill_preserve(cr);
        cairo_save(cr);
        cairo_clip(cr);
        c.colour(0x000000, 0.3);
        cairo_rectangle(cr, 0, y, 7, 16);
        cairo_rectangle(cr, 57, y, 7, 16);
        cairo_fill(cr);
        c.colour(0xFFFFFF, 0.45);
        cairo_rectangle(cr, 10, y + 3, 44, 3);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

// A sunburst of coloured wedges with see-through gaps and rings.
void TextureSet::drawSunburst(Canvas& c)
{
    cairo_t* cr = c.cr();
    const int wedges = 16;
    cairo_pattern_t* gradient = cairo_pattern_create_radial(256, 256, 10, 256, 256, 370);
    cairo_pattern_add_color_stop_rgb(gradient, 0.0, 1.0, 0.95, 0.45);
    cairo_pattern_add_color_stop_rgb(gradient, 0.5, 0.3, 0.9, 1.0);
    cairo_pattern_add_color_stop_rgb(gradient, 1.0, 0.35, 0.3, 1.0);
    for (int i = 0; i < wedges; ++i) {
        double a0 = 2 * kPi * i / wedges, a1 = a0 + kPi / wedges;
        cairo_move_to(cr, 256, 256);
        cairo_arc(cr, 256, 256, 400, a0, a1);
        cairo_close_path(cr);
    }
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
    c.colour(0xFFFFFF, 0.8);
    for (int r = 60; r < 380; r += 64) {
        cairo_set_line_width(cr, 6 + r / 40.0);
        cairo_arc(cr, 256, 256, r, 0, 2 * kPi);
        cairo_stroke(cr);
    }
    c.ellipse(256, 256, 34, 34);
    c.fillStroke(0xFFF27A, 0xFFFFFF, 6);
}

// A pastel evening sky full of stars, opaque, 640x480 like the screen.
void TextureSet::drawStarrySky(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 480);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.74, 0.72, 0.98);
    cairo_pattern_add_color_stop_rgb(sky, 0.6, 0.98, 0.82, 0.92);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 1.0, 0.9, 0.86);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    Lcg random(2200);
    for (int i = 0; i < 170; ++i) {
        double x = random.uniform(0, 640), y = random.uniform(0, 480);
        double r = random.uniform(0.7, 2.2);
        c.ellipse(x, y, r, r);
        c.colour(0xFFFFFF, random.uniform(0.5, 0.95));
        cairo_fill(cr);
    }
    const uint32_t glints[] = {0xFFFFFF, 0xFFF6B0, 0xFFD6F0};
    for (int i = 0; i < 26; ++i) {
        double x = random.uniform(10, 630), y = random.uniform(10, 470);
        double r = random.uniform(5, 13);
        c.star(x, y, r, r * 0.28, 4, random.uniform(0, 0.5));
        c.colour(glints[random.next() % 3], 0.9);
        cairo_fill(cr);
    }
    // A big crescent moon in the upper right.
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    c.ellipse(560, 80, 44, 44);
    c.ellipse(580, 66, 40, 40);
    c.colour(0xFFF6C8, 0.95);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// A brick wall of 32x8 bricks in rows that shift by half a brick. The brick in
// the top left corner is the tile of the blinking wall; the whole image
// dresses the arches of the arcade. The mortar is see-through.
void TextureSet::drawBricks(Canvas& c)
{
    cairo_t* cr = c.cr();
    const uint32_t colours[] = {0xFF7EB6, 0xE85D9A, 0xB98CFF, 0xFF9F7E, 0xD46FC8};
    Lcg random(2500);
    for (int row = 0; row < 8; ++row) {
        for (int k = -1; k < 2; ++k) {
            double x = k * 32 + (row % 2) * 16, y = row * 8;
            uint32_t colour = (row == 0 && k == 0) ? colours[0] : colours[random.next() % 5];
            c.roundedRect(x + 1, y + 1, 30, 6.2, 2);
            c.colour(colour);
            cairo_fill_preserve(cr);
            cairo_save(cr);
            cairo_clip(cr);
            c.colour(0xFFFFFF, 0.6);
            cairo_rectangle(cr, x + 3, y + 1, 26, 1.2);
            cairo_fill(cr);
            c.colour(0x40103A, 0.35);
            cairo_rectangle(cr, x, y + 5.6, 32, 2);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    }
}

// A loud collage of shapes in the manner of a cut-paper poster.
void TextureSet::drawCollage(Canvas& c)
{
    cairo_t* cr = c.cr();
    c.colour(0xFFE94A);
    cairo_paint(cr);
    const uint32_t colours[] = {0xE8232A, 0x1B4DDB, 0x111111, 0xFFFFFF, 0xFF5FB0, 0x22B35E};
    Lcg random(1500);
    for (int i = 0; i < 40; ++i) {
        double x = random.uniform(0, 128), y = random.uniform(0, 128), s = random.uniform(6, 26);
        uint32_t colour = colours[random.next() % 6];
        switch (random.next() % 4) {
        case 0:
            c.ellipse(x, y, s / 2, s / 2);
            break;
        case 1:
            cairo_rectangle(cr, x - s / 2, y - s / 4, s, s / 2);
            break;
        case 2:
            cairo_move_to(cr, x, y - s / 2);
            cairo_line_to(cr, x + s / 2, y + s / 2);
            cairo_line_to(cr, x - s / 2, y + s / 2);
            cairo_close_path(cr);
            break;
        default:
            c.star(x, y, s / 2, s / 5, 5);
            break;
        }
        c.colour(colour);
        cairo_fill(cr);
    }
    // A zigzag and a checker corner.
    c.colour(0x111111);
    cairo_set_line_width(cr, 4);
    cairo_move_to(cr, 4, 110);
    for (int i = 1; i <= 8; ++i)
        cairo_line_to(cr, 4 + i * 15, (i % 2) ? 96 : 110);
    cairo_stroke(cr);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if ((i + j) % 2 == 0)
                cairo_rectangle(cr, 96 + i * 8, j * 8, 8, 8);
    cairo_fill(cr);
}

// Deep red with glossy drips running down from the top.
void TextureSet::drawDrips(Canvas& c)
{
    cairo_t* cr = c.cr();
    cairo_pattern_t* base = cairo_pattern_create_linear(0, 0, 0, 128);
    cairo_pattern_add_color_stop_rgb(base, 0.0, 0.62, 0.02, 0.1);
    cairo_pattern_add_color_stop_rgb(base, 1.0, 0.35, 0.0, 0.06);
    cairo_set_source(cr, base);
    cairo_paint(cr);
    cairo_pattern_destroy(base);

    Lcg random(1600);
    c.colour(0xC8102E);
    cairo_rectangle(cr, 0, 0, 128, 14);
    cairo_fill(cr);
    for (int i = 0; i < 12; ++i) {
        double x = 5 + i * 10.5 + random.uniform(-2, 2);
        double length = random.uniform(20, 110);
        double w = random.uniform(3, 6.5);
        c.roundedRect(x - w / 2, 4, w, length, w / 2);
        c.ellipse(x, 4 + length, w * 0.9, w * 1.1);
        c.colour(0xC8102E);
        cairo_fill(cr);
        c.ellipse(x - w * 0.25, length - 2, w * 0.25, w * 0.6);
        c.colour(0xFFB0B8, 0.6);
        cairo_fill(cr);
    }
}

bool TextureSet::writeAll(const std::string& dir)
{
    if (!Canvas::loadFont())
        return false;
    struct Item {
        const char* name;
        int width, height;
        bool alpha;
        std::function<void(Canvas&)> draw;
    };
    const Item items[] = {
        {"katze.png", 256, 256, true, drawCatFace},
        {"katze1.png", 256, 256, true, [](Canvas& c) { drawSittingCat(c, false); }},
        {"katze2.png", 256, 256, true, [](Canvas& c) { drawSittingCat(c, true); }},
        {"zuli!.png", 512, 256, true, drawLogo},
        {"starticle.png", 64, 64, true, drawStarParticle},
        {"hearticle.png", 16, 16, true, drawHeartParticle},
        {"food1.png", 128, 128, true, drawFish},
        {"food2.png", 128, 128, true, drawDrumstick},
        {"food3.png", 128, 128, true, drawDonut},
        {"rabbit1.png", 32, 32, true, [](Canvas& c) { drawRabbit(c, false); }},
        {"rabbit2.png", 32, 32, true, [](Canvas& c) { drawRabbit(c, true); }},
        {"stripes4.png", 64, 64, true, drawStripes},
        {"eda_back.png", 512, 512, true, drawSunburst},
        {"starback.png", 640, 480, false, drawStarrySky},
        {"veko.png", 64, 64, true, drawBricks},
        {"dada.png", 128, 128, false, drawCollage},
        {"blood.png", 128, 128, false, drawDrips},
    };
    for (const Item& item : items) {
        Canvas canvas(item.width, item.height, item.alpha);
        item.draw(canvas);
        if (!canvas.writePng(dir + "/" + item.name))
            return false;
    }
    return true;
}

bool TextureSet::writeIcon(const std::string& file)
{
    Canvas c(256, 256, true);
    cairo_t* cr = c.cr();
    c.roundedRect(8, 8, 240, 240, 44);
    cairo_clip_preserve(cr);
    c.colour(0x3A1C5C);
    cairo_fill(cr);
    // Rays from the centre, as behind the spinning cats.
    c.colour(0x5B2E8C);
    for (int ray = 0; ray < 12; ++ray) {
        const double a = ray * kPi / 6, w = kPi / 14;
        cairo_move_to(cr, 128, 136);
        cairo_line_to(cr, 128 + 240 * std::cos(a - w), 136 + 240 * std::sin(a - w));
        cairo_line_to(cr, 128 + 240 * std::cos(a + w), 136 + 240 * std::sin(a + w));
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    cairo_reset_clip(cr);
    cairo_save(cr);
    cairo_translate(cr, 128, 136);
    cairo_scale(cr, 0.8, 0.8);
    cairo_translate(cr, -128, -136);
    drawCatFace(c);
    cairo_restore(cr);
    return c.writePng(file);
}

} // namespace veko
