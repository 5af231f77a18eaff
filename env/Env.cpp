#include "env/Env.h"

#include "env/CheckedObjLoader.h"
#include "env/GuardedFileArchive.h"
#include "env/VettedImageLoader.h"
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
      mTime(0.0f)
{
    sInstance = this;

    // Alpha-channel materials keep writing depth, as the scenes were made for.
    mDriver->setAllowZWriteOnTransparent(true);
    // Damaged model files must not reach the engine's trusting OBJ parser.
    CheckedObjLoader::install(mSceneManager);
    // Every file goes through the file gate; every picture has its size vetted before decoding.
    GuardedFileArchive::install(device->getFileSystem());
    VettedImageLoader::install(mDriver);

    sound::System_Create(&mSoundSystem);
    // The music is the only sound, so one channel is enough.
    if (mSoundSystem->init(1, sound::INIT_NORMAL, nullptr) != sound::OK)
        report("no audio device could be opened; the show runs silent");
}

Env::~Env()
{
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
