#ifndef VEKO_SHARP_SCALER_H
#define VEKO_SHARP_SCALER_H

#include <irrlicht.h>

namespace veko {

// Draws a texture enlarged by a factor that is not whole, with sharp pixels, in one pass: a
// small fragment shader samples each texel's inside as one flat colour and blends two
// neighbouring texels only within the last screen pixel before their border. That is what
// "enlarge by nearest pixel to the next whole factor, then reduce smoothly" gives, at a
// third of its cost on a software rasteriser.
class SharpScaler {
public:
    explicit SharpScaler(irr::video::IVideoDriver* driver);
    ~SharpScaler();

    SharpScaler(const SharpScaler&) = delete;
    SharpScaler& operator=(const SharpScaler&) = delete;

    // False when the driver runs no shaders; draw() then does nothing.
    bool available() const { return mMaterialType >= 0; }

    // Draws the whole texture (top row first) into dest, in pixels of the current target of
    // the given size.
    void draw(irr::video::ITexture* texture, const irr::core::rect<irr::s32>& dest,
              const irr::core::dimension2du& targetSize);

private:
    class Constants;

    irr::video::IVideoDriver* mDriver;
    Constants* mConstants;
    irr::s32 mMaterialType;
};

} // namespace veko

#endif
