// SPDX-License-Identifier: MIT
#ifndef VEKO_PROGRAM_ENTRY_H
#define VEKO_PROGRAM_ENTRY_H

// The show's own entry, with the arguments in UTF-8. The system's entry calls it: main() on
// Linux, WinMain() on Windows (platform/windows/ProgramEntry.cpp).
int showMain(int argc, char** argv);

#endif
