#include "lib/DirectAudio.h"

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>
#include <new>

#include "platform/mmio/mmio.h"
#include "platform/win32/text.h"

CDirectAudio* CDirectAudio::lpDirectAudio = nullptr;

namespace {
void PutWord(BYTE* at, DWORD value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}
void PutShort(BYTE* at, WORD value) {
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

void WriteWaveHeader(BYTE* image, int channels, long rate, int bytesPerSample, DWORD dataBytes) {
    std::memcpy(image, "RIFF", 4);
    PutWord(image + 4, CDirectAudio::WAVE_HEADER_BYTES + dataBytes - 8);
    std::memcpy(image + 8, "WAVE", 4);
    std::memcpy(image + 12, "fmt ", 4);
    PutWord(image + 16, 18);
    PutShort(image + 20, WAVE_FORMAT_PCM);
    PutShort(image + 22, static_cast<WORD>(channels));
    PutWord(image + 24, static_cast<DWORD>(rate));
    PutWord(image + 28, static_cast<DWORD>(rate * channels * bytesPerSample));
    PutShort(image + 32, static_cast<WORD>(channels * bytesPerSample));
    PutShort(image + 34, static_cast<WORD>(8 * bytesPerSample));
    PutShort(image + 36, 18);
    std::memcpy(image + 38, "data", 4);
    PutWord(image + 42, dataBytes);
}

template <class T>
void SafeRelease(T*& object) {
    if (object) object->Release();
    object = nullptr;
}
}  // namespace

CDirectAudio::CDirectAudio()
    : m_lpPerformance(nullptr),
      m_lpLoader(nullptr),
      m_lpDefaultAudioPath(nullptr),
      m_lpAudioPath{},
      m_lpSegment{},
      m_lpMemoryImage{} {}

CDirectAudio::~CDirectAudio() { DirectAudioUnInit(); }

CDirectAudio* CDirectAudio::GetInstance() {
    if (!lpDirectAudio) lpDirectAudio = new CDirectAudio;
    return lpDirectAudio;
}

void CDirectAudio::DeleteInstance() {
    delete lpDirectAudio;
    lpDirectAudio = nullptr;
}

int CDirectAudio::DirectAudioInit(HWND window) {
    if (FAILED(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDirectMusicPerformance8, reinterpret_cast<void**>(&m_lpPerformance))))
        return 0;
    if (FAILED(m_lpPerformance->InitAudio(nullptr, nullptr, window, DMUS_APATH_DYNAMIC_STEREO, 64, DMUS_AUDIOF_ALL,
                                          nullptr)))
        return 0;
    if (FAILED(m_lpPerformance->GetDefaultAudioPath(&m_lpDefaultAudioPath))) return 0;
    for (IDirectMusicAudioPath*& path : m_lpAudioPath)
        if (FAILED(m_lpPerformance->CreateStandardAudioPath(DMUS_APATH_DYNAMIC_STEREO, 64, TRUE, &path))) return 0;
    if (FAILED(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectMusicLoader8,
                                reinterpret_cast<void**>(&m_lpLoader))))
        return 0;
    char directory[256];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) return 0;
    WCHAR wideDirectory[256];
    if (MultiByteToWideChar(CP_ACP, 0, directory, -1, wideDirectory, 256) == 0) return 0;
    if (FAILED(m_lpLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, wideDirectory, FALSE))) return 0;
    return 1;
}

int CDirectAudio::LoadFile2Segment(const char* path, int slot, int kind) {
    if (!ValidSlot(slot)) return 0;
    ReleaseSegment(slot);
    if (kind == FILE_KIND_OGG_VORBIS) {
        LoadOggVorbisToSegment(path, 2, &m_lpMemoryImage[slot], slot);
        return 1;
    }
    return 0;
}

int CDirectAudio::LoadOggVorbisToSegment(const char* path, int bytesPerSample, BYTE** image, int slot) {
    if (bytesPerSample != 1 && bytesPerSample != 2) return 0;
    if (!ValidSlot(slot) || !image || !path) return 0;
    // Without a loader and a performance nothing could be played: skip the decode.
    if (!m_lpLoader || !m_lpPerformance) return 0;
    std::FILE* file = mmio::OpenForReading(path);
    if (!file) return 0;
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) < 0) {
        std::fclose(file);
        return 0;
    }
    const vorbis_info* info = ov_info(&vorbis, -1);
    const double seconds = ov_time_total(&vorbis, -1);
    if (!info || info->channels < 1 || info->rate < 1 || seconds < 0) {
        ov_clear(&vorbis);
        return 0;
    }
    const double estimate = std::ceil(info->channels * static_cast<double>(info->rate) * seconds * bytesPerSample);
    // A WAVE image holds at most 4 GB; a larger claim is not a music track.
    if (estimate > 0xFFFFFFFFu - WAVE_HEADER_BYTES) {
        ov_clear(&vorbis);
        return 0;
    }
    const std::size_t room = static_cast<std::size_t>(estimate);
    *image = new (std::nothrow) BYTE[room + WAVE_HEADER_BYTES];
    if (!*image) {
        ov_clear(&vorbis);
        return 0;
    }
    const std::size_t frame = static_cast<std::size_t>(info->channels) * bytesPerSample;
    std::size_t decoded = 0;
    for (;;) {
        const std::size_t left = room - decoded;
        if (left < frame) break;
        const int want = left > 0x40000000u ? 0x40000000 : static_cast<int>(left);
        int section = 0;
        const long got = ov_read(&vorbis, reinterpret_cast<char*>(*image + WAVE_HEADER_BYTES + decoded), want, 0,
                                 bytesPerSample, 1, &section);
        if (got == 0) break;
        if (got < 0) {
            delete[] * image;
            *image = nullptr;
            ov_clear(&vorbis);
            return 0;
        }
        decoded += static_cast<std::size_t>(got);
    }
    // 8-bit WAVE samples are unsigned.
    if (bytesPerSample == 1)
        for (std::size_t i = 0; i < decoded; ++i) (*image)[WAVE_HEADER_BYTES + i] ^= 0x80;
    WriteWaveHeader(*image, info->channels, info->rate, bytesPerSample, static_cast<DWORD>(decoded));
    ov_clear(&vorbis);

    DMUS_OBJECTDESC description{};
    description.dwSize = sizeof description;
    description.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
    description.guidClass = CLSID_DirectMusicSegment;
    description.pbMemData = *image;
    description.llMemLength = static_cast<LONGLONG>(WAVE_HEADER_BYTES + decoded);
    if (FAILED(m_lpLoader->GetObject(&description, IID_IDirectMusicSegment8,
                                     reinterpret_cast<void**>(&m_lpSegment[slot]))))
        return 0;
    if (FAILED(m_lpSegment[slot]->Download(m_lpPerformance))) return 0;
    return 1;
}

void CDirectAudio::PlaySegment(int slot, int kindOfPlay, int repeat, int audioPath) {
    if (!ValidSlot(slot) || !m_lpSegment[slot] || !m_lpPerformance) return;
    m_lpSegment[slot]->SetRepeats(repeat <= 0 ? DMUS_SEG_REPEAT_INFINITE : static_cast<DWORD>(repeat - 1));
    const DWORD flags = kindOfPlay == 1 ? DMUS_SEGF_SECONDARY : 0;
    IDirectMusicAudioPath* path =
        audioPath >= 0 && audioPath < AUDIO_PATHS ? m_lpAudioPath[audioPath] : m_lpDefaultAudioPath;
    m_lpPerformance->PlaySegmentEx(m_lpSegment[slot], nullptr, nullptr, flags, 0, nullptr, nullptr, path);
}

void CDirectAudio::StopSegment(int slot) {
    if (!ValidSlot(slot) || !m_lpSegment[slot] || !m_lpPerformance) return;
    m_lpPerformance->StopEx(m_lpSegment[slot], 0, 0);
}

void CDirectAudio::StopAllSegment() {
    if (m_lpPerformance) m_lpPerformance->Stop(nullptr, nullptr, 0, 0);
}

void CDirectAudio::ReleaseSegment(int slot) {
    if (!ValidSlot(slot)) return;
    SafeRelease(m_lpSegment[slot]);
    delete[] m_lpMemoryImage[slot];
    m_lpMemoryImage[slot] = nullptr;
}

void CDirectAudio::ReleaseAllSegment() {
    for (int slot = 0; slot < SEGMENT_SLOTS; ++slot) ReleaseSegment(slot);
}

void CDirectAudio::DirectAudioUnInit() {
    if (m_lpPerformance) {
        m_lpPerformance->Stop(nullptr, nullptr, 0, 0);
        m_lpPerformance->CloseDown();
        SafeRelease(m_lpPerformance);
    }
    ReleaseAllSegment();
    SafeRelease(m_lpDefaultAudioPath);
    for (IDirectMusicAudioPath*& path : m_lpAudioPath) SafeRelease(path);
    SafeRelease(m_lpLoader);
}

IDirectMusicSegment8* CDirectAudio::Segment(int slot) const { return ValidSlot(slot) ? m_lpSegment[slot] : nullptr; }
const BYTE* CDirectAudio::Image(int slot) const { return ValidSlot(slot) ? m_lpMemoryImage[slot] : nullptr; }
