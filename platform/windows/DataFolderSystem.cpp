#include "platform/DataFolder.h"
#include "platform/DataFolderSystem.h"

#include "platform/ProgramFile.h"
#include "platform/WindowsPath.h"

namespace veko {

std::filesystem::path workableFolder(const std::filesystem::path& folder)
{
    return std::filesystem::path(workingName(folder.wstring()));
}

bool roomyFolder(const std::filesystem::path& folder)
{
    return roomInside(folder.wstring());
}

DataFolder DataFolder::forThisProgram()
{
    // A Windows show has no installed place: its data folder is ..\data, from where it was
    // started or from the program's own folder.
    return DataFolder(programFile(), "");
}

} // namespace veko
