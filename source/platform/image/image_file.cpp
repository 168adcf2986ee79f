#include "platform/image/image_file.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace image {
namespace {
// Deflate codes at best 258 bytes in 2 bits.
constexpr std::uint64_t kDeflateMaxRatio = 1032;
// Every 8 x 8 block of a JPEG costs at least one bit, and one of the
// components has blocks of at most 8 x 32 pixels.
constexpr std::uint64_t kJpegMaxPixelsPerByte = 2048;

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// stb's own words for what it did not like.
std::string DecoderSays() {
    const char* text = stbi_failure_reason();
    return text && *text ? text : "no detail";
}

bool Fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

bool IsPng(const std::uint8_t* bytes, std::size_t size) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(bytes, kSignature, 8) == 0;
}
bool IsJpeg(const std::uint8_t* bytes, std::size_t size) {
    return size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}
bool IsBmp(const std::uint8_t* bytes, std::size_t size) { return size >= 2 && bytes[0] == 'B' && bytes[1] == 'M'; }

// The fewest bytes a file of this format can hold the claimed picture in;
// zero when the header does not say enough to tell (the decoder then decides).
std::uint64_t LeastFileBytes(const std::uint8_t* bytes, std::size_t size, const Header& header) {
    const std::uint64_t width = static_cast<std::uint64_t>(header.width);
    const std::uint64_t height = static_cast<std::uint64_t>(header.height);
    switch (header.format) {
    case FileFormat::Bmp: {
        if (size < 30) return 0;
        const std::uint32_t headerBytes = Le32(bytes + 14);
        const bool core = headerBytes == 12;
        const std::uint32_t bitsPerPixel = Le16(bytes + (core ? 24 : 28));
        const std::uint32_t compression = core || size < 34 ? 0 : Le32(bytes + 30);
        // Only uncompressed rows (plain or with bit fields) are readable.
        if (compression != 0 && compression != 3) return 0;
        const std::uint64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
        const std::uint64_t lastRowBytes = (width * bitsPerPixel + 7) / 8;
        const std::uint64_t pixelStart = std::max<std::uint64_t>(Le32(bytes + 10), 14ull + headerBytes);
        return pixelStart + rowBytes * (height - 1) + lastRowBytes;
    }
    case FileFormat::Png: {
        if (size < 26) return 0;
        const std::uint32_t depth = bytes[24];
        const std::uint32_t colourType = bytes[25];
        const std::uint32_t samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
        // Every row starts with its filter byte.
        const std::uint64_t raw = height * (1 + (width * samples * depth + 7) / 8);
        return (raw + kDeflateMaxRatio - 1) / kDeflateMaxRatio;
    }
    case FileFormat::Jpeg: return (width * height + kJpegMaxPixelsPerByte - 1) / kJpegMaxPixelsPerByte;
    }
    return 0;
}

// The decoder builds each Huffman table of a DHT segment into room for 256
// codes without checking the counts the file gives (up to 16 x 255): every
// table of every DHT segment is checked here first, walking the markers as
// the decoder does. Before the frame header it skips stray bytes between
// segments, after it such a byte ends the image; entropy-coded data ends at
// the first marker that is not a restart.
bool HuffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
    // Bytes past the end read as zero, as the decoder reads them.
    auto at = [&](std::size_t i) -> std::uint32_t { return i < size ? bytes[i] : 0; };
    bool frameSeen = false;
    std::size_t position = 2;
    while (position < size) {
        if (bytes[position] != 0xFF) {
            if (frameSeen) return true;
            ++position;
            continue;
        }
        while (position < size && bytes[position] == 0xFF) ++position;
        if (position >= size) return true;
        const std::uint32_t marker = bytes[position++];
        if (marker == 0xD9) return true;  // end of image
        if ((marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) continue;
        if (marker >= 0xC0 && marker <= 0xC2) frameSeen = true;
        const std::size_t length = at(position) << 8 | at(position + 1);
        if (marker == 0xC4) {
            long left = static_cast<long>(length) - 2;
            std::size_t table = position + 2;
            while (left > 0) {
                std::uint32_t codes = 0;
                for (int i = 0; i < 16; ++i) codes += at(table + 1 + i);
                if (codes > 256) return false;
                table += 17 + codes;
                left -= 17 + static_cast<long>(codes);
            }
        }
        position += length;
        if (marker == 0xDA) {
            while (position + 1 < size &&
                   !(bytes[position] == 0xFF && bytes[position + 1] != 0x00 && bytes[position + 1] != 0xFF &&
                     !(bytes[position + 1] >= 0xD0 && bytes[position + 1] <= 0xD7)))
                ++position;
        }
    }
    return true;
}

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// The decoder copies each IDAT chunk into a buffer it only allocates for a
// chunk with data, so an empty IDAT before the first full one copies into
// nothing. Empty chunks add nothing to the image data: the file is decoded
// without them. Returns an empty vector when there is none to drop.
std::vector<std::uint8_t> WithoutEmptyPngData(const std::uint8_t* bytes, std::size_t size) {
    constexpr std::size_t kSignatureBytes = 8, kChunkOverhead = 12;
    std::vector<std::size_t> empty;
    std::size_t position = kSignatureBytes;
    while (position + kChunkOverhead <= size) {
        const std::uint64_t length = Be32(bytes + position);
        const bool idat = std::memcmp(bytes + position + 4, "IDAT", 4) == 0;
        if (idat && length == 0) empty.push_back(position);
        if (std::memcmp(bytes + position + 4, "IEND", 4) == 0) break;
        if (length > size - position - kChunkOverhead) break;  // the decoder reports the cut
        position += kChunkOverhead + static_cast<std::size_t>(length);
    }
    std::vector<std::uint8_t> copy;
    if (empty.empty()) return copy;
    copy.reserve(size - empty.size() * kChunkOverhead);
    std::size_t from = 0;
    for (std::size_t chunk : empty) {
        copy.insert(copy.end(), bytes + from, bytes + chunk);
        from = chunk + kChunkOverhead;
    }
    copy.insert(copy.end(), bytes + from, bytes + size);
    return copy;
}

const char* FormatName(FileFormat format) {
    switch (format) {
    case FileFormat::Png: return "PNG";
    case FileFormat::Jpeg: return "JPEG";
    case FileFormat::Bmp: return "BMP";
    }
    return "image";
}
}  // namespace

bool ReadHeader(const std::uint8_t* bytes, std::size_t size, int maxDimension, Header* header, std::string* reason) {
    *header = Header{};
    if (!bytes || size == 0) return Fail(reason, "the file is empty");
    if (size > kMaxFileBytes) return Fail(reason, "larger than the largest image file read");
    if (IsPng(bytes, size)) {
        header->format = FileFormat::Png;
    } else if (IsJpeg(bytes, size)) {
        header->format = FileFormat::Jpeg;
    } else if (IsBmp(bytes, size)) {
        header->format = FileFormat::Bmp;
    } else {
        return Fail(reason, "not a PNG, JPEG or BMP image");
    }
    const char* name = FormatName(header->format);
    // Even reading the header builds the tables that come before the frame.
    if (header->format == FileFormat::Jpeg && !HuffmanTablesFit(bytes, size))
        return Fail(reason, "damaged JPEG (a Huffman table holds more than 256 codes)");
    if (!stbi_info_from_memory(bytes, static_cast<int>(size), &header->width, &header->height, &header->channels))
        return Fail(reason, std::string("damaged ") + name + " header (" + DecoderSays() + ")");
    // A BMP stored top row first gives a negative height, which the decoder
    // turns around.
    if (header->format == FileFormat::Bmp && header->height < 0 && header->height > INT_MIN)
        header->height = -header->height;
    if (header->width <= 0 || header->height <= 0) return Fail(reason, std::string(name) + " header claims no pixels");
    if (header->width > maxDimension || header->height > maxDimension) {
        return Fail(reason, std::string(name) + " header claims " + std::to_string(header->width) + " x " +
                                std::to_string(header->height) + " pixels, more than the " +
                                std::to_string(maxDimension) + " a side that a texture may have");
    }
    const std::uint64_t least = LeastFileBytes(bytes, size, *header);
    if (least > size) {
        return Fail(reason, std::string(name) + " header claims " + std::to_string(header->width) + " x " +
                                std::to_string(header->height) + " pixels, which need at least " +
                                std::to_string(least) + " bytes, but the file has " + std::to_string(size));
    }
    return true;
}

bool Decode(const std::uint8_t* bytes, std::size_t size, int maxDimension, Header* header,
            std::vector<std::uint8_t>* rgba, std::string* reason) {
    rgba->clear();
    if (!ReadHeader(bytes, size, maxDimension, header, reason)) return false;
    std::vector<std::uint8_t> cleaned;
    if (header->format == FileFormat::Png) cleaned = WithoutEmptyPngData(bytes, size);
    if (!cleaned.empty()) {
        bytes = cleaned.data();
        size = cleaned.size();
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (!pixels) return Fail(reason, std::string("damaged ") + FormatName(header->format) + " (" + DecoderSays() + ")");
    if (width != header->width || height != header->height) {
        stbi_image_free(pixels);
        return Fail(reason, "the picture's size differs from its header's");
    }
    rgba->assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    stbi_image_free(pixels);
    return true;
}
}  // namespace image
