#ifndef VEKO_DATA_FOLDER_SYSTEM_H
#define VEKO_DATA_FOLDER_SYSTEM_H

#include <filesystem>

namespace veko {

// What DataFolder.cpp asks of its system part (DataFolderSystem.cpp,
// windows/DataFolderSystem.cpp), which also holds DataFolder::forThisProgram.

// The folder by a name the system can work in. On Windows a folder deeper than about 200
// characters is used by its short (8.3) name, so that it can be the working directory and the
// names read below it stay within Windows' 260 characters.
std::filesystem::path workableFolder(const std::filesystem::path& folder);

// Whether the names read below the folder fit where the system takes them (on Windows, in
// 260 characters).
bool roomyFolder(const std::filesystem::path& folder);

} // namespace veko

#endif
