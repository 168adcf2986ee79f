// Effect files as the effect loader parses them (the GLSL inside goes to the
// driver's compiler, which is not ours to fuzz).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/d3dx9/effect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto description = d3dx9::ParseEffect(text, &error);
    if (!description && error.empty()) std::abort();  // every refusal says why
    if (description) {
        if (description->techniques.empty()) std::abort();
        for (const auto& technique : description->techniques)
            for (const auto& pass : technique.passes)
                if (pass.vertexSource.empty() || pass.fragmentSource.empty()) std::abort();
    }
    return 0;
}
