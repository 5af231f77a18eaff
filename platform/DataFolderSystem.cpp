#include "platform/DataFolder.h"
#include "platform/DataFolderSystem.h"

#include "platform/ProgramFile.h"

namespace veko {

// Linux takes any folder by its name, at any depth.

std::filesystem::path workableFolder(const std::filesystem::path& folder)
{
    return folder;
}

bool roomyFolder(const std::filesystem::path&)
{
    return true;
}

DataFolder DataFolder::forThisProgram()
{
    const Layout layout{{KAVRI_INSTALL_BINDIR, KAVRI_INSTALL_TOOLDIR}, KAVRI_INSTALL_DATADIR};
    return DataFolder(programFile(), KAVRI_INSTALLED_DATA_DIR, layout);
}

} // namespace veko
