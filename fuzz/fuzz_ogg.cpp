// Ogg Vorbis files as music is loaded: decoded whole into a WAVE image that
// becomes a playable segment (on the null audio driver).
#include <ogg/ogg.h>

#include <cstdint>
#include <vector>

#include "lib/DirectAudio.h"
#include "support/fuzz_support.h"

namespace {
fuzzsupport::MemoryFile* g_file = nullptr;
constexpr int kSlot = 0;

// Almost every mutation breaks a page's check sum, and a page that fails it
// never reaches the decoder. For half of the inputs (by their last byte) the
// sums are made right again, so that mutations reach the Vorbis packets; the
// other half keeps the damaged pages the game must skip.
void MendPageChecksums(std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    while (at + 27 <= bytes.size()) {
        if (bytes[at] != 'O' || bytes[at + 1] != 'g' || bytes[at + 2] != 'g' || bytes[at + 3] != 'S') {
            ++at;
            continue;
        }
        const std::size_t segments = bytes[at + 26];
        const std::size_t headerBytes = 27 + segments;
        if (at + headerBytes > bytes.size()) break;
        std::size_t bodyBytes = 0;
        for (std::size_t i = 0; i < segments; ++i) bodyBytes += bytes[at + 27 + i];
        if (at + headerBytes + bodyBytes > bytes.size()) break;
        ogg_page page{};
        page.header = bytes.data() + at;
        page.header_len = static_cast<long>(headerBytes);
        page.body = bytes.data() + at + headerBytes;
        page.body_len = static_cast<long>(bodyBytes);
        ogg_page_checksum_set(&page);
        at += headerBytes + bodyBytes;
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrepareEnvironment();
    g_file = new fuzzsupport::MemoryFile("ogg");
    if (CDirectAudio::GetInstance()->DirectAudioInit(nullptr) != 1) __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size > 0 && data[size - 1] % 2 == 0) MendPageChecksums(bytes);
    g_file->Write(bytes.data(), bytes.size());
    CDirectAudio* audio = CDirectAudio::GetInstance();
    audio->LoadFile2Segment(g_file->Path(), kSlot, CDirectAudio::FILE_KIND_OGG_VORBIS);
    // A loaded segment must also play and stop.
    audio->PlaySegment(kSlot, 1, 0, 0);
    audio->StopSegment(kSlot);
    audio->ReleaseSegment(kSlot);
    return 0;
}
