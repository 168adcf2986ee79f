// Image files checked against their headers before they are decoded.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/image/image_file.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

void Append(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
}

enum class Kind { Png, Jpeg, Bmp };

// A picture with a gradient, or one flat colour (which compresses best).
Bytes Encode(Kind kind, int width, int height, bool flat = false) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = flat ? 0x80 : static_cast<std::uint8_t>(i * 7 / 3);
    Bytes out;
    switch (kind) {
    case Kind::Png: stbi_write_png_to_func(Append, &out, width, height, 3, rgb.data(), width * 3); break;
    case Kind::Jpeg: stbi_write_jpg_to_func(Append, &out, width, height, 3, rgb.data(), 90); break;
    case Kind::Bmp: stbi_write_bmp_to_func(Append, &out, width, height, 3, rgb.data()); break;
    }
    return out;
}

Bytes Head(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + count); }

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutBe(Bytes& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
}

// The header of a 24-bit BMP of the given size, without any pixels.
Bytes BmpHeaderOnly(std::int32_t width, std::int32_t height) {
    Bytes bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe32(bytes, 2, 54 + static_cast<std::uint32_t>(width) * 3 * static_cast<std::uint32_t>(height));
    PutLe32(bytes, 10, 54);
    PutLe32(bytes, 14, 40);
    PutLe32(bytes, 18, static_cast<std::uint32_t>(width));
    PutLe32(bytes, 22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

// The JPEG with its frame header claiming another size.
Bytes WithJpegSize(Bytes jpeg, std::uint32_t width, std::uint32_t height) {
    std::size_t at = 2;
    while (at + 9 < jpeg.size()) {
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            PutBe(jpeg, at + 5, height, 2);
            PutBe(jpeg, at + 7, width, 2);
            return jpeg;
        }
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// The PNG with its IHDR claiming another size (the decoder does not check
// chunk sums).
Bytes WithPngSize(Bytes png, std::uint32_t width, std::uint32_t height) {
    PutBe(png, 16, width, 4);
    PutBe(png, 20, height, 4);
    return png;
}

struct Outcome {
    bool accepted;
    image::Header header;
    std::string reason;
};
Outcome Check(const Bytes& bytes, int largestSide = image::kMaxDimension) {
    Outcome outcome{};
    outcome.accepted = image::ReadHeader(bytes.data(), bytes.size(), largestSide, &outcome.header, &outcome.reason);
    return outcome;
}
}  // namespace

TEST(ImageFile, SoundFilesOfEachFormatDecodeAtTheirOwnSize) {
    for (Kind kind : {Kind::Png, Kind::Jpeg, Kind::Bmp}) {
        const Bytes file = Encode(kind, 37, 21);
        image::Header header;
        std::vector<std::uint8_t> rgba;
        std::string reason;
        ASSERT_TRUE(image::Decode(file.data(), file.size(), image::kMaxDimension, &header, &rgba, &reason)) << reason;
        EXPECT_EQ(header.width, 37);
        EXPECT_EQ(header.height, 21);
        EXPECT_EQ(header.channels, 3);
        EXPECT_EQ(rgba.size(), 37u * 21 * 4);
    }
    EXPECT_EQ(Check(Encode(Kind::Png, 2, 2)).header.format, image::FileFormat::Png);
    EXPECT_EQ(Check(Encode(Kind::Jpeg, 2, 2)).header.format, image::FileFormat::Jpeg);
    EXPECT_EQ(Check(Encode(Kind::Bmp, 2, 2)).header.format, image::FileFormat::Bmp);
}

TEST(ImageFile, ASideAboveTheLargestTextureIsRefusedFromTheHeaderAlone) {
    const Outcome bmp = Check(BmpHeaderOnly(16384, 16384));
    EXPECT_FALSE(bmp.accepted);
    EXPECT_NE(bmp.reason.find("16384 x 16384"), std::string::npos) << bmp.reason;
    EXPECT_NE(bmp.reason.find("8192"), std::string::npos) << bmp.reason;

    const Outcome jpeg = Check(WithJpegSize(Encode(Kind::Jpeg, 64, 64), 65535, 8191));
    EXPECT_FALSE(jpeg.accepted);
    EXPECT_NE(jpeg.reason.find("65535 x 8191"), std::string::npos) << jpeg.reason;

    // The driver's own limit counts when it is the smaller one.
    const Bytes png = Encode(Kind::Png, 300, 20);
    EXPECT_TRUE(Check(png).accepted);
    EXPECT_FALSE(Check(png, 256).accepted);
    EXPECT_TRUE(Check(png, 300).accepted);
}

TEST(ImageFile, AnUncompressedBmpMustHoldEveryRow) {
    // 4000 x 4000 is allowed as a size, but 54 bytes do not hold it.
    const Outcome empty = Check(BmpHeaderOnly(4000, 4000));
    EXPECT_FALSE(empty.accepted);
    EXPECT_NE(empty.reason.find("at least"), std::string::npos) << empty.reason;

    // Rows are padded to 4 bytes; only the very last row's padding may be
    // missing.
    const Bytes whole = Encode(Kind::Bmp, 5, 3);
    ASSERT_EQ(whole.size(), 54u + 3 * 16);
    EXPECT_TRUE(Check(whole).accepted);
    EXPECT_TRUE(Check(Head(whole, whole.size() - 1)).accepted);
    EXPECT_FALSE(Check(Head(whole, whole.size() - 2)).accepted);
    EXPECT_FALSE(Check(Head(whole, whole.size() - 16)).accepted);
    // A top-down file (negative height) is measured the same way.
    Bytes topDown = whole;
    PutLe32(topDown, 22, static_cast<std::uint32_t>(-3));
    EXPECT_TRUE(Check(topDown).accepted);
    EXPECT_FALSE(Check(Head(topDown, topDown.size() - 16)).accepted);
}

TEST(ImageFile, CompressedFilesCannotClaimMoreThanTheirCodingExpandsTo) {
    // The flattest pictures compress best and still pass.
    EXPECT_TRUE(Check(Encode(Kind::Png, 2048, 2048, true)).accepted);
    EXPECT_TRUE(Check(Encode(Kind::Jpeg, 1024, 1024, true)).accepted);

    const Outcome png = Check(WithPngSize(Encode(Kind::Png, 16, 16), 8000, 8000));
    EXPECT_FALSE(png.accepted);
    EXPECT_NE(png.reason.find("8000 x 8000"), std::string::npos) << png.reason;
    const Outcome jpeg = Check(WithJpegSize(Encode(Kind::Jpeg, 16, 16), 8000, 8000));
    EXPECT_FALSE(jpeg.accepted);
    EXPECT_NE(jpeg.reason.find("at least"), std::string::npos) << jpeg.reason;
}

// The decoder would write codes past its 256-entry tables: such a table must
// not reach it, not even for the header.
TEST(ImageFile, JpegHuffmanTablesOfMoreThan256CodesAreRefused) {
    Bytes jpeg = Encode(Kind::Jpeg, 16, 16);
    std::size_t table = 0;
    for (std::size_t at = 2; at + 4 < jpeg.size() && !table; at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]))
        if (jpeg[at + 1] == 0xC4) table = at + 5;
    ASSERT_NE(table, 0u);
    for (int i = 0; i < 16; ++i) jpeg[table + i] = 17;  // 272 codes
    const Outcome outcome = Check(jpeg);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_NE(outcome.reason.find("Huffman table"), std::string::npos) << outcome.reason;
    // Before the frame header the decoder skips stray bytes between segments:
    // the walk to the table must too.
    std::size_t frame = 0;
    for (std::size_t at = 2; at + 4 < jpeg.size() && !frame; at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]))
        if (jpeg[at + 1] == 0xC0) frame = at;
    ASSERT_NE(frame, 0u);
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(frame), {0x01, 0x02, 0x03});
    EXPECT_NE(Check(jpeg).reason.find("Huffman table"), std::string::npos);
}

TEST(ImageFile, OtherFilesAreRefusedWithAReason) {
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}},
        {"cut PNG signature", Head(Encode(Kind::Png, 4, 4), 6)},
        {"PNG without IHDR", Head(Encode(Kind::Png, 4, 4), 12)},
        {"zero width BMP", BmpHeaderOnly(0, 4)},
    };
    for (const auto& [name, bytes] : files) {
        const Outcome outcome = Check(bytes);
        EXPECT_FALSE(outcome.accepted) << name;
        EXPECT_FALSE(outcome.reason.empty()) << name;
    }
    // A header that passes but pixels that do not decode fail in Decode.
    Bytes png = Encode(Kind::Png, 64, 64);
    for (std::size_t i = png.size() / 2; i < png.size() - 12; ++i) png[i] = 0xA5;
    image::Header header;
    std::vector<std::uint8_t> rgba;
    std::string reason;
    EXPECT_FALSE(image::Decode(png.data(), png.size(), image::kMaxDimension, &header, &rgba, &reason));
    EXPECT_NE(reason.find("damaged PNG"), std::string::npos) << reason;
    EXPECT_TRUE(rgba.empty());
}

TEST(ImageFile, EmptyPngDataChunksAddNothing) {
    const Bytes png = Encode(Kind::Png, 24, 16);
    // stb writes the signature, a 13-byte IHDR and then one IDAT.
    const std::size_t firstData = 8 + 12 + 13;
    ASSERT_EQ(std::string(png.begin() + firstData + 4, png.begin() + firstData + 8), "IDAT");
    const Bytes emptyData = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0xAE, 0x42, 0x60, 0x82};
    Bytes padded(png.begin(), png.begin() + firstData);
    padded.insert(padded.end(), emptyData.begin(), emptyData.end());
    padded.insert(padded.end(), emptyData.begin(), emptyData.end());
    padded.insert(padded.end(), png.begin() + firstData, png.end());

    image::Header header;
    std::vector<std::uint8_t> plain, withEmpty;
    std::string reason;
    ASSERT_TRUE(image::Decode(png.data(), png.size(), image::kMaxDimension, &header, &plain, &reason)) << reason;
    ASSERT_TRUE(image::Decode(padded.data(), padded.size(), image::kMaxDimension, &header, &withEmpty, &reason))
        << reason;
    EXPECT_EQ(withEmpty, plain);
    // A file of nothing but empty data chunks has no picture.
    Bytes onlyEmpty(png.begin(), png.begin() + firstData);
    onlyEmpty.insert(onlyEmpty.end(), emptyData.begin(), emptyData.end());
    onlyEmpty.insert(onlyEmpty.end(), png.end() - 12, png.end());  // IEND
    EXPECT_FALSE(image::Decode(onlyEmpty.data(), onlyEmpty.size(), image::kMaxDimension, &header, &plain, &reason));
    EXPECT_FALSE(reason.empty());
}
