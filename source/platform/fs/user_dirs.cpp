#include "platform/fs/user_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/fs/atomic_file.h"
#include "platform/log/log.h"

namespace fs {
namespace {
// The program's folder under the per-user data directory.
constexpr const char* kApplicationFolder = "vortwing";

std::string& Override() {
    static std::string directory;
    return directory;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return {};
}

bool EqualIgnoringCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}
}  // namespace

std::string ResultsDirectory() {
    if (!Override().empty()) return Override();
    // A relative XDG_DATA_HOME is invalid by the rules and ignored.
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
        base = WithoutTrailingSlash(data);
    } else {
        const std::string home = HomeDirectory();
        if (home.empty()) return {};
        base = WithoutTrailingSlash(home) + "/.local/share";
    }
    if (base == "/") base.clear();
    return base + "/" + kApplicationFolder + "/" + kResultsName;
}

std::string SetResultsDirectory(const std::string& directory) {
    std::string previous = Override();
    std::error_code ignored;
    Override() = directory.empty()
                     ? std::string()
                     : WithoutTrailingSlash(std::filesystem::absolute(directory, ignored).lexically_normal().string());
    return previous;
}

bool RedirectIntoResults(const std::string& path, std::string* redirected) {
    if (path.empty() || path.front() == '/') return false;
    std::size_t start = 0;
    // Leading "./" components do not change what the path names.
    while (path.compare(start, 2, "./") == 0) {
        start += 2;
        while (start < path.size() && path[start] == '/') ++start;
    }
    const std::size_t slash = std::min(path.find('/', start), path.size());
    if (!EqualIgnoringCase(path.substr(start, slash - start), kResultsName)) return false;
    const std::string directory = ResultsDirectory();
    if (directory.empty()) return false;
    *redirected = directory + path.substr(slash);
    return true;
}

bool CreateResultsDirectory(std::string* reason) {
    const std::string directory = ResultsDirectory();
    if (directory.empty()) {
        *reason = "no home directory to keep results in (set HOME or use --save-dir)";
        return false;
    }
    // Each missing folder on the way, from the top down.
    for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        const std::string part = slash == std::string::npos ? directory : directory.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            *reason = "cannot create " + part + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    struct stat info;
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *reason = directory + " is not a directory";
        return false;
    }
    return true;
}

std::vector<std::string> AdoptEarlierResults(const std::string& earlierDirectory,
                                             const std::vector<std::string>& names) {
    std::vector<std::string> copied;
    const std::string directory = ResultsDirectory();
    if (names.empty() || directory.empty() || earlierDirectory.empty()) return copied;
    std::error_code failure;
    if (std::filesystem::equivalent(earlierDirectory, directory, failure)) return copied;
    if (Exists(directory + "/" + names.front()) || !IsRegularFile(earlierDirectory + "/" + names.front()))
        return copied;
    for (const std::string& name : names) {
        const std::string source = earlierDirectory + "/" + name, target = directory + "/" + name;
        if (!IsRegularFile(source) || Exists(target)) continue;
        std::string reason;
        if (CopyFileIfAbsent(source, target, &reason))
            copied.push_back(name);
        else
            vlog::Warn(vlog::Category::Files, "cannot copy the earlier results file %s: %s", source.c_str(),
                       reason.c_str());
    }
    if (!copied.empty())
        vlog::Info(vlog::Category::Files,
                   "copied the results kept by an earlier version from %s to %s (the originals stay)",
                   earlierDirectory.c_str(), directory.c_str());
    return copied;
}
}  // namespace fs
