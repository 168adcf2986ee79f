// Ogg Vorbis files as music is loaded: decoded whole into a WAVE image that
// becomes a playable segment (on the null audio driver).
#include <cstdint>

#include "lib/DirectAudio.h"
#include "support/fuzz_support.h"

namespace {
fuzzsupport::MemoryFile* g_file = nullptr;
constexpr int kSlot = 0;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrepareEnvironment();
    g_file = new fuzzsupport::MemoryFile("ogg");
    if (CDirectAudio::GetInstance()->DirectAudioInit(nullptr) != 1) __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    g_file->Write(data, size);
    CDirectAudio* audio = CDirectAudio::GetInstance();
    audio->LoadFile2Segment(g_file->Path(), kSlot, CDirectAudio::FILE_KIND_OGG_VORBIS);
    // A loaded segment must also play and stop.
    audio->PlaySegment(kSlot, 1, 0, 0);
    audio->StopSegment(kSlot);
    audio->ReleaseSegment(kSlot);
    return 0;
}
