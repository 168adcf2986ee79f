#include "platform/fs/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/log/log.h"

namespace fs {
namespace {
constexpr const char* kTemporaryMark = ".tmp-";
constexpr unsigned kAttempts = 64;
constexpr std::size_t kLargestCopy = 1 << 20;

unsigned g_nextSerial = 0;

std::string ErrorText(int error) { return std::strerror(error); }

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int descriptor, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Makes a rename durable; a directory that cannot be synced is not worth
// losing the file over.
void SyncDirectory(const std::string& directory) {
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// Writes the bytes to a fresh temporary beside target and syncs it. Its name,
// or "" with the reason.
std::string WriteTemporary(const std::string& target, const void* bytes, std::size_t size, std::string* reason) {
    std::string temporary;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < kAttempts && descriptor < 0; ++attempt) {
        temporary = TemporaryNameFor(target, g_nextSerial++);
        descriptor = CreateExclusive(temporary);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        *reason = "cannot create a temporary file in " + DirectoryOf(target) + ": " + ErrorText(errno);
        return {};
    }
    bool written = WriteAll(descriptor, static_cast<const unsigned char*>(bytes), size);
    int error = written ? 0 : errno;
    if (::fsync(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (::close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        *reason = "cannot write " + temporary + ": " + ErrorText(error);
        return {};
    }
    return temporary;
}

// Whether name is one of our temporaries, and the process that made it.
bool ParseTemporaryName(const char* name, long* pid) {
    const char* mark = std::strstr(name, kTemporaryMark);
    if (!mark || mark == name) return false;
    // The last mark counts: the target's own name may hold the text too.
    for (const char* next = mark; (next = std::strstr(next + 1, kTemporaryMark));) mark = next;
    const char* digits = mark + std::strlen(kTemporaryMark);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(digits, &end, 10);
    if (end == digits || *end != '-' || errno != 0 || value <= 0) return false;
    const char* serial = end + 1;
    if (*serial == '\0') return false;
    for (const char* c = serial; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    *pid = value;
    return true;
}

bool ProcessIsGone(long pid) {
    if (pid == static_cast<long>(::getpid())) return true;
    if (pid > 0x7FFFFFFFL) return true;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}
}  // namespace

int CreateExclusive(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

std::string TemporaryNameFor(const std::string& target, unsigned serial) {
    return target + kTemporaryMark + std::to_string(::getpid()) + "-" + std::to_string(serial);
}

bool WriteFileAtomically(const std::string& target, const void* bytes, std::size_t size, std::string* reason) {
    std::string ignored;
    if (!reason) reason = &ignored;
    const std::string temporary = WriteTemporary(target, bytes, size, reason);
    if (temporary.empty()) return false;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        *reason = "cannot replace " + target + ": " + ErrorText(error);
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}

bool CopyFileIfAbsent(const std::string& source, const std::string& target, std::string* reason) {
    std::string ignored;
    if (!reason) reason = &ignored;
    struct stat existing;
    if (::lstat(target.c_str(), &existing) == 0) {
        *reason = target + " already exists";
        return false;
    }
    const int input = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (input < 0) {
        *reason = "cannot open " + source + ": " + ErrorText(errno);
        return false;
    }
    struct stat info;
    std::vector<unsigned char> bytes;
    bool readable =
        ::fstat(input, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= kLargestCopy;
    if (readable) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(input, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        readable = got == bytes.size();
    }
    ::close(input);
    if (!readable) {
        *reason = "cannot read " + source + " (not a small regular file)";
        return false;
    }
    const std::string temporary = WriteTemporary(target, bytes.data(), bytes.size(), reason);
    if (temporary.empty()) return false;
    // Neither step replaces what is there: a rename that refuses an existing
    // target, or, where the file system lacks it, a hard link.
    int result = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) result = ::link(temporary.c_str(), target.c_str());
    const int error = errno;
    ::unlink(temporary.c_str());
    if (result != 0) {
        *reason = error == EEXIST ? target + " already exists" : "cannot create " + target + ": " + ErrorText(error);
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}

int RemoveStaleTemporaries(const std::string& directory) {
    DIR* listing = ::opendir(directory.c_str());
    if (!listing) return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(listing)) {
        long pid = 0;
        if (ParseTemporaryName(entry->d_name, &pid) && ProcessIsGone(pid)) stale.push_back(entry->d_name);
    }
    ::closedir(listing);
    int removed = 0;
    for (const std::string& name : stale) {
        const std::string path = directory + "/" + name;
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) continue;
        if (::unlink(path.c_str()) == 0) {
            ++removed;
            vlog::Debug(vlog::Category::Files, "removed %s, left by an interrupted save", path.c_str());
        } else {
            vlog::Warn(vlog::Category::Files, "cannot remove %s: %s", path.c_str(), ErrorText(errno).c_str());
        }
    }
    return removed;
}
}  // namespace fs
