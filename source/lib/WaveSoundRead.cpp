#include "lib/WaveSoundRead.h"

#include <cstring>
#include <new>
#include <string>

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

std::string g_failure;

HRESULT Fail(std::string why) {
    g_failure = std::move(why);
    return E_FAIL;
}

WAVEFORMATEX* AllocateFormat(std::size_t extraBytes) {
    BYTE* block = new (std::nothrow) BYTE[sizeof(WAVEFORMATEX) + extraBytes];
    return reinterpret_cast<WAVEFORMATEX*>(block);
}
}  // namespace

void FreeWaveFormat(WAVEFORMATEX* format) { delete[] reinterpret_cast<BYTE*>(format); }

const char* LastWaveReadFailure() { return g_failure.c_str(); }

HRESULT ReadMMIO(HMMIO file, MMCKINFO* riff, WAVEFORMATEX** format) {
    *format = nullptr;
    if (mmioDescend(file, riff, nullptr, 0) != MMSYSERR_NOERROR) return Fail("too short for a RIFF header");
    if (riff->ckid != FOURCC_RIFF || riff->fccType != kWave) return Fail("not a RIFF WAVE file");
    MMCKINFO chunk{};
    chunk.ckid = kFormat;
    if (mmioDescend(file, &chunk, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return Fail("no \"fmt \" chunk");
    if (chunk.cksize < sizeof(PcmFormatRecord)) return Fail("the \"fmt \" chunk is shorter than 16 bytes");
    PcmFormatRecord record{};
    if (mmioRead(file, reinterpret_cast<HPSTR>(&record), sizeof record) != sizeof record)
        return Fail("the file ends inside the format record");
    WORD extraBytes = 0;
    if (record.wFormatTag != WAVE_FORMAT_PCM &&
        mmioRead(file, reinterpret_cast<HPSTR>(&extraBytes), sizeof extraBytes) != sizeof extraBytes)
        return Fail("the file ends inside the format record");
    WAVEFORMATEX* result = AllocateFormat(extraBytes);
    if (!result) return Fail("out of memory");
    std::memcpy(result, &record, sizeof record);
    result->cbSize = extraBytes;
    if (extraBytes > 0 &&
        mmioRead(file, reinterpret_cast<HPSTR>(result) + sizeof(WAVEFORMATEX), extraBytes) != extraBytes) {
        FreeWaveFormat(result);
        return Fail("the file ends inside the format's extra bytes");
    }
    if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) {
        FreeWaveFormat(result);
        return Fail("the \"fmt \" chunk runs past the end of the file");
    }
    *format = result;
    return S_OK;
}

HRESULT WaveOpenFile(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff) {
    *format = nullptr;
    HMMIO opened = mmioOpenA(const_cast<LPSTR>(path), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!opened) return Fail(std::string("cannot open: ") + mmio::LastOpenError());
    const HRESULT result = ReadMMIO(opened, riff, format);
    if (FAILED(result)) {
        mmioClose(opened, 0);
        return result;
    }
    *file = opened;
    return S_OK;
}

HRESULT WaveStartDataRead(HMMIO file, MMCKINFO* data, MMCKINFO* riff) {
    if (mmioSeek(file, static_cast<LONG>(riff->dwDataOffset + sizeof(FOURCC)), SEEK_SET) == -1)
        return Fail("the RIFF chunk lies past the end of the file");
    data->ckid = kData;
    if (mmioDescend(file, data, riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return Fail("no \"data\" chunk");
    // Never trust the chunk beyond the end of the file.
    const LONG here = mmioSeek(file, 0, SEEK_CUR);
    const LONG end = mmioSeek(file, 0, SEEK_END);
    if (here < 0 || end < 0 || mmioSeek(file, here, SEEK_SET) != here) return Fail("cannot seek in the file");
    const DWORD present = static_cast<DWORD>(end - here);
    if (data->cksize > present) {
        const DWORD claimed = data->cksize;
        data->cksize = present;
        return Fail("the \"data\" chunk claims " + std::to_string(claimed) + " bytes, but the file holds " +
                    std::to_string(present));
    }
    return S_OK;
}

HRESULT WaveReadFile(HMMIO file, UINT count, BYTE* destination, MMCKINFO* data, UINT* bytesRead) {
    *bytesRead = 0;
    MMIOINFO info{};
    if (mmioGetInfo(file, &info, 0) != MMSYSERR_NOERROR) return Fail("cannot read the file");
    const UINT n = count < data->cksize ? count : data->cksize;
    data->cksize -= n;
    for (UINT i = 0; i < n; ++i) {
        if (info.pchNext == info.pchEndRead) {
            if (mmioAdvance(file, &info, MMIO_READ) != MMSYSERR_NOERROR) return Fail("cannot read the file");
            if (info.pchNext == info.pchEndRead) return Fail("the file ends inside the samples");
        }
        destination[i] = static_cast<BYTE>(*info.pchNext++);
    }
    if (mmioSetInfo(file, &info, 0) != MMSYSERR_NOERROR) return Fail("cannot read the file");
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
    if (!m_hmmioIn) return Fail("no file is open");
    return WaveStartDataRead(m_hmmioIn, &m_ckIn, &m_ckInRiff);
}

HRESULT CWaveSoundRead::Read(UINT count, BYTE* destination, UINT* bytesRead) {
    if (!m_hmmioIn) {
        *bytesRead = 0;
        return Fail("no file is open");
    }
    return WaveReadFile(m_hmmioIn, count, destination, &m_ckIn, bytesRead);
}

HRESULT CWaveSoundRead::Close() {
    if (m_hmmioIn) mmioClose(m_hmmioIn, 0);
    m_hmmioIn = nullptr;
    return 0;
}
