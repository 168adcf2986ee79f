// Icon files: the largest PNG image that really is what its entry says, and
// nothing read from a file that is short or lies about its offsets.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/icon.h"
#include "platform/win32/window.h"
#include "support/scoped_directory.h"

namespace {
struct Entry {
    int width, height;                // as the directory states them
    std::vector<unsigned char> data;  // the image's bytes
};

std::vector<unsigned char> Png(int size, unsigned char red) {
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4, 255);
    for (size_t i = 0; i < pixels.size(); i += 4) pixels[i] = red;
    std::vector<unsigned char> bytes;
    stbi_write_png_to_func(
        [](void* context, void* data, int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(context);
            out->insert(out->end(), static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + length);
        },
        &bytes, size, size, 4, pixels.data(), size * 4);
    return bytes;
}

void Put(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

std::vector<unsigned char> Ico(const std::vector<Entry>& entries, unsigned type = 1) {
    std::vector<unsigned char> out;
    Put(out, 0, 2);
    Put(out, type, 2);
    Put(out, static_cast<std::uint32_t>(entries.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        out.push_back(static_cast<unsigned char>(e.width & 0xFF));
        out.push_back(static_cast<unsigned char>(e.height & 0xFF));
        Put(out, 0, 2);
        Put(out, 1, 2);
        Put(out, 32, 2);
        Put(out, static_cast<std::uint32_t>(e.data.size()), 4);
        Put(out, offset, 4);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

bool Decode(const std::vector<unsigned char>& bytes, win32::IconImage* image) {
    return win32::DecodeIconFile(bytes.data(), bytes.size(), image);
}
}  // namespace

TEST(IconFile, TheLargestImageThatMatchesItsEntryIsTaken) {
    // A bitmap image (not PNG) is skipped; so is a PNG smaller than stated.
    const std::vector<unsigned char> bitmap(40 + 64 * 64 * 4, 0x28);
    const std::vector<unsigned char> bytes =
        Ico({{16, 16, Png(16, 10)}, {64, 64, bitmap}, {32, 32, Png(32, 20)}, {48, 48, Png(24, 30)}});
    win32::IconImage image;
    ASSERT_TRUE(Decode(bytes, &image));
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
    ASSERT_EQ(image.rgba.size(), 32u * 32u * 4u);
    EXPECT_EQ(image.rgba[0], 20);
    EXPECT_EQ(image.rgba[3], 255);

    // 256 pixels are written as 0 in the directory.
    ASSERT_TRUE(Decode(Ico({{0, 0, Png(256, 40)}, {16, 16, Png(16, 10)}}), &image));
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.rgba[0], 40);
}

TEST(IconFile, ShortDamagedOrLyingFilesGiveNothing) {
    const std::vector<unsigned char> good = Ico({{16, 16, Png(16, 10)}});
    win32::IconImage image;
    image.width = 7;
    for (size_t cut : {size_t{0}, size_t{5}, size_t{6}, size_t{21}, good.size() - 1}) {
        const std::vector<unsigned char> shortened(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(Decode(shortened, &image)) << cut;
    }
    EXPECT_FALSE(Decode(Ico({{16, 16, Png(16, 10)}}, 2), &image));  // a cursor file
    EXPECT_FALSE(Decode(Ico({}), &image));

    auto patched = [&](size_t at, std::uint32_t value) {
        std::vector<unsigned char> bytes = good;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
        return bytes;
    };
    EXPECT_FALSE(Decode(patched(6 + 8, 0xFFFFFFF0u), &image));   // length beyond the file
    EXPECT_FALSE(Decode(patched(6 + 12, 0xFFFFFFF0u), &image));  // offset beyond the file
    EXPECT_FALSE(Decode(patched(6 + 12, 2), &image));            // offset inside the directory
    std::vector<unsigned char> manyEntries = good;
    manyEntries[4] = 0xFF;  // more entries than the file holds
    EXPECT_FALSE(Decode(manyEntries, &image));
    std::vector<unsigned char> brokenPng = good;
    brokenPng[6 + 16 + 1] = 'X';  // not a PNG signature
    EXPECT_FALSE(Decode(brokenPng, &image));
    EXPECT_EQ(image.width, 7);  // untouched by every failure
}

TEST(IconFile, LoadIconReadsTheShippedIconAndFallsBackToTheSystemsIcon) {
    ScopedDirectory data(ScopedDirectory::Into{}, VORTWING_DATA_DIR);
    const HICON shipped = LoadIconA(nullptr, "icon1.ico");
    ASSERT_NE(shipped, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "ICON1.ICO"), shipped);
    const win32::IconImage* image = win32::IconPixels(shipped);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->height, 256);
    // The head fills the middle; the corners are clear.
    EXPECT_EQ(image->rgba[(128 * 256 + 128) * 4 + 3], 255);
    EXPECT_EQ(image->rgba[3], 0);

    const HICON system = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(win32::IconPixels(system), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "missing.ico"), system);
    EXPECT_EQ(LoadIconA(reinterpret_cast<HINSTANCE>(1), "icon1.ico"), nullptr);
}
