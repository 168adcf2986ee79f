#include "platform/fs/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fs/path.h"

namespace fs {
namespace {
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

void Say(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
}
}  // namespace

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kKiB = 1024, kMiB = kKiB * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
    if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::FILE* OpenRegularFile(const char* path, std::uint64_t maxBytes, std::string* reason) {
    if (!path || !*path) {
        Say(reason, "no file name");
        return nullptr;
    }
    const std::string resolved = ResolveCaseInsensitivePath(path);
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int descriptor = ::open(resolved.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        Say(reason, std::strerror(errno));
        return nullptr;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        Say(reason, std::strerror(errno));
        ::close(descriptor);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        Say(reason, std::string("not a regular file (") + KindOf(info.st_mode) + ")");
        ::close(descriptor);
        return nullptr;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        Say(reason, "larger than " + SizeText(maxBytes));
        ::close(descriptor);
        return nullptr;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(descriptor, "rb");
    if (!file) {
        Say(reason, std::strerror(errno));
        ::close(descriptor);
    }
    return file;
}

bool ReadRegularFile(const char* path, std::uint64_t maxBytes, std::vector<std::uint8_t>* bytes, std::string* reason) {
    bytes->clear();
    std::FILE* file = OpenRegularFile(path, maxBytes, reason);
    if (!file) return false;
    std::uint8_t chunk[65536];
    bool tooLarge = false;
    int readErrno = 0;
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes->size() + got > maxBytes) {
            tooLarge = true;
            break;
        }
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    if (failed) readErrno = errno;
    std::fclose(file);
    if (tooLarge) {
        Say(reason, "larger than " + SizeText(maxBytes));
    } else if (failed) {
        Say(reason, std::string("read error: ") + std::strerror(readErrno));
    }
    if (tooLarge || failed) {
        bytes->clear();
        return false;
    }
    return true;
}
}  // namespace fs
