#include "platform/StandardStreams.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace veko {

void ensureStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // open() takes the lowest free descriptor, which is this one.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened > 2)
            close(opened);
    }
}

void sayToUser(const char* text)
{
    std::fputs(text, stdout);
}

} // namespace veko
