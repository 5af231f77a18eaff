#include "framework/Sequencer.h"

#include "effects/EfxShape1.h"
#include "effects/EfxShape2.h"
#include "effects/EfxShape3.h"
#include "effects/EfxShape4.h"
#include "effects/EfxShape5.h"
#include "effects/EfxShape6.h"
#include "effects/EfxTest.h"
#include "effects/EfxTown.h"
#include "effects/EfxZigZag.h"
#include "env/DrawingState.h"
#include "env/Env.h"
#include "framework/Random.h"
#include "platform/ProcessEnd.h"

#include <memory>
#include <typeinfo>

using namespace irr;

namespace veko {

namespace {

struct Slot {
    float until;   // the slot runs while the show clock is <= this (single precision)
    int effectId;
};

// Slots of 10.104 s; the spiral ribbons hold two.
const Slot kTimetable[] = {
    { 10.104f, 1000 },   // EfxTest
    { 20.208f, 1500 },   // EfxShape2
    { 30.312f, 2500 },   // EfxShape6
    { 50.52f,  1100 },   // EfxZigZag
    { 60.624f, 2200 },   // EfxShape5
    { 70.728f, 1900 },   // EfxShape4
};

// Every scene class under its effect id, in the order the show makes them.
const int kMadeInOrder[] = { 1000, 1100, 1200, 1500, 1600, 1900, 2200, 2500, 1300 };

Effect* makeScene(int id)
{
    switch (id) {
    case 1000: return new EfxTest;
    case 1100: return new EfxZigZag;
    case 1200: return new EfxShape1;
    case 1300: return new EfxTown;
    case 1500: return new EfxShape2;
    case 1600: return new EfxShape3;
    case 1900: return new EfxShape4;
    case 2200: return new EfxShape5;
    case 2500: return new EfxShape6;
    }
    return nullptr;
}

} // namespace

Sequencer::Sequencer() : mStarted(false), mLastTime(0)
{
    // Made in this order and stored under their ids; init() later runs in id order.
    for (int id : kMadeInOrder)
        adopt(id, makeScene(id));
}

Sequencer::~Sequencer()
{
    for (auto& entry : mEffects)
        delete entry.second;
    mEffects.clear();
}

void Sequencer::initAll()
{
    for (auto& entry : mEffects)
        entry.second->init();
}

void Sequencer::rehearse()
{
    Env* env = Env::instance();
    const DrawingState before(env->driver());
    const Random random = Random::shared();   // the show's one random source, as it was
    for (const Slot& slot : kTimetable) {
        std::unique_ptr<Effect> standIn(makeScene(slot.effectId));
        const Effect* held = effect(slot.effectId);
        if (!standIn || !held || typeid(*held) != typeid(*standIn))
            continue;   // a scene put in by hand under that id is not rehearsed
        standIn->init();
        standIn->idle(1.0f / 60.0f);
        standIn->shutdown();
    }
    before.restore();
    Random::shared() = random;
    env->setRenderTarget(nullptr, true, true, video::SColor(0, 0, 0, 0));
}

void Sequencer::shutdownAll()
{
    for (auto& entry : mEffects)
        entry.second->shutdown();
}

int Sequencer::effectIdAt(float t)
{
    for (const Slot& slot : kTimetable)
        if (t <= slot.until)
            return slot.effectId;
    return 0;
}

float Sequencer::showLength()
{
    return kTimetable[sizeof kTimetable / sizeof kTimetable[0] - 1].until;
}

Effect* Sequencer::effect(int id) const
{
    auto found = mEffects.find(id);
    return found == mEffects.end() ? nullptr : found->second;
}

std::vector<int> Sequencer::ids() const
{
    std::vector<int> result;
    for (const auto& entry : mEffects)
        result.push_back(entry.first);
    return result;
}

void Sequencer::adopt(int id, Effect* effect)
{
    auto found = mEffects.find(id);
    if (found != mEffects.end() && found->second != effect)
        delete found->second;
    mEffects[id] = effect;
}

void Sequencer::start(unsigned int now)
{
    mStarted = true;
    mLastTime = now;
}

float Sequencer::deltaTo(unsigned int now) const
{
    // Unsigned difference: a wrap of the millisecond counter still gives the true step.
    // Unstarted, the first frame has no previous reading; it passes 0 and leaves the clock alone.
    if (!mStarted)
        return 0.0f;
    return static_cast<float>(static_cast<double>(now - mLastTime) / 1000.0);
}

void Sequencer::frame()
{
    Env* env = Env::instance();
    const unsigned int now = env->device()->getTimer()->getTime();

    const float dt = deltaTo(now);
    if (mStarted)
        env->addTime(dt);
    mStarted = true;
    mLastTime = now;

    const int id = effectIdAt(env->time());
    if (id == 0) {
        endProcess(0);
        return;
    }
    if (Effect* effect = this->effect(id))
        effect->idle(dt);
}

void Sequencer::endIfOver(unsigned int now)
{
    // The same single-precision sum as Env::addTime in the next frame, without making it.
    float t = Env::instance()->time();
    t += deltaTo(now);
    if (effectIdAt(t) == 0)
        endProcess(0);
}

} // namespace veko
