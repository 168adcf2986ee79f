// WAV files as sound effects are loaded: the mmio reader, the format and
// data chunks, and the sound buffer filled from them.
#include <cstdint>
#include <vector>

#include "lib/DirectSound.h"
#include "lib/WaveSoundRead.h"
#include "support/fuzz_support.h"

namespace {
fuzzsupport::MemoryFile* g_file = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrepareEnvironment();
    g_file = new fuzzsupport::MemoryFile("wav");
    CDirectSound::GetInstance()->DirectSoundInit(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    g_file->Write(data, size);
    // As the game loads a sound: one buffer holding the whole data chunk.
    LPDIRECTSOUNDBUFFER8 buffer = nullptr;
    CDirectSound::GetInstance()->LoadWAVE(&buffer, g_file->Path());
    if (buffer) buffer->Release();

    // The reader on its own, in small reads that cross its buffer's edges.
    CWaveSoundRead reader;
    if (SUCCEEDED(reader.Open(g_file->Path()))) {
        std::vector<BYTE> piece(777);
        UINT read = 0;
        while (SUCCEEDED(reader.Read(static_cast<UINT>(piece.size()), piece.data(), &read)) && read > 0) {}
    }
    return 0;
}
