// SPDX-License-Identifier: MIT
#include "platform/ProgramEntry.h"

#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "platform/Report.h"
#include "platform/WideText.h"

namespace {

bool hasConsoleOutput()
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    return error != nullptr && error != INVALID_HANDLE_VALUE;
}

} // namespace

// A GUI program: no console window opens with it. The command line arrives as UTF-16 and is
// handed on in UTF-8, as everything inside the show is.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // This run's kavri.log, begun before anything is said: no line of an earlier run stays.
    veko::beginReportLog();
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(veko::narrow(wide[i]));
    if (wide)
        LocalFree(wide);
    if (arguments.empty())
        arguments.push_back("kavri");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    const int code = showMain(static_cast<int>(arguments.size()), argv.data());
    // A show that could not start says why where the user sees it.
    if (code != 0 && !hasConsoleOutput() && !veko::reportsSoFar().empty()) {
        MessageBoxW(nullptr, veko::widen(veko::reportsSoFar()).c_str(), L"Kavri", MB_OK | MB_ICONERROR);
    }
    return code;
}
