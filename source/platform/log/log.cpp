#include "platform/log/log.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>

namespace vlog {
namespace {
constexpr int kFirstCategory = SDL_LOG_CATEGORY_CUSTOM;
constexpr const char* kCategoryNames[] = {"app", "video", "audio", "input", "files", "assets"};
static_assert(sizeof kCategoryNames / sizeof kCategoryNames[0] == static_cast<int>(Category::Count));

bool g_verbose = false;
bool g_installed = false;
Observer& CurrentObserver() {
    static Observer observer;
    return observer;
}

Priority FromSdl(SDL_LogPriority priority) {
    switch (priority) {
    case SDL_LOG_PRIORITY_VERBOSE:
    case SDL_LOG_PRIORITY_DEBUG: return Priority::Debug;
    case SDL_LOG_PRIORITY_INFO: return Priority::Info;
    case SDL_LOG_PRIORITY_WARN: return Priority::Warn;
    default: return Priority::Error;
    }
}

SDL_LogPriority ToSdl(Priority priority) {
    switch (priority) {
    case Priority::Debug: return SDL_LOG_PRIORITY_DEBUG;
    case Priority::Info: return SDL_LOG_PRIORITY_INFO;
    case Priority::Warn: return SDL_LOG_PRIORITY_WARN;
    default: return SDL_LOG_PRIORITY_ERROR;
    }
}

const char* PriorityWord(Priority priority) {
    switch (priority) {
    case Priority::Debug: return "debug: ";
    case Priority::Warn: return "warning: ";
    case Priority::Error: return "error: ";
    default: return "";
    }
}

// SDL's own categories (its lines about drivers and devices) keep their
// place in the same stream.
const char* NameOfSdlCategory(int category) {
    if (category >= kFirstCategory && category < kFirstCategory + static_cast<int>(Category::Count))
        return kCategoryNames[category - kFirstCategory];
    return "sdl";
}

void Output(void*, int category, SDL_LogPriority priority, const char* message) {
    const Priority ours = FromSdl(priority);
    std::fprintf(stderr, "vortwing: %s: %s%s\n", NameOfSdlCategory(category), PriorityWord(ours), message);
    std::fflush(stderr);
    if (CurrentObserver() && category >= kFirstCategory &&
        category < kFirstCategory + static_cast<int>(Category::Count))
        CurrentObserver()(static_cast<Category>(category - kFirstCategory), ours, message);
}

void ApplyPriorities() {
    const SDL_LogPriority least = g_verbose ? SDL_LOG_PRIORITY_DEBUG : SDL_LOG_PRIORITY_INFO;
    for (int i = 0; i < static_cast<int>(Category::Count); ++i) SDL_LogSetPriority(kFirstCategory + i, least);
    // SDL's own chatter only when asked for.
    const SDL_LogPriority sdlLeast = g_verbose ? SDL_LOG_PRIORITY_INFO : SDL_LOG_PRIORITY_WARN;
    for (int category = SDL_LOG_CATEGORY_APPLICATION; category < SDL_LOG_CATEGORY_RESERVED1; ++category)
        SDL_LogSetPriority(category, sdlLeast);
}

void Install() {
    // SDL_Quit resets every category's priority: apply ours again after it.
    const SDL_LogPriority least = g_verbose ? SDL_LOG_PRIORITY_DEBUG : SDL_LOG_PRIORITY_INFO;
    if (g_installed && SDL_LogGetPriority(kFirstCategory) == least) return;
    g_installed = true;
    SDL_LogSetOutputFunction(Output, nullptr);
    ApplyPriorities();
}

void WriteV(Category category, Priority priority, const char* format, va_list arguments) {
    Install();
    SDL_LogMessageV(kFirstCategory + static_cast<int>(category), ToSdl(priority), format, arguments);
}
}  // namespace

#define VLOG_DEFINE(Name, priority)                         \
    void Name(Category category, const char* format, ...) { \
        va_list arguments;                                  \
        va_start(arguments, format);                        \
        WriteV(category, priority, format, arguments);      \
        va_end(arguments);                                  \
    }
VLOG_DEFINE(Error, Priority::Error)
VLOG_DEFINE(Warn, Priority::Warn)
VLOG_DEFINE(Info, Priority::Info)
VLOG_DEFINE(Debug, Priority::Debug)
#undef VLOG_DEFINE

void Write(Category category, Priority priority, const std::string& text) {
    Install();
    SDL_LogMessage(kFirstCategory + static_cast<int>(category), ToSdl(priority), "%s", text.c_str());
}

void SetVerbose(bool verbose) {
    g_verbose = verbose;
    g_installed = false;
    Install();
}

bool Verbose() { return g_verbose; }

const char* CategoryName(Category category) {
    const int index = static_cast<int>(category);
    return index >= 0 && index < static_cast<int>(Category::Count) ? kCategoryNames[index] : "?";
}

void SetObserver(Observer observer) {
    Install();
    CurrentObserver() = std::move(observer);
}

std::string SdlError() {
    const char* text = SDL_GetError();
    return text && *text ? text : "no further detail from SDL";
}
}  // namespace vlog
