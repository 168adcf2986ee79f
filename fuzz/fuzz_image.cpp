// Image files as textures are read from them: the header check, then the
// decoder, at the largest size a texture may have.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/image/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    image::Header header;
    std::vector<std::uint8_t> rgba;
    std::string reason;
    if (image::Decode(data, size, image::kMaxDimension, &header, &rgba, &reason)) {
        if (header.width <= 0 || header.height <= 0 || header.width > image::kMaxDimension ||
            header.height > image::kMaxDimension ||
            rgba.size() != static_cast<std::size_t>(header.width) * header.height * 4)
            std::abort();
    } else if (reason.empty()) {
        std::abort();  // every refusal says why
    }
    return 0;
}
