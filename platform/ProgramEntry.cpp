// SPDX-License-Identifier: MIT
#include "platform/ProgramEntry.h"

int main(int argc, char** argv)
{
    return showMain(argc, argv);
}
