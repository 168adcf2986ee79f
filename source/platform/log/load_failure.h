// The one line a data file that cannot be loaded leaves on standard error:
// "FILE: reason". Scenes load their assets again each time they start, so a
// file is reported the first time it fails and not again in the same run.
#pragma once
#include "platform/log/log.h"

namespace vlog {
// An error line naming file (as the program named it) and the reason, once
// per file and run; later calls for the same file write nothing.
void LoadFailure(Category category, const char* file, const char* format, ...) VLOG_PRINTF(3, 4);
// The same as a warning: the file was loaded, but not all of it.
void LoadWarning(Category category, const char* file, const char* format, ...) VLOG_PRINTF(3, 4);
// Whether file has been reported in this run.
bool LoadFailureReported(const char* file);
}  // namespace vlog
