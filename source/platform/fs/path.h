// Opening files named the Windows way on a case-sensitive file system.
// Paths may use '\\' or '/' and may start with ".\\"; when a path does not
// exist as written, each component is matched without regard to letter case.
#pragma once
#include <cstdio>
#include <string>

// The path with '/' separators, its components respelled as found on disk.
// When a directory on the way cannot be found, the path comes back as
// written (separators converted); a missing last component is kept as
// written so that files about to be created land in the resolved directory.
// Paths into "GlobalData" come back inside the results directory (user_dirs.h).
std::string ResolveCaseInsensitivePath(const char* path);

// fopen of the resolved path.
std::FILE* OpenFileCaseInsensitive(const char* path, const char* mode);
