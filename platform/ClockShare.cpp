#include "platform/ClockShare.h"

namespace veko {

ClockShare::ClockShare() : mSequence(0), mShowMs(0), mStampMs(0), mContinues(0) {}

void ClockShare::publish(const Reading& reading)
{
    const unsigned sequence = mSequence.load(std::memory_order_relaxed);
    mSequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    mShowMs.store(reading.showMs, std::memory_order_relaxed);
    mStampMs.store(reading.stampMs, std::memory_order_relaxed);
    mContinues.store(reading.continues, std::memory_order_relaxed);
    mSequence.store(sequence + 2, std::memory_order_release);
}

bool ClockShare::latest(Reading* reading) const
{
    for (;;) {
        const unsigned before = mSequence.load(std::memory_order_acquire);
        if (before == 0)
            return false;
        if (before & 1u)
            continue;   // a write is under way; it takes a few instructions
        reading->showMs = mShowMs.load(std::memory_order_relaxed);
        reading->stampMs = mStampMs.load(std::memory_order_relaxed);
        reading->continues = mContinues.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (mSequence.load(std::memory_order_relaxed) == before)
            return true;
    }
}

} // namespace veko
