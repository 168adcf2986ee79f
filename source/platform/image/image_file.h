// Image files as the texture loader reads them: PNG, JPEG and BMP. A file is
// checked against what its header claims before anything is decoded, so a
// damaged or hostile header cannot make the decoder spend gigabytes and
// seconds on a picture the file does not hold:
// - neither side may exceed the largest texture allowed (8192, or less where
//   the GL driver says so);
// - an uncompressed BMP must hold every row it announces;
// - a compressed format cannot expand past what its coding allows: PNG's
//   deflate at most 1032 to 1, JPEG at least one bit for every 8 x 8 block of
//   up to 256 pixels (so no more than 2048 pixels a byte).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace image {
constexpr int kMaxDimension = 8192;

enum class FileFormat { Png, Jpeg, Bmp };

struct Header {
    int width = 0;
    int height = 0;
    int channels = 0;  // as stored: 1 grey, 2 grey and alpha, 3 colour, 4 colour and alpha
    FileFormat format = FileFormat::Png;
};

// The header of an image in memory; false with *reason when the bytes are not
// a PNG, JPEG or BMP image, when a side exceeds maxDimension, or when the file
// is too small to hold the picture it claims.
bool ReadHeader(const std::uint8_t* bytes, std::size_t size, int maxDimension, Header* header, std::string* reason);

// ReadHeader, then the picture as 8-bit RGBA, top row first.
bool Decode(const std::uint8_t* bytes, std::size_t size, int maxDimension, Header* header,
            std::vector<std::uint8_t>* rgba, std::string* reason);

// The largest image file the loader reads.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} * 1024 * 1024;
}  // namespace image
