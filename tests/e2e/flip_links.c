// SPDX-License-Identifier: MIT
/* flip_links NAME TARGET TARGET [NAME TARGET TARGET]...
 * Points each symbolic link NAME at its two targets in turn, as fast as it can, until it is
 * killed. Each swap is one rename() over the name, so the name is always one link or the
 * other: whoever opens it meets either target, at any moment. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 4 || (argc - 1) % 3 != 0) {
        fprintf(stderr, "usage: flip_links NAME TARGET TARGET [NAME TARGET TARGET]...\n");
        return 2;
    }
    const int count = (argc - 1) / 3;
    char** spares = calloc((size_t)count, sizeof *spares);
    for (int i = 0; i < count; ++i) {
        const char* name = argv[1 + 3 * i];
        spares[i] = malloc(strlen(name) + 8);
        sprintf(spares[i], "%s.flip", name);
    }
    for (unsigned long turn = 0;; ++turn) {
        for (int i = 0; i < count; ++i) {
            const char* target = argv[2 + 3 * i + (int)(turn & 1)];
            unlink(spares[i]);
            if (symlink(target, spares[i]) != 0 || rename(spares[i], argv[1 + 3 * i]) != 0) {
                perror(argv[1 + 3 * i]);
                return 1;
            }
        }
    }
}
