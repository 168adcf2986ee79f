// The program's one diagnostic channel, over SDL's logging: every line that
// leaves the program for standard error goes through here, tagged with a
// category. Errors, warnings and notices are always written; debug lines
// only with SetVerbose(true) (the --verbose option).
#pragma once
#include <functional>
#include <string>

namespace vlog {
enum class Category { App, Video, Audio, Input, Files, Assets, Count };
enum class Priority { Debug, Info, Warn, Error };

#if defined(__GNUC__)
#define VLOG_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define VLOG_PRINTF(fmt, args)
#endif

void Error(Category category, const char* format, ...) VLOG_PRINTF(2, 3);
void Warn(Category category, const char* format, ...) VLOG_PRINTF(2, 3);
void Info(Category category, const char* format, ...) VLOG_PRINTF(2, 3);
void Debug(Category category, const char* format, ...) VLOG_PRINTF(2, 3);
void Write(Category category, Priority priority, const std::string& text);

void SetVerbose(bool verbose);
bool Verbose();

// The category's name as it appears in the written line ("video", ...).
const char* CategoryName(Category category);

// Every line also goes to this observer (for tests); an empty one stops it.
using Observer = std::function<void(Category, Priority, const std::string&)>;
void SetObserver(Observer observer);

// Error text of the libraries behind the layer, for failure messages.
std::string SdlError();
}  // namespace vlog
