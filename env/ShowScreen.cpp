#include "env/ShowScreen.h"

#include <cstdlib>
#include <cstring>

#include <GL/gl.h>
#include <GL/glext.h>

#include "env/Env.h"
#include "env/PictureLayout.h"
#include "env/SharpScaler.h"
#include "env/WindowPainter.h"
#include "platform/GlFunction.h"
#include "platform/WindowBlit.h"
#include "platform/XServer.h"

using namespace irr;

namespace veko {

namespace {

const video::SColor kBlack(0);
const float kNone = -1.0f;   // no picture

// The engine gives every render target a depth buffer of the depth it was asked for, but a
// window's configuration may have a deeper one (llvmpipe: 32 bits for 16 asked). The show's
// picture takes the place of such a window, so it gets a depth buffer like the window's:
// otherwise surfaces close together would hide each other differently.
void giveWindowDepth(video::IVideoDriver* driver, video::ITexture* picture)
{
    auto genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(glFunction("glGenRenderbuffers"));
    auto bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(glFunction("glBindRenderbuffer"));
    auto renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(glFunction("glRenderbufferStorage"));
    auto framebufferRenderbuffer =
        reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(glFunction("glFramebufferRenderbuffer"));
    auto checkFramebufferStatus =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(glFunction("glCheckFramebufferStatus"));
    auto getAttachment = reinterpret_cast<PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVPROC>(
        glFunction("glGetFramebufferAttachmentParameteriv"));
    if (!genRenderbuffers || !bindRenderbuffer || !renderbufferStorage || !framebufferRenderbuffer ||
        !checkFramebufferStatus || !getAttachment)
        return;

    GLint windowBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &windowBits);   // the window's, while it is the target
    const GLenum format = windowBits >= 32 ? GL_DEPTH_COMPONENT32 : windowBits >= 24 ? GL_DEPTH_COMPONENT24 : 0;
    if (!format)
        return;   // the engine's own 16 bits match
    driver->setRenderTarget(picture, false, false, kBlack);
    GLint pictureBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &pictureBits);
    if (pictureBits < windowBits) {
        GLint engines = 0;
        getAttachment(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &engines);
        GLuint depth = 0;
        genRenderbuffers(1, &depth);
        bindRenderbuffer(GL_RENDERBUFFER, depth);
        renderbufferStorage(GL_RENDERBUFFER, format, PictureLayout::kWidth, PictureLayout::kHeight);
        bindRenderbuffer(GL_RENDERBUFFER, 0);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
            framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, engines);
    }
    driver->setRenderTarget(nullptr, false, false, kBlack);
}

// Mesa's software rasterisers (llvmpipe, softpipe, swrast) by the names they give.
bool softwareRenderer()
{
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        return false;
    for (const char* name : { "llvmpipe", "softpipe", "Software Rasterizer" })
        if (std::strstr(renderer, name))
            return true;
    return false;
}

} // namespace

ShowScreen::ShowScreen(Env* env, bool wholeFactorsOnly, Presentation presentation)
    : mEnv(env), mDriver(env->driver()), mWholeFactorsOnly(wholeFactorsOnly), mPicture(nullptr),
      mPrescaled(nullptr), mPrescaleFactor(0), mSharpScaler(new SharpScaler(env->driver())), mPainter(nullptr),
      mHandedTime(kNone), mShownTime(kNone)
{
    mPicture = mDriver->addRenderTargetTexture(core::dimension2du(PictureLayout::kWidth, PictureLayout::kHeight),
                                               "show picture");
    if (mPicture)
        giveWindowDepth(mDriver, mPicture);
    mEnv->setShowTarget(mPicture);
    if (mPicture && choose(presentation) == THROUGH_CPU) {
        WindowBlit* blit = WindowBlit::create(engineDisplay(env->device()), engineWindow(env->device()));
        if (blit)
            mPainter = new WindowPainter(blit);
    }
}

ShowScreen::~ShowScreen()
{
    mEnv->setShowTarget(nullptr);
    delete mPainter;
    delete mSharpScaler;
}

ShowScreen::Presentation ShowScreen::choose(Presentation asked)
{
    if (asked != AUTOMATIC)
        return asked;
    const char* forced = std::getenv("KAVRI_PRESENT");
    if (forced && std::strcmp(forced, "gl") == 0)
        return THROUGH_GL;
    if (forced && std::strcmp(forced, "cpu") == 0)
        return THROUGH_CPU;
    return softwareRenderer() ? THROUGH_CPU : THROUGH_GL;
}

void ShowScreen::beginFrame()
{
    // The window's back buffer is not shown when the picture goes past OpenGL, and its depth
    // buffer is needed only when the scenes draw on the window itself.
    mDriver->beginScene(mPainter == nullptr, mPicture == nullptr, kBlack);
    mEnv->setRenderTarget(nullptr, true, true, kBlack);
}

void ShowScreen::showBlack()
{
    // Past OpenGL the window is never swapped: Mesa's software renderer would put its back
    // buffer through a shared-memory segment that it names to the server by number only.
    if (mPainter) {
        mPainter->clear();
        mHandedTime = kNone;
        return;
    }
    mDriver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    mDriver->endScene();
}

bool ShowScreen::present()
{
    mShownTime = mEnv->time();
    // Without a picture (no render targets) the scenes drew on the window itself.
    if (!mPicture)
        return false;
    const core::dimension2du window = mDriver->getScreenSize();
    const PictureLayout layout = PictureLayout::fit(window, mWholeFactorsOnly);
    if (mPainter) {
        if (layout.dest.getArea() == 0) {
            mShownTime = kNone;
            return true;
        }
        if (putPicture(layout.dest)) {
            mShownTime = mHandedTime;
            mHandedTime = mEnv->time();
            return true;
        }
        // The window takes no more pixels from us (out of memory): OpenGL from now on.
        delete mPainter;
        mPainter = nullptr;
        mEnv->setWindowTarget();
        mDriver->setRenderTarget(nullptr, true, false, kBlack);
    }
    drawWithGl(window, layout);
    return false;
}

// The picture read back (top row first: it is drawn with the upper left origin) and handed to
// the painter, which puts the one before on the window and scales this one meanwhile.
bool ShowScreen::putPicture(const core::rect<s32>& dest)
{
    mDriver->setRenderTarget(mPicture, false, false, kBlack);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, PictureLayout::kWidth, PictureLayout::kHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                 mPainter->nextPicture());
    mEnv->setWindowTarget();
    return mPainter->paint(dest);
}

void ShowScreen::drawWithGl(const core::dimension2du& window, const PictureLayout& layout)
{
    // The back buffer was cleared to black by beginFrame: that is the bars.
    mEnv->setWindowTarget();
    if (layout.dest.getArea() == 0)
        return;
    if (layout.direct) {
        drawPicture(mPicture, layout.dest, false);
        return;
    }
    if (mSharpScaler->available()) {
        mSharpScaler->draw(mPicture, layout.dest, window);
        return;
    }
    // Without shaders: nearest-pixel to the next whole factor, then smoothly down to the
    // final size.
    video::ITexture* large = prescaled(layout.prescale);
    if (large != mPicture) {
        mDriver->setRenderTarget(large, false, false, kBlack);
        const core::dimension2du size = large->getSize();
        drawPicture(mPicture, core::rect<s32>(0, 0, size.Width, size.Height), false);
        mEnv->setWindowTarget();
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
    // The whole texture, opaque; nearest-pixel unless smooth. The engine turns every render
    // target upside down as it draws it, since a render target drawn the usual way holds its
    // bottom row first. The show's picture is drawn with the upper left origin and holds its
    // top row first, so it is read with its source rectangle upside down, which cancels that.
    const core::dimension2du size = texture->getSize();
    const core::rect<s32> source = texture == mPicture ? core::rect<s32>(0, size.Height, size.Width, 0)
                                                       : core::rect<s32>(0, 0, size.Width, size.Height);
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
