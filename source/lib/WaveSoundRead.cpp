#include "lib/WaveSoundRead.h"

#include <cstring>
#include <new>

namespace {
constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFormat = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');

// The 16 bytes every format chunk starts with.
struct PcmFormatRecord {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
};
static_assert(sizeof(PcmFormatRecord) == 16);

WAVEFORMATEX* AllocateFormat(std::size_t extraBytes) {
    BYTE* block = new (std::nothrow) BYTE[sizeof(WAVEFORMATEX) + extraBytes];
    return reinterpret_cast<WAVEFORMATEX*>(block);
}
}  // namespace

void FreeWaveFormat(WAVEFORMATEX* format) { delete[] reinterpret_cast<BYTE*>(format); }

HRESULT ReadMMIO(HMMIO file, MMCKINFO* riff, WAVEFORMATEX** format) {
    *format = nullptr;
    if (mmioDescend(file, riff, nullptr, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (riff->ckid != FOURCC_RIFF || riff->fccType != kWave) return E_FAIL;
    MMCKINFO chunk{};
    chunk.ckid = kFormat;
    if (mmioDescend(file, &chunk, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return E_FAIL;
    if (chunk.cksize < sizeof(PcmFormatRecord)) return E_FAIL;
    PcmFormatRecord record{};
    if (mmioRead(file, reinterpret_cast<HPSTR>(&record), sizeof record) != sizeof record) return E_FAIL;
    WORD extraBytes = 0;
    if (record.wFormatTag != WAVE_FORMAT_PCM &&
        mmioRead(file, reinterpret_cast<HPSTR>(&extraBytes), sizeof extraBytes) != sizeof extraBytes)
        return E_FAIL;
    WAVEFORMATEX* result = AllocateFormat(extraBytes);
    if (!result) return E_FAIL;
    std::memcpy(result, &record, sizeof record);
    result->cbSize = extraBytes;
    if (extraBytes > 0 &&
        mmioRead(file, reinterpret_cast<HPSTR>(result) + sizeof(WAVEFORMATEX), extraBytes) != extraBytes) {
        FreeWaveFormat(result);
        return E_FAIL;
    }
    if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) {
        FreeWaveFormat(result);
        return E_FAIL;
    }
    *format = result;
    return S_OK;
}

HRESULT WaveOpenFile(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff) {
    *format = nullptr;
    HMMIO opened = mmioOpenA(const_cast<LPSTR>(path), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!opened) return E_FAIL;
    const HRESULT result = ReadMMIO(opened, riff, format);
    if (FAILED(result)) {
        mmioClose(opened, 0);
        return result;
    }
    *file = opened;
    return S_OK;
}

HRESULT WaveStartDataRead(HMMIO file, MMCKINFO* data, MMCKINFO* riff) {
    if (mmioSeek(file, static_cast<LONG>(riff->dwDataOffset + sizeof(FOURCC)), SEEK_SET) == -1) return E_FAIL;
    data->ckid = kData;
    if (mmioDescend(file, data, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return E_FAIL;
    // Never trust the chunk beyond the end of the file.
    const LONG here = mmioSeek(file, 0, SEEK_CUR);
    const LONG end = mmioSeek(file, 0, SEEK_END);
    if (here < 0 || end < 0 || mmioSeek(file, here, SEEK_SET) != here) return E_FAIL;
    const DWORD present = static_cast<DWORD>(end - here);
    if (data->cksize > present) {
        data->cksize = present;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT WaveReadFile(HMMIO file, UINT count, BYTE* destination, MMCKINFO* data, UINT* bytesRead) {
    *bytesRead = 0;
    MMIOINFO info{};
    if (mmioGetInfo(file, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
    const UINT n = count < data->cksize ? count : data->cksize;
    data->cksize -= n;
    for (UINT i = 0; i < n; ++i) {
        if (info.pchNext == info.pchEndRead) {
            if (mmioAdvance(file, &info, MMIO_READ) != MMSYSERR_NOERROR) return E_FAIL;
            if (info.pchNext == info.pchEndRead) return E_FAIL;
        }
        destination[i] = static_cast<BYTE>(*info.pchNext++);
    }
    if (mmioSetInfo(file, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
    *bytesRead = n;
    return S_OK;
}

CWaveSoundRead::CWaveSoundRead() : m_pwfx(nullptr), m_hmmioIn(nullptr), m_ckIn{}, m_ckInRiff{} {}

CWaveSoundRead::~CWaveSoundRead() {
    Close();
    FreeWaveFormat(m_pwfx);
}

HRESULT CWaveSoundRead::Open(const char* path) {
    FreeWaveFormat(m_pwfx);
    m_pwfx = nullptr;
    m_ckIn = MMCKINFO{};
    Close();
    HRESULT result = WaveOpenFile(path, &m_hmmioIn, &m_pwfx, &m_ckInRiff);
    if (FAILED(result)) return result;
    return Reset();
}

HRESULT CWaveSoundRead::Reset() {
    if (!m_hmmioIn) return E_FAIL;
    return WaveStartDataRead(m_hmmioIn, &m_ckIn, &m_ckInRiff);
}

HRESULT CWaveSoundRead::Read(UINT count, BYTE* destination, UINT* bytesRead) {
    if (!m_hmmioIn) {
        *bytesRead = 0;
        return E_FAIL;
    }
    return WaveReadFile(m_hmmioIn, count, destination, &m_ckIn, bytesRead);
}

HRESULT CWaveSoundRead::Close() {
    if (m_hmmioIn) mmioClose(m_hmmioIn, 0);
    m_hmmioIn = nullptr;
    return 0;
}
