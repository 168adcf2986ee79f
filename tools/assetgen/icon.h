// The program's icon, in the window (an icon file in the data directory) and
// on the desktop (hicolor theme PNGs).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image.h"
#include "output.h"

namespace assetgen {

inline constexpr const char* kWindowIconFile = "icon1.ico";
inline constexpr int kWindowIconSizes[] = {16, 32, 48, 64, 128, 256};
inline constexpr int kDesktopIconSizes[] = {48, 64, 128, 256, 512};

Image DrawIcon(int size);
// A Windows icon file holding each image as PNG (sides of 1 to 256 pixels).
std::vector<uint8_t> EncodeIco(const std::vector<Image>& images);

// The window's icon file in the data directory.
void GenerateIcon(Output& out);
// DIRECTORY/hicolor/NxN/apps/ID.png for each desktop size.
void WriteDesktopIcons(const std::filesystem::path& directory, const std::string& id);

}  // namespace assetgen
