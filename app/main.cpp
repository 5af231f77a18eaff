#include <string>

#include "app/Show.h"
#include "app/ShowCommandLine.h"
#include "platform/DataFolder.h"
#include "platform/HeapPolicy.h"
#include "platform/ProgramEntry.h"
#include "platform/Report.h"
#include "platform/StandardStreams.h"

int showMain(int argc, char** argv)
{
    veko::ensureStandardStreams();
    veko::keepFreedMemory();
    veko::ShowOptions options;
    std::string error;
    switch (veko::ShowCommandLine::parse(argc, argv, options, error)) {
    case veko::ShowCommandLine::HELP:
        veko::sayToUser(veko::ShowCommandLine::usage());
        return 0;
    case veko::ShowCommandLine::VERSION:
        veko::sayToUser(veko::ShowCommandLine::version());
        return 0;
    case veko::ShowCommandLine::FAILED:
        veko::report(error);
        return 2;
    case veko::ShowCommandLine::RUN:
        break;
    }
    // The scenes read "../data/...": from here on that is the show's data folder.
    options.withData = veko::DataFolder::forThisProgram().enter("kavri");
    return veko::runShow(options);
}
