// Command-line options of the program, for automation; with none the game
// runs as it always did.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ProgramOptions {
    std::string dataDirectory;  // empty: searched for (FindDataDirectory)
    std::string saveDirectory;  // empty: the player's own results directory
    std::uint64_t frames = 0;   // 0: run until the window closes
    std::vector<std::pair<std::uint64_t, std::string>> screenshots;
    bool uncapped = false;
    // --scale: 0 adaptive; unset, SceneScaleFor chooses.
    std::optional<float> sceneScale;
    bool fullscreen = false;
    std::string inputScript;
    std::string recordFile;
    bool help = false;
    bool version = false;
    bool verbose = false;
};

// Returns false with a one-line message in error for a bad command line.
bool ParseProgramOptions(int argc, const char* const* argv, ProgramOptions* options, std::string* error);
const char* ProgramUsage();
// The resolution the 3D picture is drawn at, as a share of the window's
// picture (0: adapting to the frame times): what --scale said, else
// adaptive, except that automation (--uncapped, --frames, --screenshot,
// --input) runs at 1 so that its pictures stay exact.
float SceneScaleFor(const ProgramOptions& options);

// Whether directory holds the game's data: an effect file and its mesh,
// texture and sound folders (letter case aside), so that an unrelated or
// empty folder is never taken for it.
bool HoldsGameData(const std::string& directory);

// Where the data is, and every place looked at (absolute paths, in order).
struct DataSearch {
    std::string directory;  // empty when no place holds the data
    std::vector<std::string> tried;
};

// The data directory: the one given (--data) and nothing else when there is
// one; otherwise the first that holds the data of the current directory,
// "data" beside the executable (the build tree) and "../share/vortwing"
// beside it (the installed tree).
DataSearch FindDataDirectory(const std::string& given, const std::string& currentDirectory,
                             const std::string& executable);
// The running program's own file (from /proc/self/exe, else argv[0]).
std::string ProgramFile(const char* argv0);
// The one line that says where the data was looked for in vain.
std::string DataSearchFailure(const DataSearch& search);
