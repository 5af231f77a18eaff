#include "framework/Random.h"

namespace veko {

Random& Random::shared()
{
    static Random sRandom(1);
    return sRandom;
}

} // namespace veko
