// What the fuzz targets share: the fuzzer's bytes as a file the loaders can
// open by name, a quiet log, and a headless, soundless environment.
#pragma once
#include <SDL.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/log/log.h"

namespace fuzzsupport {
// An in-memory file; Path() names it for fopen, open and the mmio functions.
class MemoryFile {
public:
    explicit MemoryFile(const char* name) : m_descriptor(memfd_create(name, MFD_CLOEXEC)) {
        if (m_descriptor < 0) std::abort();
        m_path = "/proc/self/fd/" + std::to_string(m_descriptor);
    }
    ~MemoryFile() { close(m_descriptor); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(m_descriptor, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = pwrite(m_descriptor, data + done, size - done, static_cast<off_t>(done));
            if (written <= 0) std::abort();
            done += static_cast<std::size_t>(written);
        }
    }
    const char* Path() const { return m_path.c_str(); }

private:
    int m_descriptor;
    std::string m_path;
};

inline void DropLine(void*, int, SDL_LogPriority, const char*) {}

// No window system, the null audio driver, and the loaders' failure lines
// dropped (they would be most of the output) unless VORTWING_FUZZ_LOG is set.
inline void PrepareEnvironment() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    vlog::SetVerbose(false);
    if (!std::getenv("VORTWING_FUZZ_LOG")) SDL_LogSetOutputFunction(DropLine, nullptr);
}
}  // namespace fuzzsupport
