#include "env/ShowScreen.h"

#include "env/Env.h"
#include "env/PictureLayout.h"

using namespace irr;

namespace veko {

namespace {

const video::SColor kBlack(0);

} // namespace

ShowScreen::ShowScreen(Env* env, bool wholeFactorsOnly)
    : mEnv(env), mDriver(env->driver()), mWholeFactorsOnly(wholeFactorsOnly), mPicture(nullptr),
      mPrescaled(nullptr), mPrescaleFactor(0)
{
    mPicture = mDriver->addRenderTargetTexture(core::dimension2du(PictureLayout::kWidth, PictureLayout::kHeight),
                                               "show picture");
    mEnv->setShowTarget(mPicture);
}

ShowScreen::~ShowScreen()
{
    mEnv->setShowTarget(nullptr);
}

void ShowScreen::beginFrame()
{
    mDriver->beginScene(true, true, kBlack);
    mDriver->setRenderTarget(mPicture, true, true, kBlack);
}

void ShowScreen::showBlack()
{
    mDriver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    mDriver->endScene();
}

void ShowScreen::present()
{
    // The back buffer was cleared to black by beginFrame: that is the bars.
    mDriver->setRenderTarget(nullptr, false, false, kBlack);
    const PictureLayout layout = PictureLayout::fit(mDriver->getScreenSize(), mWholeFactorsOnly);
    if (layout.dest.getArea() == 0)
        return;
    if (layout.direct) {
        drawPicture(mPicture, layout.dest, false);
        return;
    }
    // Nearest-pixel to the next whole factor, then smoothly down to the final size.
    video::ITexture* large = prescaled(layout.prescale);
    if (large != mPicture) {
        mDriver->setRenderTarget(large, false, false, kBlack);
        const core::dimension2du size = large->getSize();
        drawPicture(mPicture, core::rect<s32>(0, 0, size.Width, size.Height), false);
        mDriver->setRenderTarget(nullptr, false, false, kBlack);
    }
    drawPicture(large, layout.dest, true);
}

video::ITexture* ShowScreen::prescaled(u32 factor)
{
    if (factor <= 1)
        return mPicture;
    if (factor != mPrescaleFactor) {
        if (mPrescaled)
            mDriver->removeTexture(mPrescaled);
        mPrescaled = mDriver->addRenderTargetTexture(
            core::dimension2du(PictureLayout::kWidth * factor, PictureLayout::kHeight * factor), "show picture enlarged");
        mPrescaleFactor = factor;
    }
    return mPrescaled ? mPrescaled : mPicture;
}

void ShowScreen::drawPicture(video::ITexture* texture, const core::rect<s32>& dest, bool smooth)
{
    // The whole texture, opaque; nearest-pixel unless smooth. Render targets are stored
    // bottom row first, hence the source rectangle upside down.
    const core::dimension2du size = texture->getSize();
    const core::rect<s32> source(0, size.Height, size.Width, 0);
    video::SMaterial& material = mDriver->getMaterial2D();
    for (u32 i = 0; i < video::MATERIAL_MAX_TEXTURES; ++i) {
        material.TextureLayer[i].BilinearFilter = smooth;
        material.TextureLayer[i].TrilinearFilter = false;
        material.TextureLayer[i].TextureWrapU = video::ETC_CLAMP_TO_EDGE;
        material.TextureLayer[i].TextureWrapV = video::ETC_CLAMP_TO_EDGE;
    }
    material.AntiAliasing = video::EAAM_OFF;
    mDriver->enableMaterial2D(true);
    mDriver->draw2DImage(texture, dest, source, nullptr, nullptr, false);
    mDriver->enableMaterial2D(false);
}

} // namespace veko
