// Command-line options of the program, for automation; with none the game
// runs as it always did.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ProgramOptions {
    std::string dataDirectory;  // empty: found as described in the usage text
    std::uint64_t frames = 0;   // 0: run until the window closes
    std::vector<std::pair<std::uint64_t, std::string>> screenshots;
    bool uncapped = false;
    bool fullscreen = false;
    std::string inputScript;
    std::string recordFile;
    bool help = false;
    bool verbose = false;
};

// Returns false with a one-line message in error for a bad command line.
bool ParseProgramOptions(int argc, const char* const* argv, ProgramOptions* options, std::string* error);
const char* ProgramUsage();

// Makes the data directory current: the one given, else the current one when
// it holds the data, else "data" beside the executable.
bool EnterDataDirectory(const ProgramOptions& options, const char* argv0, std::string* error);
