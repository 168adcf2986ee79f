// Where the files the player keeps live: the results directory, which the
// game's own code names "GlobalData".
#pragma once
#include <string>

namespace fs {
// Absolute path of the results directory (without a trailing slash). It may
// not exist yet.
std::string ResultsDirectory();
}  // namespace fs
