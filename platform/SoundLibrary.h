#ifndef VEKO_SOUND_LIBRARY_H
#define VEKO_SOUND_LIBRARY_H

#include <string>
#include <vector>

// A small sound library with the shape the show needs: one system with a few channels,
// files opened as (looping) streams and played on a free channel. It feeds an SDL audio device
// from its callback; each stream is an Ogg Vorbis file decoded while it plays, so nothing is
// loaded whole.

namespace veko {

class ClockShare;

namespace sound {

class OggStream;
class MusicPacer;

enum Result {
    OK,
    ERR_INITIALIZATION,   // no audio device, or the system is not initialised
    ERR_FILE_NOTFOUND,
    ERR_FILE_REFUSED,     // there, but not a file the show reads (a pipe, a directory): see why()
    ERR_FORMAT,           // the file is there but cannot be decoded
    ERR_INVALID_PARAM
};

typedef unsigned int Mode;
const Mode LOOP_NORMAL = 0x2;
const Mode MODE_2D     = 0x8;
const Mode HARDWARE    = 0x20;

const unsigned int INIT_NORMAL = 0;
const int CHANNEL_FREE = -1;

class System;

class Sound {
public:
    Result release();

private:
    friend class System;
    friend class Channel;
    Sound(System* system, OggStream* stream);
    ~Sound();

    System* mSystem;
    OggStream* mStream;
};

class Channel {
public:
    bool isPlaying() const;

private:
    friend class System;
    Channel();

    System* mSystem;
    Sound* mSound;
};

class System {
public:
    Result init(int maxChannels, unsigned int flags, void* extraDriverData);
    // The file name may use '\' or '/' as separator.
    Result createStream(const char* name, Mode mode, void* exinfo, Sound** sound);
    Result playSound(int channelIndex, Sound* sound, bool paused, Channel** channel);
    Result close();
    Result release();

    // From now on the music keeps its place on this clock, whose zero is the moment the music
    // was asked to start: what the device missed is skipped, slow drift is made up. A positive
    // offset makes the sound come that many milliseconds later. Without a clock the music plays
    // on from wherever the device is, as a plain player does.
    void follow(const ClockShare* clock, int offsetMs);

    bool isOpen() const { return mOpen; }
    // Why the last createStream failed, in words for a message ("it is a named pipe, not a file").
    const char* why() const { return mWhy.c_str(); }

private:
    friend Result System_Create(System** system);
    friend class Sound;
    friend class Channel;
    System();
    ~System();
    void forget(Sound* sound);
    void play(Sound* sound, bool paused);
    // The device asks for its next buffer (on the audio thread).
    static void feed(void* system, unsigned char* out, int bytes);
    void feedInPlace(OggStream* stream, unsigned char* out, int bytes);
    bool lag(long long* frames);
    void skip(OggStream* stream, long long frames);
    void stretchInto(OggStream* stream, unsigned char* out, int frames, int stretch);
    void note(const char* format, long long value) const;

    bool mOpen;
    unsigned int mDevice;
    int mRate, mChannels;   // what the device plays
    std::string mWhy;
    Channel mChannel;       // streams play on the one channel
    Sound* mPlaying;        // what the device is fed from; changed only with the device locked
    bool mPaused;

    // Keeping the music on the show clock (see follow); used on the audio thread only.
    const ClockShare* mClock;
    int mOffsetMs;
    int mBufferFrames;
    MusicPacer* mPacer;
    long long mPosition;            // the music position of the next frame handed to the device
    int mContinuesSeen;             // process continues the music was last put in place for
    std::vector<short> mScratch;    // a buffer and a bit, decoded ahead for a skip or a stretch
    int mLogFd;                     // KAVRI_SOUND_LOG: each skip, one line; -1 when not asked for
};

Result System_Create(System** system);

// Turns a relative Windows path ("..\data\x.ogg") into one this system opens.
void toNativePath(const char* name, char* out, unsigned long outSize);

} // namespace sound
} // namespace veko

#endif
