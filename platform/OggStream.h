#ifndef VEKO_OGG_STREAM_H
#define VEKO_OGG_STREAM_H

#include <atomic>
#include <string>
#include <vector>

struct OggVorbis_File;
struct _SDL_AudioStream;

namespace veko {
namespace sound {

// One Ogg Vorbis file decoded while it plays, a packet at a time, and converted to the device's
// rate and channel count. The file is read through the FileGate and never loaded whole. A looping
// stream goes back to its first sample without a gap. A damaged stretch (a hole in the pages)
// is skipped with one line on stderr; a stream that cannot be decoded any further ends with one.
// A track shorter than a fraction of a second is decoded once and repeated from memory.
class OggStream {
public:
    enum Status {
        OPENED,
        MISSING,     // no such file
        REFUSED,     // not a file the show reads: a pipe, a directory, too large
        NOT_VORBIS   // a file, but not one this decoder can play
    };

    // On anything but OPENED, *why tells why in words and nullptr is returned.
    static OggStream* open(const std::string& path, bool loop, int deviceRate, int deviceChannels,
                           Status* status, std::string* why);
    ~OggStream();

    // Writes `bytes` of 16-bit sound in the device's format; after the end, silence.
    // Runs on the audio thread: it decodes only what these bytes need.
    void fill(unsigned char* out, int bytes);
    bool ended() const { return mEnded; }

private:
    OggStream(const std::string& path, bool loop, int deviceRate, int deviceChannels);
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    bool convertFrom(int rate, int channels);
    bool decodeSome();
    bool put(const char* pcm, long bytes);
    void keepForReplay(const char* pcm, long bytes);
    bool replay();
    void keepInPlace(long frames);
    void learnLead(long long lead);
    void placeAfresh();
    void owe(long long frames);
    void sayDamaged();
    void stop(const char* reason);

    std::string mPath;
    bool mLoop;
    int mDeviceRate, mDeviceChannels;
    int mFd;
    OggVorbis_File* mFile;           // set while libvorbisfile has the file open
    _SDL_AudioStream* mConverter;
    _SDL_AudioStream* mRetiring;     // the previous link's converter, played out before mConverter
    int mRate, mChannels;            // what the converter takes: the current link's format
    int mLink;                       // the chained stream link being decoded
    long mFramesThisPass;            // decoded since the last start from the top
    long long mPosition;             // where the music is, in the track's frames: what was given
    long long mTold;                 // libvorbisfile's own position after the last read
    long long mSaid;                 // where the pages say the music is, counted like mPosition
    bool mStartsWhole;               // the first page of sound follows the headers: none lost
    long long mLead;                 // how far the first link's page positions stand ahead, nothing lost
    bool mLeadUnknown;               // no page position taken over yet in this pass
    long long mAhead;                // frames a page's position is ahead of the music, not yet believed
    long long mAheadPage;            // the file offset libvorbisfile had read to when last looked at
    int mPagesSinceAhead;            // pages read since the position went ahead
    long mSilence;                   // frames of silence owed for a stretch that was lost
    int mFailuresInARow;
    bool mHoleUnsaid;                // a hole was met; said once the music goes on after it
    bool mLossUnmeasured;            // a hole was met; the next page's position tells its length
    bool mDamageSaid;
    bool mDraining;                  // no more input: the converter gives what it still holds
    std::atomic<bool> mEnded;
    // A track so short that a whole pass fits here is decoded once and then repeated from here:
    // going back to the start of the file for every few samples would cost a core.
    std::vector<char> mPass;         // this pass's sound while it still fits, unbroken
    bool mPassFits;
    std::vector<char> mRepeats;      // whole copies of the pass, about a packet's worth
    bool mReplaying;
};

} // namespace sound
} // namespace veko

#endif
