#include "platform/win32/text.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {
// Decodes one UTF-8 sequence at text[i]; false for a malformed one.
bool DecodeUtf8(const unsigned char* text, int length, int& i, char32_t& out) {
    const unsigned char lead = text[i];
    int extra = 0;
    if (lead < 0x80) {
        out = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        out = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        out = lead & 0x0F;
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        out = lead & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + extra >= length) return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = text[i + k];
        if ((next & 0xC0) != 0x80) return false;
        out = (out << 6) | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (out < kSmallest[extra] || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return false;
    i += extra + 1;
    return true;
}
}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int byteCount, LPWSTR wide, int wideCount) {
    if (!text || byteCount == 0 || wideCount < 0) return 0;
    const int length = byteCount < 0 ? static_cast<int>(std::strlen(text)) + 1 : byteCount;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::vector<WCHAR> units;
    for (int i = 0; i < length;) {
        char32_t code = 0;
        if (!DecodeUtf8(bytes, length, i, code)) return 0;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<WCHAR>(0xD800 + (code >> 10)));
            units.push_back(static_cast<WCHAR>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<WCHAR>(code));
        }
    }
    const int needed = static_cast<int>(units.size());
    if (wideCount == 0) return needed;
    if (!wide || needed > wideCount) return 0;
    std::memcpy(wide, units.data(), units.size() * sizeof(WCHAR));
    return needed;
}
