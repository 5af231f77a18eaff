#ifndef VEKO_EFFECT_H
#define VEKO_EFFECT_H

namespace veko {

// A scene of the show. The Sequencer makes it, calls init() once, idle() every frame the
// timetable gives to it, and shutdown() once at an orderly end.
class Effect {
public:
    Effect() : mLocalTime(0.0f), mFirstIdle(true) {}
    // Virtual so that a scene's own members go with it when the Sequencer deletes it.
    virtual ~Effect() {}

    virtual void init() = 0;
    // Draws one whole frame. Scenes that keep local time call Effect::idle(dt) first.
    virtual void idle(float dt);
    virtual void shutdown() = 0;

    // Seconds this effect has run, counted from its own first frame.
    float localTime() const { return mLocalTime; }

private:
    float mLocalTime;
    bool mFirstIdle;
};

} // namespace veko

#endif
