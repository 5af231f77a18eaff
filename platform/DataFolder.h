#ifndef VEKO_DATA_FOLDER_H
#define VEKO_DATA_FOLDER_H

#include <string>
#include <vector>

namespace veko {

// The scenes open their files as "../data/...", from the working directory. At start-up the
// program picks its data folder from these places, the first one that holds at least one of
// the show's own files (subfolders named like the show's are not enough):
//   1. ../data from where it was started (as from build/bin),
//   2. the data folder beside its own bin folder (the build tree, started from anywhere),
//   3. the data folder of the install the program is in, wherever the install was put
//      (bin/../share/kavri/data; games/../share/games/kavri/data for Debian's package),
//   4. the installed data folder, fixed when the program was built.
// It then moves into a folder from which "../data" is the folder found: the folder itself, or,
// when it is a symbolic link to a folder of another name, a folder beside the link.
class DataFolder {
public:
    // Where an install puts the programs and the data folder, relative to its prefix.
    struct Layout {
        std::vector<std::string> programFolders;   // "bin", "games"
        std::string dataFolder;                     // "share/kavri/data"
    };

    // programFile is the running program; installedFolder the data folder it installs into.
    DataFolder(const std::string& programFile, const std::string& installedFolder, const Layout& layout = Layout());

    // The files the show reads, relative to its data folder.
    static const std::vector<std::string>& showFiles();

    // The places for this process: its own file, and the layout and folder chosen at build time.
    static DataFolder forThisProgram();

    // The places in the order they are tried, as absolute paths.
    const std::vector<std::string>& places() const { return mPlaces; }

    // The first place that holds the show's files, or an empty string.
    std::string find() const;

    // Moves where "../data" is the folder found and returns true. When none holds the files,
    // or the one found cannot be reached as "../data", it stays where it is and says so on
    // stderr in one line, prefixed by programName.
    bool enter(const char* programName) const;

private:
    std::vector<std::string> mPlaces;
};

} // namespace veko

#endif
