// DirectMusic over OpenAL Soft, for wave segments built from in-memory RIFF
// WAVE images (PCM, 8 or 16 bits, mono or stereo). A downloaded segment is
// one OpenAL buffer with its own source; repeats map to a queue of the
// buffer, endless repeats to source looping. Audio paths are accepted and
// kept but do not change the sound. Playing a segment that is already
// playing starts it over; a new primary segment stops the previous one.
#pragma once
#include "platform/win32/text.h"
#include "platform/win32/unknown.h"
#include "platform/win32/wintypes.h"

using REFERENCE_TIME = LONGLONG;
using MUSIC_TIME = LONG;

// COM object creation for the DirectMusic classes (the only creatable ones).
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId, LPVOID* out);

extern const GUID CLSID_DirectMusicPerformance;
extern const GUID CLSID_DirectMusicLoader;
extern const GUID CLSID_DirectMusicSegment;
extern const GUID GUID_DirectMusicAllTypes;
extern const IID IID_IDirectMusicPerformance8;
extern const IID IID_IDirectMusicLoader8;
extern const IID IID_IDirectMusicSegment8;

constexpr DWORD DMUS_APATH_SHARED_STEREOPLUSREVERB = 1;
constexpr DWORD DMUS_APATH_DYNAMIC_3D = 6;
constexpr DWORD DMUS_APATH_DYNAMIC_MONO = 7;
constexpr DWORD DMUS_APATH_DYNAMIC_STEREO = 8;
constexpr DWORD DMUS_AUDIOF_ALL = 0x3F;
constexpr DWORD DMUS_SEGF_SECONDARY = 0x80;
constexpr DWORD DMUS_SEG_REPEAT_INFINITE = 0xFFFFFFFFu;

constexpr DWORD DMUS_OBJ_OBJECT = 0x0001;
constexpr DWORD DMUS_OBJ_CLASS = 0x0002;
constexpr DWORD DMUS_OBJ_NAME = 0x0004;
constexpr DWORD DMUS_OBJ_FILENAME = 0x0010;
constexpr DWORD DMUS_OBJ_MEMORY = 0x0400;

constexpr HRESULT DMUS_E_NOT_INIT = static_cast<HRESULT>(0x88781200u);
constexpr HRESULT DMUS_E_ALREADY_INITED = static_cast<HRESULT>(0x88781201u);
constexpr HRESULT DMUS_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x88781A02u);
constexpr HRESULT DMUS_E_LOADER_BADPATH = static_cast<HRESULT>(0x88781A05u);
constexpr HRESULT DMUS_E_AUDIOPATH_NOAUDIOPATH = static_cast<HRESULT>(0x88781D04u);
constexpr HRESULT DMUS_E_NOT_DOWNLOADED_TO_PORT = static_cast<HRESULT>(0x8878106Fu);
constexpr HRESULT DMUS_E_TYPE_UNSUPPORTED = static_cast<HRESULT>(0x88781203u);

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct DMUS_VERSION {
    DWORD dwVersionMS;
    DWORD dwVersionLS;
};

struct IStream;
struct IDirectMusic;
struct IDirectSound;
struct DMUS_AUDIOPARAMS;
struct IDirectMusicSegmentState;

struct DMUS_OBJECTDESC {
    DWORD dwSize;
    DWORD dwValidData;
    GUID guidObject;
    GUID guidClass;
    FILETIME ftDate;
    DMUS_VERSION vVersion;
    WCHAR wszName[64];
    WCHAR wszCategory[64];
    WCHAR wszFileName[260];
    LONGLONG llMemLength;
    LPBYTE pbMemData;
    IStream* pStream;
};
using LPDMUS_OBJECTDESC = DMUS_OBJECTDESC*;

struct IDirectMusicAudioPath : IUnknown {};

struct IDirectMusicSegment : IUnknown {
    // The segment plays repeats + 1 times (DMUS_SEG_REPEAT_INFINITE: until stopped).
    virtual HRESULT SetRepeats(DWORD repeats) = 0;
    virtual HRESULT GetRepeats(DWORD* repeats) = 0;
};

struct IDirectMusicSegment8 : IDirectMusicSegment {
    // Makes the wave playable on a performance (or an audio path of it).
    virtual HRESULT Download(IUnknown* performanceOrPath) = 0;
};

struct IDirectMusicPerformance8 : IUnknown {
    virtual HRESULT InitAudio(IDirectMusic** music, IDirectSound** sound, HWND window, DWORD defaultPathType,
                              DWORD performanceChannels, DWORD flags, DMUS_AUDIOPARAMS* parameters) = 0;
    virtual HRESULT GetDefaultAudioPath(IDirectMusicAudioPath** path) = 0;
    virtual HRESULT CreateStandardAudioPath(DWORD type, DWORD performanceChannels, BOOL activate,
                                            IDirectMusicAudioPath** path) = 0;
    // Starts at once whatever startTime says (the program passes 0, "now").
    virtual HRESULT PlaySegmentEx(IUnknown* source, WCHAR* segmentName, IUnknown* transition, DWORD flags,
                                  LONGLONG startTime, IDirectMusicSegmentState** state, IUnknown* from,
                                  IUnknown* audioPath) = 0;
    // Stops a segment, or everything playing on an audio path.
    virtual HRESULT StopEx(IUnknown* object, LONGLONG stopTime, DWORD flags) = 0;
    // With a null segment and state, stops everything.
    virtual HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME stopTime,
                         DWORD flags) = 0;
    // S_OK while the segment sounds, S_FALSE otherwise.
    virtual HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) = 0;
    virtual HRESULT CloseDown() = 0;
};

namespace dmusic {
// The sample rates a wave segment plays, as DirectSound's buffers take them.
constexpr DWORD kLowestWaveRate = 100;
constexpr DWORD kHighestWaveRate = 200000;
// Whether the loader makes a segment of PCM in this shape: mono or stereo, 8
// or 16 bits, at a rate from kLowestWaveRate to kHighestWaveRate.
bool PlayableWave(DWORD channels, DWORD bitsPerSample, DWORD rate);
}  // namespace dmusic

struct IDirectMusicLoader8 : IUnknown {
    virtual HRESULT SetSearchDirectory(REFGUID objectClass, WCHAR* path, BOOL clear) = 0;
    // Builds a segment from a memory descriptor (DMUS_OBJ_CLASS |
    // DMUS_OBJ_MEMORY, class CLSID_DirectMusicSegment). The segment reads
    // the memory until it is released: the caller keeps the memory alive.
    virtual HRESULT GetObject(LPDMUS_OBJECTDESC description, REFIID interfaceId, LPVOID* out) = 0;
};
