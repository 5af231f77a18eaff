#include "platform/OggStream.h"

#include "platform/FileGate.h"
#include "platform/Report.h"

#include <SDL2/SDL.h>
#define OV_EXCLUDE_STATIC_CALLBACKS   // its stdio callbacks are not used here
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>
#undef OPENED                         // a ready state of libvorbisfile's, a FileGate status here

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace veko {
namespace sound {

namespace {

// Errors in a row, with no sound between them, after which the stream is given up.
const int kFailuresToGiveUp = 64;

// What one ov_read may return: about a packet of 16-bit samples.
const int kDecodeBytes = 4096;

// A pass of the track up to this size is kept and repeated (0.37 s of 16-bit stereo at 44.1 kHz).
const size_t kLongestReplay = 65536;

// The longest lost stretch made up for with silence, in seconds: a page's position further on
// than that is not believed.
const int kLongestSilence = 30;

// libvorbisfile reads the file through these, given a pointer to its descriptor.
size_t readSource(void* into, size_t size, size_t count, void* fd)
{
    for (;;) {
        errno = 0;
        const ssize_t got = ::read(*static_cast<int*>(fd), into, size * count);
        if (got >= 0)
            return static_cast<size_t>(got) / size;
        if (errno != EINTR)
            return 0;   // errno stays set: libvorbisfile takes it as a read error
    }
}

int seekSource(void* fd, ogg_int64_t offset, int whence)
{
    return lseek(*static_cast<int*>(fd), offset, whence) < 0 ? -1 : 0;
}

long tellSource(void* fd)
{
    return static_cast<long>(lseek(*static_cast<int*>(fd), 0, SEEK_CUR));
}

// Whether the first page of sound of the stream `serial` comes right after its header pages, as
// the pages' numbers show. Reads the file from its start and puts its read offset back.
bool soundFollowsHeaders(int fd, long serial)
{
    const off_t was = lseek(fd, 0, SEEK_CUR);
    if (was < 0 || lseek(fd, 0, SEEK_SET) < 0)
        return false;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    long headerPackets = 0, lastHeaderPage = -1;
    int follows = -1;   // not known yet
    while (follows < 0) {
        ogg_page page;
        const int found = ogg_sync_pageout(&sync, &page);
        if (found == 0) {
            const long chunk = 4096;
            char* into = ogg_sync_buffer(&sync, chunk);
            const size_t got = into ? readSource(into, 1, chunk, &fd) : 0;
            if (got == 0)
                break;
            ogg_sync_wrote(&sync, static_cast<long>(got));
            continue;
        }
        // Bytes that are no page (damage) are skipped, as libvorbisfile skips them.
        if (found < 0 || ogg_page_serialno(&page) != serial)
            continue;
        if (headerPackets < 3) {   // the three header packets end a page of their own
            headerPackets += ogg_page_packets(&page);
            lastHeaderPage = ogg_page_pageno(&page);
            if (headerPackets > 3)
                follows = 1;       // sound on the headers' last page: nothing between them
        } else {
            follows = ogg_page_pageno(&page) == lastHeaderPage + 1;
        }
    }
    ogg_sync_clear(&sync);
    // libvorbisfile goes on reading from where it left the file.
    if (lseek(fd, was, SEEK_SET) < 0)
        return false;
    return follows == 1;
}

} // namespace

// --- Opening ---------------------------------------------------------------------------------

OggStream::OggStream(const std::string& path, bool loop, int deviceRate, int deviceChannels)
    : mPath(path), mLoop(loop), mDeviceRate(deviceRate), mDeviceChannels(deviceChannels), mFd(-1),
      mFile(nullptr), mConverter(nullptr), mRetiring(nullptr), mRate(0), mChannels(0), mLink(-1), mFramesThisPass(0),
      mPosition(0), mTold(0), mSaid(0), mStartsWhole(false), mLead(0), mLeadUnknown(true), mAhead(0), mAheadPage(0), mPagesSinceAhead(0), mSilence(0),
      mFailuresInARow(0), mHoleUnsaid(false), mLossUnmeasured(false), mDamageSaid(false), mDraining(false), mEnded(false),
      mPassFits(true), mReplaying(false)
{
    // Reserved now: the audio thread never allocates.
    mPass.reserve(kLongestReplay);
    mRepeats.reserve(kLongestReplay + kDecodeBytes);
}

OggStream* OggStream::open(const std::string& path, bool loop, int deviceRate, int deviceChannels,
                           Status* status, std::string* why)
{
    OggStream* stream = new OggStream(path, loop, deviceRate, deviceChannels);
    long long size = 0;
    const FileGate::Status gate = FileGate::open(path, &stream->mFd, &size, why);
    if (gate != FileGate::OPENED) {
        *status = gate == FileGate::MISSING ? MISSING : REFUSED;
        delete stream;
        return nullptr;
    }

    // Reads the headers now; the sound itself is decoded as it is played.
    const ov_callbacks callbacks = { readSource, seekSource, nullptr, tellSource };
    OggVorbis_File* file = new OggVorbis_File;
    if (ov_open_callbacks(&stream->mFd, file, nullptr, 0, callbacks) == 0)
        stream->mFile = file;
    else
        delete file;
    const vorbis_info* info = stream->mFile ? ov_info(stream->mFile, -1) : nullptr;
    if (!info || !stream->convertFrom(info->rate, info->channels)) {
        *status = NOT_VORBIS;
        *why = "it is not a playable Ogg Vorbis file";
        delete stream;
        return nullptr;
    }
    stream->mStartsWhole = soundFollowsHeaders(stream->mFd, ov_serialnumber(stream->mFile, 0));
    stream->placeAfresh();
    *status = OPENED;
    return stream;
}

OggStream::~OggStream()
{
    if (mFile) {
        ov_clear(mFile);
        delete mFile;
    }
    if (mFd >= 0)
        ::close(mFd);
    if (mConverter)
        SDL_FreeAudioStream(mConverter);
    if (mRetiring)
        SDL_FreeAudioStream(mRetiring);
}

bool OggStream::convertFrom(int rate, int channels)
{
    if (mConverter && rate == mRate && channels == mChannels)
        return true;
    // The previous link's converter still holds its last samples: it is played out first.
    if (mConverter) {
        if (mRetiring)
            SDL_FreeAudioStream(mRetiring);   // not reached: fill() plays it out before decoding on
        SDL_AudioStreamFlush(mConverter);
        mRetiring = mConverter;
    }
    // Same format in and out (the show's own track) passes every sample through unchanged.
    mConverter = SDL_NewAudioStream(AUDIO_S16SYS, channels, rate, AUDIO_S16SYS, mDeviceChannels, mDeviceRate);
    mRate = rate;
    mChannels = channels;
    return mConverter != nullptr;
}

// --- Playing ---------------------------------------------------------------------------------

void OggStream::fill(unsigned char* out, int bytes)
{
    while (bytes > 0 && !mEnded) {
        // A link's converter that was replaced gives what it still holds before the next one.
        if (mRetiring) {
            const int got = SDL_AudioStreamGet(mRetiring, out, bytes);
            if (got <= 0) {
                SDL_FreeAudioStream(mRetiring);
                mRetiring = nullptr;
                continue;
            }
            out += got;
            bytes -= got;
            continue;
        }
        const int got = SDL_AudioStreamGet(mConverter, out, bytes);
        if (got < 0) {
            stop("cannot be converted for the audio device");
            break;
        }
        out += got;
        bytes -= got;
        if (bytes == 0)
            break;
        if (mDraining) {
            mEnded = true;   // the converter is empty and nothing more comes
        } else if (!decodeSome()) {
            SDL_AudioStreamFlush(mConverter);
            mDraining = true;
        }
    }
    if (bytes > 0)
        std::memset(out, 0, bytes);
}

// Decodes about one packet into the converter. False once nothing more will come.
bool OggStream::decodeSome()
{
    if (mReplaying)
        return replay();
    char pcm[kDecodeBytes];
    if (mSilence > 0) {
        const long frames = std::min<long>(mSilence, sizeof pcm / (2 * mChannels));
        std::memset(pcm, 0, sizeof pcm);
        mSilence -= frames;
        return put(pcm, frames * 2 * mChannels);
    }

    int link = 0;
    const long got = ov_read(mFile, pcm, sizeof pcm, SDL_BYTEORDER == SDL_BIG_ENDIAN, 2, 1, &link);

    if (got > 0) {
        if (link != mLink) {
            // A chained file may change its rate or channels from one link to the next.
            if (mLink >= 0)
                mPassFits = false;
            mLink = link;
            const vorbis_info* info = ov_info(mFile, link);
            if (!info || !convertFrom(info->rate, info->channels)) {
                stop("cannot be converted for the audio device");
                return false;
            }
        }
        if (mHoleUnsaid)
            sayDamaged();
        mFailuresInARow = 0;
        const long frames = got / (2 * mChannels);
        mFramesThisPass += frames;
        keepInPlace(frames);
        keepForReplay(pcm, got);
        return put(pcm, got);
    }

    if (got == 0) {
        if (!mLoop)
            return false;
        // A lost last stretch shows only here: the last page's position is not taken over
        // while decoding, so after a loss the track may be longer than what was decoded.
        const long long total = ov_pcm_total(mFile, -1);
        if (mFramesThisPass > 0 && (mLossUnmeasured || mAhead > 0) && total > mPosition) {
            owe(mLossUnmeasured ? total - mPosition : std::min(total - mPosition, mAhead));
            mLossUnmeasured = false;
            mAhead = 0;
            return true;
        }
        // A pass that gave no sound at all would only spin: the music ends instead.
        if (mFramesThisPass == 0) {
            stop("has no sound that can be played");
            return false;
        }
        // A short, whole pass is repeated from memory from now on.
        if (mPassFits && !mPass.empty()) {
            mRepeats.clear();
            while (mRepeats.empty() || mRepeats.size() + mPass.size() <= kDecodeBytes)
                mRepeats.insert(mRepeats.end(), mPass.begin(), mPass.end());
            mReplaying = true;
            return replay();
        }
        mPass.clear();
        mPassFits = true;
        mFramesThisPass = 0;
        // Back to the first sample; the converter carries on, so the loop has no seam.
        if (ov_pcm_seek(mFile, 0) != 0) {
            stop("cannot be played from its start again");
            return false;
        }
        placeAfresh();
        return true;
    }

    // A hole (pages lost or damaged) or a bad link: libvorbisfile has skipped it, go on.
    if ((got == OV_HOLE || got == OV_EBADLINK) && ++mFailuresInARow < kFailuresToGiveUp) {
        mHoleUnsaid = true;
        mLossUnmeasured = true;
        mPassFits = false;
        mTold = ov_pcm_tell(mFile);
        return true;
    }
    stop("cannot be decoded any further");
    return false;
}

bool OggStream::put(const char* pcm, long bytes)
{
    if (SDL_AudioStreamPut(mConverter, pcm, static_cast<int>(bytes)) == 0)
        return true;
    stop("cannot be converted for the audio device");
    return false;
}

// Samples lost in a damaged stretch come back as silence of the same length, so that what
// follows plays at its own time, in step with the picture.
//
// libvorbisfile counts the samples it gives and, at the end of each page, takes the position
// written on the page instead (its position then differs from its own count). Less the stream's
// lead (see learnLead), that is where the pages say the music is. A position ahead
// of the music means samples were lost, but only if it can be believed: some encoders (ffmpeg's)
// write a page's position a few hundred samples ahead and take the step back on the next page,
// with nothing lost. So a loss is believed
//   - after a hole that libvorbisfile met (a page missing in the sequence), at the first page
//     position it takes over: the silence follows the samples before the hole;
//   - otherwise once the position has stayed ahead while two more pages were read, by the least
//     it was ahead meanwhile: the next page's position, which takes a false step back, is read
//     before the page after it. This is how a loss right after the start of decoding or a seek
//     shows, where libvorbisfile has no page sequence yet to find a hole in.
void OggStream::keepInPlace(long frames)
{
    mPosition += frames;
    const long long told = ov_pcm_tell(mFile);
    const bool pagePlaced = told != mTold + frames;
    mTold = told;
    if (!pagePlaced) {
        mSaid += frames;
    } else {
        if (mLink == 0 && !mLossUnmeasured)
            learnLead(told - mPosition);
        mSaid = told - (mLink == 0 ? mLead : 0);
    }
    const long long ahead = mSaid - mPosition;
    if (mLossUnmeasured) {
        if (!pagePlaced)
            return;
        mLossUnmeasured = false;
        mAhead = 0;
        if (ahead > 0)
            owe(ahead);
        return;
    }
    if (ahead <= 0) {   // in step, or behind: nothing lost
        mAhead = 0;
        return;
    }
    const long long page = ov_raw_tell(mFile);
    if (mAhead == 0) {
        mAhead = ahead;
        mAheadPage = page;
        mPagesSinceAhead = 0;
        return;
    }
    mAhead = std::min(mAhead, ahead);
    if (page != mAheadPage) {
        mAheadPage = page;
        ++mPagesSinceAhead;
    }
    if (mPagesSinceAhead >= 2) {
        owe(mAhead);
        mAhead = 0;
    }
}

// A stream may begin past zero (a recording cut from a longer one; ffmpeg writes some tracks so):
// the position on its first page of sound is ahead of the samples on it, and so are the pages
// after it. libvorbisfile plays such a stream from its first sample, and counts the track's
// length and its own position after a seek from there; but the positions it takes over from the
// first link's pages while decoding stay ahead by that lead (those of later links it corrects).
// The lead is what the first page placed in a pass stands ahead, and the least any page of the
// first link stood ahead since (ffmpeg's first page may also be one that steps ahead and back).
// A lost first page of sound looks the same to libvorbisfile; the pages' numbers tell the two
// apart: only where the first page of sound follows the headers is there a lead, else a loss.
void OggStream::learnLead(long long lead)
{
    lead = std::max(0LL, lead);
    if (mLeadUnknown)
        mLead = mStartsWhole ? lead : 0;
    else
        mLead = std::min(mLead, lead);
    mLeadUnknown = false;
}

// At the start of the file, or of a pass: the decoder's position is the music's.
void OggStream::placeAfresh()
{
    mPosition = mTold = mSaid = ov_pcm_tell(mFile);
    mLeadUnknown = true;
    mAhead = 0;
    mPagesSinceAhead = 0;
    mLossUnmeasured = false;
}

// The pass is kept while it is whole: one link, nothing lost, and small enough.
void OggStream::keepForReplay(const char* pcm, long bytes)
{
    if (!mPassFits)
        return;
    if (mPass.size() + static_cast<size_t>(bytes) > kLongestReplay) {
        mPassFits = false;
        mPass.clear();
        return;
    }
    mPass.insert(mPass.end(), pcm, pcm + bytes);
}

bool OggStream::replay()
{
    return put(mRepeats.data(), static_cast<long>(mRepeats.size()));
}

// The music's place moves on by `frames` of silence, played before what is decoded next.
void OggStream::owe(long long frames)
{
    mPosition += frames;
    mPassFits = false;
    mSilence += static_cast<long>(std::min<long long>(frames, 1LL * kLongestSilence * mRate));
    sayDamaged();
}

void OggStream::sayDamaged()
{
    mHoleUnsaid = false;
    if (mDamageSaid)
        return;
    report("the music \"" + mPath + "\" has a damaged stretch; it is skipped");
    mDamageSaid = true;
}

void OggStream::stop(const char* reason)
{
    report("the music \"" + mPath + "\" " + reason + "; it stops");
    mEnded = true;
}

} // namespace sound
} // namespace veko
