#include "platform/fs/path.h"

#include "platform/fs/user_dirs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {
bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool EqualIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == '\0') return false;
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return b[i] == '\0';
}

// The entry of directory that equals name regardless of case; among several,
// the first in byte order, so that the choice does not depend on the order
// the file system lists them in. Empty when there is none.
std::string FindEntryIgnoringCase(const std::string& directory, const std::string& name) {
    DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!listing) return {};
    std::string best;
    while (const dirent* entry = ::readdir(listing)) {
        if (EqualIgnoringCase(name, entry->d_name) && (best.empty() || best > entry->d_name)) best = entry->d_name;
    }
    ::closedir(listing);
    return best;
}

std::string Join(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}
}  // namespace

std::string ResolveCaseInsensitivePath(const char* path) {
    std::string written = path ? path : "";
    std::replace(written.begin(), written.end(), '\\', '/');
    // The results folder is not in the data directory: see user_dirs.h.
    if (std::string redirected; fs::RedirectIntoResults(written, &redirected)) written = redirected;
    if (written.empty() || Exists(written)) return written;

    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= written.size()) {
        const std::size_t slash = std::min(written.find('/', start), written.size());
        if (slash > start) components.push_back(written.substr(start, slash - start));
        start = slash + 1;
    }
    const bool trailingSlash = written.back() == '/';

    std::string resolved = written.front() == '/' ? "/" : "";
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& component = components[i];
        const std::string exact = Join(resolved, component);
        if (component == "." || component == ".." || Exists(exact)) {
            resolved = exact;
            continue;
        }
        const std::string found = FindEntryIgnoringCase(resolved, component);
        if (!found.empty()) {
            resolved = Join(resolved, found);
        } else if (i + 1 == components.size()) {
            resolved = exact;
        } else {
            return written;
        }
    }
    if (trailingSlash && resolved.back() != '/') resolved += '/';
    return resolved;
}

std::FILE* OpenFileCaseInsensitive(const char* path, const char* mode) {
    return std::fopen(ResolveCaseInsensitivePath(path).c_str(), mode);
}
