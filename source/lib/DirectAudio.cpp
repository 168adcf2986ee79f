#include "lib/DirectAudio.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "platform/log/load_failure.h"
#include "platform/mmio/mmio.h"
#include "platform/vorbis/vorbisfile.h"
#include "platform/win32/text.h"

using vorbisfile::OggVorbis_File;
using vorbisfile::ov_clear;
using vorbisfile::OV_HOLE;
using vorbisfile::ov_info;
using vorbisfile::ov_open;
using vorbisfile::ov_read;
using vorbisfile::ov_time_total;
using vorbisfile::vorbis_info;

CDirectAudio* CDirectAudio::lpDirectAudio = nullptr;

namespace {
void PutWord(BYTE* at, DWORD value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}
void PutShort(BYTE* at, WORD value) {
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

// A chunk's four-letter name, without the text's terminating zero.
void PutTag(BYTE* at, const char (&tag)[5]) { std::copy_n(tag, 4, at); }

void WriteWaveHeader(BYTE* image, int channels, long rate, int bytesPerSample, DWORD dataBytes) {
    PutTag(image, "RIFF");
    PutWord(image + 4, CDirectAudio::WAVE_HEADER_BYTES + dataBytes - 8);
    PutTag(image + 8, "WAVE");
    PutTag(image + 12, "fmt ");
    PutWord(image + 16, 18);
    PutShort(image + 20, WAVE_FORMAT_PCM);
    PutShort(image + 22, static_cast<WORD>(channels));
    PutWord(image + 24, static_cast<DWORD>(rate));
    PutWord(image + 28, static_cast<DWORD>(rate * channels * bytesPerSample));
    PutShort(image + 32, static_cast<WORD>(channels * bytesPerSample));
    PutShort(image + 34, static_cast<WORD>(8 * bytesPerSample));
    PutShort(image + 36, 18);
    PutTag(image + 38, "data");
    PutWord(image + 42, dataBytes);
}

// The decoded image of one track is kept whole in memory; 256 MiB holds 25
// minutes of 44.1 kHz stereo.
constexpr std::size_t kLongestImageBytes = std::size_t{256} * 1024 * 1024;
// A file with more gaps than this is given up as destroyed.
constexpr long kMostHoles = 4096;

bool PlayableStream(int channels, long rate, int bytesPerSample) {
    return channels > 0 && rate > 0 && rate <= static_cast<long>(dmusic::kHighestWaveRate) &&
           dmusic::PlayableWave(static_cast<DWORD>(channels), static_cast<DWORD>(8 * bytesPerSample),
                                static_cast<DWORD>(rate));
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
    std::string reason;
    std::FILE* file = mmio::OpenForReading(path, &reason);
    if (!file) {
        vlog::LoadFailure(vlog::Category::Assets, path, "cannot open the music: %s", reason.c_str());
        return 0;
    }
    OggVorbis_File vorbis;
    if (const int opened = ov_open(file, &vorbis, nullptr, 0); opened < 0) {
        vlog::LoadFailure(vlog::Category::Assets, path, "not an Ogg Vorbis file vorbisfile can open (%s)",
                          vorbisfile::ErrorText(opened));
        std::fclose(file);
        return 0;
    }
    const vorbis_info* info = ov_info(&vorbis, -1);
    const double seconds = ov_time_total(&vorbis, -1);
    if (!info) {
        vlog::LoadFailure(vlog::Category::Assets, path, "the Vorbis stream has no information header");
        ov_clear(&vorbis);
        return 0;
    }
    if (!PlayableStream(info->channels, info->rate, bytesPerSample)) {
        vlog::LoadFailure(vlog::Category::Assets, path,
                          "%d channels at %ld Hz cannot be played (mono or stereo, %u to %u Hz)", info->channels,
                          info->rate, static_cast<unsigned>(dmusic::kLowestWaveRate),
                          static_cast<unsigned>(dmusic::kHighestWaveRate));
        ov_clear(&vorbis);
        return 0;
    }
    if (!(seconds >= 0)) {
        vlog::LoadFailure(vlog::Category::Assets, path, "cannot tell the music's length (%s)",
                          seconds == vorbisfile::OV_EINVAL ? vorbisfile::ErrorText(vorbisfile::OV_EINVAL)
                                                           : "its pages claim a negative length");
        ov_clear(&vorbis);
        return 0;
    }
    const double estimate = std::ceil(info->channels * static_cast<double>(info->rate) * seconds * bytesPerSample);
    // A damaged last page can claim days of music: what lies past the longest
    // track kept is cut, as a track longer than its estimate is.
    std::size_t room = kLongestImageBytes;
    if (estimate <= static_cast<double>(kLongestImageBytes)) {
        room = static_cast<std::size_t>(estimate);
    } else {
        vlog::LoadWarning(vlog::Category::Assets, path, "claims %.0f seconds of music; only the first %.0f are kept",
                          seconds, seconds * kLongestImageBytes / estimate);
    }
    *image = new (std::nothrow) BYTE[room + WAVE_HEADER_BYTES];
    if (!*image) {
        vlog::LoadFailure(vlog::Category::Assets, path, "no memory for %zu bytes of decoded music", room);
        ov_clear(&vorbis);
        return 0;
    }
    const std::size_t frame = static_cast<std::size_t>(info->channels) * bytesPerSample;
    std::size_t decoded = 0;
    long holes = 0;
    for (;;) {
        const std::size_t left = room - decoded;
        if (left < frame) break;
        const int want = left > 0x40000000u ? 0x40000000 : static_cast<int>(left);
        int section = 0;
        const long got = ov_read(&vorbis, reinterpret_cast<char*>(*image + WAVE_HEADER_BYTES + decoded), want, 0,
                                 bytesPerSample, 1, &section);
        if (got == 0) break;
        // A gap or a damaged page costs what it held; the music goes on after it.
        if (got == OV_HOLE && ++holes <= kMostHoles) continue;
        if (got < 0) {
            if (got == OV_HOLE)
                vlog::LoadFailure(vlog::Category::Assets, path, "more than %ld damaged stretches", kMostHoles);
            else
                vlog::LoadFailure(vlog::Category::Assets, path, "decoding stopped after %zu bytes: %s", decoded,
                                  vorbisfile::ErrorText(static_cast<int>(got)));
            delete[] * image;
            *image = nullptr;
            ov_clear(&vorbis);
            return 0;
        }
        decoded += static_cast<std::size_t>(got);
    }
    if (holes > 0)
        vlog::LoadWarning(vlog::Category::Assets, path, "%ld damaged stretch%s skipped; the rest plays", holes,
                          holes == 1 ? "" : "es");
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
    if (const HRESULT result =
            m_lpLoader->GetObject(&description, IID_IDirectMusicSegment8, reinterpret_cast<void**>(&m_lpSegment[slot]));
        FAILED(result)) {
        vlog::LoadFailure(vlog::Category::Assets, path, "the decoded music makes no segment (0x%08X)",
                          static_cast<unsigned>(result));
        return 0;
    }
    if (const HRESULT result = m_lpSegment[slot]->Download(m_lpPerformance); FAILED(result)) {
        vlog::LoadFailure(vlog::Category::Assets, path, "the music cannot be made ready to play (0x%08X)",
                          static_cast<unsigned>(result));
        return 0;
    }
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
