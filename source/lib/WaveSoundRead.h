// Reads PCM (or any other tagged) WAV files through mmio: the format record,
// then the bytes of the "data" chunk.
#pragma once
#include "platform/mmio/mmio.h"

// Opens path, reads its format into a new *format (free with delete[] on a
// BYTE pointer: the record is followed by its extra bytes) and fills riff.
HRESULT WaveOpenFile(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff);
HRESULT ReadMMIO(HMMIO file, MMCKINFO* riff, WAVEFORMATEX** format);
// Finds "data" in riff. A chunk that claims more bytes than the file holds
// is cut to what is there and the call fails (the data ends early).
HRESULT WaveStartDataRead(HMMIO file, MMCKINFO* data, MMCKINFO* riff);
// Copies up to count bytes of the data chunk; fails when the file ends first.
HRESULT WaveReadFile(HMMIO file, UINT count, BYTE* destination, MMCKINFO* data, UINT* bytesRead);
// Frees a format record from ReadMMIO.
void FreeWaveFormat(WAVEFORMATEX* format);
// What the last of the functions above that failed found wrong with its
// file ("no \"data\" chunk", ...), for the line that reports it.
const char* LastWaveReadFailure();

class CWaveSoundRead {
public:
    WAVEFORMATEX* m_pwfx;
    HMMIO m_hmmioIn;
    MMCKINFO m_ckIn;
    MMCKINFO m_ckInRiff;

    CWaveSoundRead();
    ~CWaveSoundRead();
    CWaveSoundRead(const CWaveSoundRead&) = delete;
    CWaveSoundRead& operator=(const CWaveSoundRead&) = delete;

    HRESULT Open(const char* path);
    HRESULT Reset();
    HRESULT Read(UINT count, BYTE* destination, UINT* bytesRead);
    HRESULT Close();
};
