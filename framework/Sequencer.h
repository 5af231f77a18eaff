#ifndef VEKO_SEQUENCER_H
#define VEKO_SEQUENCER_H

#include <map>
#include <vector>

#include "framework/Effect.h"

namespace veko {

// Owns every scene under its effect id, measures each frame's delta, advances the show
// clock and hands the frame to the one scene that the timetable names for that time.
class Sequencer {
public:
    Sequencer();
    ~Sequencer();

    void initAll();
    // Draws one frame of a stand-in of each scene the timetable shows, made, set up and
    // deleted here, where the scenes draw (the show's picture); the scenes themselves are
    // untouched, and the engine's drawing state is left as it was found. A software OpenGL renderer prepares
    // (compiles) each way of drawing the first time it is used: rehearsed before the show
    // starts, no scene's first frame pays for that. After initAll, before the first frame.
    void rehearse();
    void shutdownAll();
    // Marks the engine timer's reading at which the show clock is 0. Without it, the first
    // frame is that moment and passes a delta of 0.
    void start(unsigned int now);
    // One frame between beginScene and endScene. Past the last slot it ends the process.
    void frame();
    // For a pass of the loop that draws no frame (the window is inactive): the show clock
    // stands still, but the next frame's delta would carry it to the engine timer's reading
    // `now`. Once that is past the last slot the show ends now, as that frame would end it.
    void endIfOver(unsigned int now);

    // The effect id that the timetable gives the show time t, or 0 once the show is over.
    static int effectIdAt(float t);
    // The show's length in seconds of show clock: the end of the last slot.
    static float showLength();

    // The effect under an id, or null. For tools that drive one scene directly.
    Effect* effect(int id) const;
    // The ids of all effects held, ascending.
    std::vector<int> ids() const;
    // Puts an effect under an id, deleting the one that was there.
    void adopt(int id, Effect* effect);

    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

private:
    // The frame's delta in seconds from the previous frame to `now`; 0 before the first frame.
    float deltaTo(unsigned int now) const;

    std::map<int, Effect*> mEffects;
    bool mStarted;
    unsigned int mLastTime;   // engine milliseconds at the previous frame, once started
};

} // namespace veko

#endif
