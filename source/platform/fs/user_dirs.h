// Where the files the player keeps live: the results directory, which the
// game's own code names "GlobalData". It is the per-user data directory of
// the XDG base directory rules, "$XDG_DATA_HOME/vortwing/GlobalData" (by
// default "~/.local/share/vortwing/GlobalData"), never beside the program or
// in the build tree; a directory given with SetResultsDirectory (the
// --save-dir option, tests) takes its place.
//
// Every path the game opens goes through ResolveCaseInsensitivePath; a
// relative path whose first component is "GlobalData" (in any letter case)
// is taken there into the results directory. That is the one place of the
// redirection.
#pragma once
#include <string>
#include <vector>

namespace fs {
// The name the game gives its results directory.
constexpr const char* kResultsName = "GlobalData";

// Absolute path of the results directory (without a trailing slash). It may
// not exist yet. Empty only when neither an override, XDG_DATA_HOME, HOME nor
// the user database names a place.
std::string ResultsDirectory();

// Uses directory (made absolute now) instead of the per-user one; "" returns
// to the per-user one. Returns the directory set before ("" for none).
std::string SetResultsDirectory(const std::string& directory);

// When path (with '/' separators) names something inside "GlobalData", the
// same thing inside the results directory; otherwise false.
bool RedirectIntoResults(const std::string& path, std::string* redirected);

// Creates the results directory when it is missing (new folders on the way
// get mode 0700, as the XDG rules ask). False with the reason otherwise.
bool CreateResultsDirectory(std::string* reason);

// Earlier versions kept the results in "GlobalData" inside the data
// directory. When the results directory lacks names[0] and earlierDirectory
// holds it, copies each of names that earlierDirectory holds and the results
// directory does not; nothing is moved, removed or replaced. Says so once on
// the diagnostic channel. Returns the names copied.
std::vector<std::string> AdoptEarlierResults(const std::string& earlierDirectory,
                                             const std::vector<std::string>& names);
}  // namespace fs
