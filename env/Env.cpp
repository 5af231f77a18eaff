#include "env/Env.h"

#include "env/CheckedObjLoader.h"
#include "env/GuardedFileArchive.h"
#include "env/VettedImageLoader.h"
#include "platform/GlFunction.h"
#include "platform/Report.h"


namespace veko {

Env* Env::sInstance = nullptr;

Env::Env(irr::IrrlichtDevice* device)
    : mDevice(device),
      mDriver(device->getVideoDriver()),
      mSceneManager(device->getSceneManager()),
      mSoundSystem(nullptr),
      mMusic(nullptr),
      mChannel(nullptr),
      mTime(0.0f),
      mShowTarget(nullptr),
      mClipControl(nullptr),
      mUpperLeftOrigin(false)
{
    sInstance = this;

    // Alpha-channel materials keep writing depth, as the scenes were made for.
    mDriver->setAllowZWriteOnTransparent(true);
    // Every file goes through the file gate; damaged model files must not reach the engine's
    // trusting OBJ parser; every picture has its size vetted before decoding.
    GuardedFileArchive* archive = GuardedFileArchive::install(device->getFileSystem(), device->getLogger());
    CheckedObjLoader::install(mSceneManager, archive);
    VettedImageLoader::install(mDriver);

    sound::System_Create(&mSoundSystem);
    // The music is the only sound, so one channel is enough.
    if (mSoundSystem->init(1, sound::INIT_NORMAL, nullptr) != sound::OK)
        report("no audio device could be opened; the show runs silent");
}

void Env::setRenderTarget(irr::video::ITexture* target, bool clearBackBuffer, bool clearZBuffer,
                          irr::video::SColor color)
{
    const bool showPicture = target == nullptr && mShowTarget != nullptr;
    mDriver->setRenderTarget(target ? target : mShowTarget, clearBackBuffer, clearZBuffer, color);
    setUpperLeftOrigin(showPicture);
}

void Env::setWindowTarget()
{
    mDriver->setRenderTarget(nullptr, false, false, irr::video::SColor(0));
    setUpperLeftOrigin(false);
}

// OpenGL draws into a window upside down compared with a render target (the driver keeps the
// window's rows top first), and where an edge falls exactly on a pixel centre that decides
// which pixel it covers. The show's picture is drawn with the window's orientation
// (ARB_clip_control's upper-left origin), so that it gets exactly the pixels a 640x480
// window gets, and it holds its top row first.
void Env::setUpperLeftOrigin(bool upperLeft)
{
    if (upperLeft == mUpperLeftOrigin)
        return;
    if (!mClipControl)
        mClipControl = reinterpret_cast<void (*)(unsigned int, unsigned int)>(glFunction("glClipControl"));
    if (!mClipControl)
        return;
    const unsigned int kLowerLeft = 0x8CA1, kUpperLeft = 0x8CA2, kNegativeOneToOne = 0x935E;
    mClipControl(upperLeft ? kUpperLeft : kLowerLeft, kNegativeOneToOne);
    mUpperLeftOrigin = upperLeft;
}

// The Env opened the sound device, so it lets go of it too, if the show did not already.
Env::~Env()
{
    stopMusic();
    sInstance = nullptr;
}

void Env::playMusic(const char* fileName)
{
    if (!mSoundSystem->isOpen())
        return;
    sound::Result result = mSoundSystem->createStream(
        fileName, sound::LOOP_NORMAL | sound::MODE_2D | sound::HARDWARE, nullptr, &mMusic);
    if (result == sound::OK)
        result = mSoundSystem->playSound(sound::CHANNEL_FREE, mMusic, false, &mChannel);
    if (result != sound::OK) {
        char path[4096];
        sound::toNativePath(fileName, path, sizeof path);
        report(std::string("cannot play the music \"") + path + "\" (" + mSoundSystem->why() + "); the show runs silent");
    }
}

void Env::musicFollows(const ClockShare& clock, int offsetMs)
{
    mSoundSystem->follow(&clock, offsetMs);
    mSoundSystem->beginWhenPlaying();
}

bool Env::musicBegun(long long* zeroMs) const
{
    return mSoundSystem->begun(zeroMs);
}

long long Env::beginMusicNow()
{
    return mSoundSystem->beginNow();
}

void Env::keepMusic()
{
    mSoundSystem->keepDevice();
}

void Env::stopMusic()
{
    if (mMusic)
        mMusic->release();
    mMusic = nullptr;
    mChannel = nullptr;
    if (mSoundSystem) {
        mSoundSystem->close();
        mSoundSystem->release();
    }
    mSoundSystem = nullptr;
}

} // namespace veko
