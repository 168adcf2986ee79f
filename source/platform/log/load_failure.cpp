#include "platform/log/load_failure.h"

#include <cstdarg>
#include <cstdio>
#include <set>
#include <string>

namespace vlog {
namespace {
std::set<std::string>& ReportedFiles() {
    static std::set<std::string> files;
    return files;
}

void Report(Category category, Priority priority, const char* file, const char* format, va_list arguments) {
    const std::string name = file ? file : "(no file name)";
    if (!ReportedFiles().insert(name).second) return;
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string reason(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(reason.data(), reason.size() + 1, format, arguments);
    // One line, whatever the reason's own text holds (compiler logs do hold
    // line breaks).
    std::string line = name + ": " + reason;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    Write(category, priority, line);
}
}  // namespace

void LoadFailure(Category category, const char* file, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    Report(category, Priority::Error, file, format, arguments);
    va_end(arguments);
}

void LoadWarning(Category category, const char* file, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    Report(category, Priority::Warn, file, format, arguments);
    va_end(arguments);
}

bool LoadFailureReported(const char* file) { return file && ReportedFiles().count(file) > 0; }
}  // namespace vlog
