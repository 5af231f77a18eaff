#include "app/Show.h"
#include "platform/StandardStreams.h"

int main()
{
    veko::ensureStandardStreams();
    return veko::runShow();
}
