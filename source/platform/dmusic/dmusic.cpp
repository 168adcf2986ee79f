#include "platform/dmusic/dmusic.h"

#include <AL/al.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/al/device.h"
#include "platform/log/log.h"

const GUID CLSID_DirectMusicPerformance = {
    0xD2AC2881, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const GUID CLSID_DirectMusicSegment = {0xD2AC2882, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const GUID CLSID_DirectMusicLoader = {0xD2AC2892, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const GUID GUID_DirectMusicAllTypes = {0xD2AC2893, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
const IID IID_IDirectMusicPerformance8 = {0x679C4137, 0xC62E, 0x4147, {0xB2, 0xB4, 0x9D, 0x56, 0x9A, 0xCB, 0x25, 0x4C}};
const IID IID_IDirectMusicLoader8 = {0x19E7C08C, 0x0A44, 0x4E6A, {0xA1, 0x16, 0x59, 0x5A, 0x7C, 0xD5, 0xDE, 0x8C}};
const IID IID_IDirectMusicSegment8 = {0xC6784488, 0x41A3, 0x418F, {0xAA, 0x15, 0xB3, 0x50, 0x93, 0xBA, 0x42, 0xD4}};

namespace {
// A finite repeat count is played by queueing the buffer once per play; past
// this many plays (days of music) the segment simply ends.
constexpr DWORD kMaxQueuedPlays = 4096;

template <class Interface, class Object>
HRESULT HandOut(Object* object, REFIID wanted, REFIID offered, void** out) {
    if (!out) return E_POINTER;
    if (wanted == offered) {
        object->AddRef();
        *out = static_cast<Interface*>(object);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

DWORD LittleWord(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }
WORD LittleShort(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

struct WaveView {
    WORD channels = 0;
    WORD bits = 0;
    DWORD rate = 0;
    const BYTE* samples = nullptr;
    std::size_t bytes = 0;
};

// Reads a RIFF WAVE image without trusting any size beyond the image.
bool ParseWave(const BYTE* image, std::size_t length, WaveView* wave) {
    if (length < 12 || std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) return false;
    bool haveFormat = false, haveData = false;
    std::size_t offset = 12;
    while (offset + 8 <= length && !(haveFormat && haveData)) {
        const BYTE* header = image + offset;
        const std::size_t claimed = LittleWord(header + 4);
        const std::size_t size = std::min(claimed, length - offset - 8);
        const BYTE* body = header + 8;
        if (std::memcmp(header, "fmt ", 4) == 0 && size >= 16) {
            if (LittleShort(body) != 1) return false;
            wave->channels = LittleShort(body + 2);
            wave->rate = LittleWord(body + 4);
            wave->bits = LittleShort(body + 14);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            wave->samples = body;
            wave->bytes = size;
            haveData = true;
        }
        offset += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData) return false;
    if (!dmusic::PlayableWave(wave->channels, wave->bits, wave->rate)) return false;
    const std::size_t frame = wave->channels * wave->bits / 8u;
    wave->bytes -= wave->bytes % frame;
    return true;
}

class AudioPath final : public IDirectMusicAudioPath {};

class Performance;

class Segment final : public IDirectMusicSegment8 {
public:
    explicit Segment(const WaveView& wave) : m_wave(wave) {}

    HRESULT QueryInterface(REFIID iid, void** out) override {
        return HandOut<IDirectMusicSegment8>(this, iid, IID_IDirectMusicSegment8, out);
    }
    HRESULT SetRepeats(DWORD repeats) override {
        m_repeats = repeats;
        return S_OK;
    }
    HRESULT GetRepeats(DWORD* repeats) override {
        if (!repeats) return E_POINTER;
        *repeats = m_repeats;
        return S_OK;
    }
    HRESULT Download(IUnknown* target) override;

    bool Downloaded() const { return m_source != 0; }
    bool Playing() const {
        if (!m_source) return false;
        ALint state = AL_STOPPED;
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }
    void Start(IUnknown* path) {
        Stop();
        m_path = path;
        alSourcei(m_source, AL_BUFFER, 0);
        if (m_repeats == DMUS_SEG_REPEAT_INFINITE) {
            alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_buffer));
            alSourcei(m_source, AL_LOOPING, AL_TRUE);
        } else {
            alSourcei(m_source, AL_LOOPING, AL_FALSE);
            const DWORD plays = m_repeats >= kMaxQueuedPlays ? kMaxQueuedPlays : m_repeats + 1;
            const std::vector<ALuint> queue(plays, m_buffer);
            alSourceQueueBuffers(m_source, static_cast<ALsizei>(queue.size()), queue.data());
        }
        alSourcePlay(m_source);
    }
    void Stop() {
        if (m_source) alSourceStop(m_source);
    }
    IUnknown* Path() const { return m_path; }
    void Detach() { m_performance = nullptr; }

private:
    ~Segment() override;

    WaveView m_wave;
    DWORD m_repeats = 0;
    Performance* m_performance = nullptr;
    IUnknown* m_path = nullptr;
    ALuint m_buffer = 0;
    ALuint m_source = 0;
    bool m_holdsDevice = false;
};

class Performance final : public IDirectMusicPerformance8 {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return HandOut<IDirectMusicPerformance8>(this, iid, IID_IDirectMusicPerformance8, out);
    }

    HRESULT InitAudio(IDirectMusic**, IDirectSound**, HWND, DWORD defaultPathType, DWORD, DWORD,
                      DMUS_AUDIOPARAMS*) override {
        if (m_initialised) return DMUS_E_ALREADY_INITED;
        if (!al::AcquireDevice()) return static_cast<HRESULT>(0x88780078u);  // DSERR_NODRIVER
        m_initialised = true;
        if (defaultPathType != 0) m_defaultPath = new AudioPath;
        return S_OK;
    }

    HRESULT GetDefaultAudioPath(IDirectMusicAudioPath** path) override {
        if (!path) return E_POINTER;
        *path = nullptr;
        if (!m_initialised) return DMUS_E_NOT_INIT;
        if (!m_defaultPath) return DMUS_E_AUDIOPATH_NOAUDIOPATH;
        m_defaultPath->AddRef();
        *path = m_defaultPath;
        return S_OK;
    }

    HRESULT CreateStandardAudioPath(DWORD type, DWORD, BOOL, IDirectMusicAudioPath** path) override {
        if (!path) return E_POINTER;
        *path = nullptr;
        if (!m_initialised) return DMUS_E_NOT_INIT;
        if (type != DMUS_APATH_SHARED_STEREOPLUSREVERB &&
            (type < DMUS_APATH_DYNAMIC_3D || type > DMUS_APATH_DYNAMIC_STEREO))
            return E_INVALIDARG;
        *path = new AudioPath;
        return S_OK;
    }

    HRESULT PlaySegmentEx(IUnknown* source, WCHAR*, IUnknown*, DWORD flags, LONGLONG, IDirectMusicSegmentState** state,
                          IUnknown*, IUnknown* audioPath) override {
        if (state) *state = nullptr;
        if (!m_initialised) return DMUS_E_NOT_INIT;
        auto* segment = dynamic_cast<Segment*>(source);
        if (!segment) return E_INVALIDARG;
        if (!segment->Downloaded() || !Owns(segment)) return DMUS_E_NOT_DOWNLOADED_TO_PORT;
        if (!(flags & DMUS_SEGF_SECONDARY)) {
            if (m_primary && m_primary != segment) m_primary->Stop();
            m_primary = segment;
        }
        segment->Start(audioPath ? audioPath : m_defaultPath);
        return S_OK;
    }

    HRESULT StopEx(IUnknown* object, LONGLONG, DWORD) override {
        if (auto* segment = dynamic_cast<Segment*>(object)) {
            segment->Stop();
            return S_OK;
        }
        if (dynamic_cast<AudioPath*>(object)) {
            for (Segment* segment : m_segments)
                if (segment->Path() == object) segment->Stop();
            return S_OK;
        }
        return DMUS_E_TYPE_UNSUPPORTED;
    }

    HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) override {
        for (Segment* each : m_segments)
            if (!segment || each == dynamic_cast<Segment*>(segment)) each->Stop();
        return S_OK;
    }

    HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState*) override {
        auto* ours = dynamic_cast<Segment*>(segment);
        if (!ours) return E_POINTER;
        return ours->Playing() ? S_OK : S_FALSE;
    }

    HRESULT CloseDown() override {
        Stop(nullptr, nullptr, 0, 0);
        for (Segment* segment : m_segments) segment->Detach();
        m_segments.clear();
        m_primary = nullptr;
        if (m_defaultPath) m_defaultPath->Release();
        m_defaultPath = nullptr;
        if (m_initialised) al::ReleaseDevice();
        m_initialised = false;
        return S_OK;
    }

    bool Initialised() const { return m_initialised; }
    void Adopt(Segment* segment) {
        if (!Owns(segment)) m_segments.push_back(segment);
    }
    void Forget(Segment* segment) {
        m_segments.erase(std::remove(m_segments.begin(), m_segments.end(), segment), m_segments.end());
        if (m_primary == segment) m_primary = nullptr;
    }

private:
    ~Performance() override { CloseDown(); }
    bool Owns(Segment* segment) const {
        return std::find(m_segments.begin(), m_segments.end(), segment) != m_segments.end();
    }

    bool m_initialised = false;
    AudioPath* m_defaultPath = nullptr;
    std::vector<Segment*> m_segments;  // downloaded to this performance
    Segment* m_primary = nullptr;
};

HRESULT Segment::Download(IUnknown* target) {
    auto* performance = dynamic_cast<Performance*>(target);
    if (!performance || !performance->Initialised()) return E_INVALIDARG;
    if (!m_source) {
        if (!al::AcquireDevice()) return DMUS_E_NOT_INIT;
        m_holdsDevice = true;
        alGetError();
        alGenBuffers(1, &m_buffer);
        if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
            vlog::Error(vlog::Category::Audio, "OpenAL cannot make a music buffer: %s", alGetString(error));
            m_buffer = 0;
            return E_OUTOFMEMORY;
        }
        const ALenum format = m_wave.channels == 1 ? (m_wave.bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16)
                                                   : (m_wave.bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16);
        alBufferData(m_buffer, format, m_wave.samples, static_cast<ALsizei>(m_wave.bytes),
                     static_cast<ALsizei>(m_wave.rate));
        alGenSources(1, &m_source);
        if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
            vlog::Error(vlog::Category::Audio, "OpenAL cannot make a music source: %s", alGetString(error));
            m_source = 0;
            return E_OUTOFMEMORY;
        }
        alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(m_source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(m_source, AL_ROLLOFF_FACTOR, 0.0f);
    }
    if (m_performance && m_performance != performance) m_performance->Forget(this);
    m_performance = performance;
    performance->Adopt(this);
    return S_OK;
}

Segment::~Segment() {
    if (m_performance) m_performance->Forget(this);
    if (m_source) {
        alSourceStop(m_source);
        alDeleteSources(1, &m_source);
    }
    if (m_buffer) alDeleteBuffers(1, &m_buffer);
    if (m_holdsDevice) al::ReleaseDevice();
}

class Loader final : public IDirectMusicLoader8 {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        return HandOut<IDirectMusicLoader8>(this, iid, IID_IDirectMusicLoader8, out);
    }

    HRESULT SetSearchDirectory(REFGUID, WCHAR* path, BOOL) override {
        if (!path) return E_POINTER;
        m_searchDirectory.clear();
        for (const WCHAR* p = path; *p; ++p) m_searchDirectory.push_back(*p);
        return S_OK;
    }

    HRESULT GetObject(LPDMUS_OBJECTDESC description, REFIID iid, LPVOID* out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!description) return E_POINTER;
        constexpr DWORD kNeeded = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
        if ((description->dwValidData & kNeeded) != kNeeded || !(description->guidClass == CLSID_DirectMusicSegment))
            return DMUS_E_LOADER_BADPATH;
        if (!(iid == IID_IDirectMusicSegment8)) return E_NOINTERFACE;
        if (!description->pbMemData || description->llMemLength <= 0) return E_INVALIDARG;
        WaveView wave;
        if (!ParseWave(description->pbMemData, static_cast<std::size_t>(description->llMemLength), &wave))
            return DMUS_E_UNSUPPORTED_STREAM;
        *out = static_cast<IDirectMusicSegment8*>(new Segment(wave));
        return S_OK;
    }

private:
    std::vector<WCHAR> m_searchDirectory;
};
}  // namespace

namespace dmusic {
bool PlayableWave(DWORD channels, DWORD bitsPerSample, DWORD rate) {
    return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) && rate >= kLowestWaveRate &&
           rate <= kHighestWaveRate;
}
}  // namespace dmusic

HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD, REFIID interfaceId, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return static_cast<HRESULT>(0x80040110u);  // CLASS_E_NOAGGREGATION
    IUnknown* object = nullptr;
    if (classId == CLSID_DirectMusicPerformance)
        object = new Performance;
    else if (classId == CLSID_DirectMusicLoader)
        object = new Loader;
    else
        return REGDB_E_CLASSNOTREG;
    const HRESULT result = object->QueryInterface(interfaceId, out);
    object->Release();
    return result;
}
