// Icons of the Win32 subset. LoadIconA (declared with the window functions)
// with no module gives the system's application icon for a predefined name
// (IDI_APPLICATION); for a file name it reads that Windows icon file from the
// current directory, letter case aside, so a program that ships one shows
// it. Icon files hold several sizes; images stored as PNG (as written since
// Windows Vista) are read, older bitmap images are skipped. Loaded icons live
// until the program ends, as shared icons do on Windows.
#pragma once
#include <cstddef>
#include <vector>

#include "platform/win32/wintypes.h"

namespace win32 {
struct IconImage {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;  // rows top to bottom, 4 bytes a pixel
};

// Icon files above this size are not read.
constexpr std::size_t kLargestIconFile = 16u << 20;

// The largest PNG image of an icon file that decodes to the size its
// directory entry states. False, with out untouched, for a file that is
// short, damaged or holds no such image; every count, size and offset is
// checked against the bytes first.
bool DecodeIconFile(const unsigned char* bytes, std::size_t size, IconImage* out);

// The pixels of an icon from a file; null for the system's icons and for
// handles that are not icons.
const IconImage* IconPixels(HICON icon);
}  // namespace win32
