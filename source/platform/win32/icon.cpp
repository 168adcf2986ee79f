#include "platform/win32/icon.h"

#include <stb_image.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs/path.h"
#include "platform/fs/regular_file.h"
#include "platform/log/log.h"
#include "platform/win32/window.h"

struct HICON__ {
    win32::IconImage image;  // empty for the system's icons
};

namespace win32 {
namespace {
constexpr std::size_t kDirectoryBytes = 6, kEntryBytes = 16;
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

unsigned Word(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t Dword(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool DecodePng(const unsigned char* bytes, std::size_t size, int width, int height, IconImage* out) {
    if (size < sizeof kPngSignature || std::memcmp(bytes, kPngSignature, sizeof kPngSignature) != 0) return false;
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &channels, 4);
    if (!pixels) return false;
    const bool matches = w == width && h == height;
    if (matches) {
        out->width = w;
        out->height = h;
        out->rgba.assign(pixels, pixels + static_cast<std::size_t>(w) * h * 4);
    }
    stbi_image_free(pixels);
    return matches;
}

HICON__* SystemApplicationIcon() {
    static HICON__ icon;
    return &icon;
}

std::map<std::string, std::unique_ptr<HICON__>>& IconsByFile() {
    static std::map<std::string, std::unique_ptr<HICON__>> icons;
    return icons;
}
}  // namespace

bool DecodeIconFile(const unsigned char* bytes, std::size_t size, IconImage* out) {
    if (!bytes || !out || size < kDirectoryBytes || size > kLargestIconFile) return false;
    if (Word(bytes) != 0 || Word(bytes + 2) != 1) return false;
    const std::size_t count = Word(bytes + 4);
    if (count == 0 || kDirectoryBytes + count * kEntryBytes > size) return false;

    // Largest first; an image that does not decode gives way to the next.
    std::multimap<int, const unsigned char*, std::greater<int>> bySize;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = bytes + kDirectoryBytes + i * kEntryBytes;
        const int width = entry[0] ? entry[0] : 256;
        bySize.emplace(width, entry);
    }
    for (const auto& [width, entry] : bySize) {
        const int height = entry[1] ? entry[1] : 256;
        const std::uint32_t length = Dword(entry + 8), offset = Dword(entry + 12);
        if (length == 0 || offset < kDirectoryBytes + count * kEntryBytes || offset > size || length > size - offset)
            continue;
        IconImage image;
        if (DecodePng(bytes + offset, length, width, height, &image)) {
            *out = std::move(image);
            return true;
        }
    }
    return false;
}

const IconImage* IconPixels(HICON icon) {
    if (!icon) return nullptr;
    for (const auto& entry : IconsByFile())
        if (entry.second.get() == icon) return &icon->image;
    return nullptr;
}
}  // namespace win32

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    // No module of the program carries resources.
    if (instance) return nullptr;
    // Predefined icons are small integers, not text.
    if (reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF) return win32::SystemApplicationIcon();
    const std::string path = ResolveCaseInsensitivePath(name);
    auto& icons = win32::IconsByFile();
    if (auto found = icons.find(path); found != icons.end()) return found->second.get();

    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!fs::ReadRegularFile(path.c_str(), win32::kLargestIconFile, &bytes, &reason)) {
        vlog::Debug(vlog::Category::Video, "no icon file %s (%s); the window keeps the system's icon", name,
                    reason.c_str());
        return win32::SystemApplicationIcon();
    }
    auto icon = std::make_unique<HICON__>();
    if (!win32::DecodeIconFile(bytes.data(), bytes.size(), &icon->image)) {
        vlog::Warn(vlog::Category::Video, "icon file %s holds no image that can be read", path.c_str());
        return win32::SystemApplicationIcon();
    }
    return (icons[path] = std::move(icon)).get();
}
