#include "platform/dsound/dsound.h"

#include <AL/al.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/al/device.h"
#include "platform/log/log.h"

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectSoundBuffer8 = {0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};

namespace {
bool IsPlayablePcm(const WAVEFORMATEX& format) {
    return format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
           (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8 &&
           format.nSamplesPerSec >= DSBFREQUENCY_MIN && format.nSamplesPerSec <= DSBFREQUENCY_MAX;
}

ALenum AlFormatOf(const WAVEFORMATEX& format) {
    if (format.nChannels == 1) return format.wBitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return format.wBitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

// The primary buffer only carries the output format; OpenAL mixes at the
// device's own rate, so it changes nothing audible.
class PrimaryBuffer final : public IDirectSoundBuffer {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IDirectSoundBuffer) {
            AddRef();
            *out = static_cast<IDirectSoundBuffer*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        if (play) *play = 0;
        if (write) *write = 0;
        return DS_OK;
    }
    HRESULT GetStatus(LPDWORD status) override {
        if (!status) return DSERR_INVALIDPARAM;
        *status = 0;
        return DS_OK;
    }
    HRESULT Lock(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override { return DSERR_INVALIDPARAM; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return DS_OK; }
    HRESULT Stop() override { return DS_OK; }
    HRESULT SetCurrentPosition(DWORD) override { return DSERR_INVALIDPARAM; }
    HRESULT SetFormat(const WAVEFORMATEX* format) override {
        if (!format || !IsPlayablePcm(*format)) return DSERR_BADFORMAT;
        m_format = *format;
        return DS_OK;
    }
    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return DSERR_INVALIDPARAM; }
    HRESULT Restore() override { return DS_OK; }

private:
    WAVEFORMATEX m_format{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
};

class SecondaryBuffer final : public IDirectSoundBuffer8 {
public:
    // False when OpenAL cannot give the buffer or the source.
    bool Create(const WAVEFORMATEX& format, DWORD bytes) {
        if (!al::AcquireDevice()) return false;
        m_holdsDevice = true;
        m_format = format;
        try {
            m_samples.assign(bytes, format.wBitsPerSample == 8 ? 0x80 : 0x00);
        } catch (const std::bad_alloc&) {
            return false;
        }
        alGetError();
        alGenBuffers(1, &m_buffer);
        if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
            vlog::Error(vlog::Category::Audio, "OpenAL cannot make a sound buffer: %s", alGetString(error));
            m_buffer = 0;
            return false;
        }
        alGenSources(1, &m_source);
        if (const ALenum error = alGetError(); error != AL_NO_ERROR) {
            vlog::Error(vlog::Category::Audio, "OpenAL cannot make a sound source: %s", alGetString(error));
            m_source = 0;
            return false;
        }
        // Centred and unattenuated, as a DirectSound buffer without 3D.
        alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(m_source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(m_source, AL_ROLLOFF_FACTOR, 0.0f);
        Upload();
        return true;
    }

    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IDirectSoundBuffer8 || iid == IID_IDirectSoundBuffer) {
            AddRef();
            *out = static_cast<IDirectSoundBuffer8*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        const DWORD position = Playing() ? AlOffset() : m_position;
        if (play) *play = position;
        if (write) *write = position;
        return DS_OK;
    }

    HRESULT GetStatus(LPDWORD status) override {
        if (!status) return DSERR_INVALIDPARAM;
        *status = Playing() ? (DSBSTATUS_PLAYING | (m_looping ? DSBSTATUS_LOOPING : 0)) : 0;
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2, LPDWORD bytes2,
                 DWORD flags) override {
        const DWORD size = Size();
        if (flags & DSBLOCK_ENTIREBUFFER) {
            offset = 0;
            bytes = size;
        }
        if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
        if (!audio1 || !bytes1 || bytes == 0 || bytes > size || offset >= size) return DSERR_INVALIDPARAM;
        const DWORD first = std::min(bytes, size - offset);
        *audio1 = m_samples.data() + offset;
        *bytes1 = first;
        if (audio2) *audio2 = first < bytes ? m_samples.data() : nullptr;
        if (bytes2) *bytes2 = bytes - first;
        if (first < bytes && (!audio2 || !bytes2)) return DSERR_INVALIDPARAM;
        return DS_OK;
    }

    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override {
        Upload();
        return DS_OK;
    }

    HRESULT Play(DWORD, DWORD, DWORD flags) override {
        ++m_playCalls;
        m_looping = (flags & DSBPLAY_LOOPING) != 0;
        alSourcei(m_source, AL_LOOPING, m_looping ? AL_TRUE : AL_FALSE);
        if (Playing()) return DS_OK;
        alSourceRewind(m_source);
        if (m_position > 0) alSourcei(m_source, AL_BYTE_OFFSET, static_cast<ALint>(m_position));
        alSourcePlay(m_source);
        m_position = 0;
        return DS_OK;
    }

    HRESULT Stop() override {
        if (Playing()) {
            m_position = AlOffset();
            alSourceStop(m_source);
        }
        return DS_OK;
    }

    HRESULT SetCurrentPosition(DWORD position) override {
        if (position > Size()) return DSERR_INVALIDPARAM;
        position -= position % m_format.nBlockAlign;
        if (position >= UploadedSize()) position = 0;
        if (Playing())
            alSourcei(m_source, AL_BYTE_OFFSET, static_cast<ALint>(position));
        else
            m_position = position;
        return DS_OK;
    }

    HRESULT SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDPARAM; }
    HRESULT Restore() override { return DS_OK; }

private:
    ~SecondaryBuffer() override {
        if (m_source) {
            alSourceStop(m_source);
            alDeleteSources(1, &m_source);
        }
        if (m_buffer) alDeleteBuffers(1, &m_buffer);
        if (m_holdsDevice) al::ReleaseDevice();
    }

    DWORD Size() const { return static_cast<DWORD>(m_samples.size()); }
    // OpenAL takes whole sample frames only.
    DWORD UploadedSize() const { return Size() - Size() % m_format.nBlockAlign; }

    bool Playing() const {
        ALint state = AL_STOPPED;
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }

    DWORD AlOffset() const {
        ALint offset = 0;
        alGetSourcei(m_source, AL_BYTE_OFFSET, &offset);
        return static_cast<DWORD>(std::max(offset, 0));
    }

    void Upload() {
        if (UploadedSize() == 0) return;
        alSourceStop(m_source);
        alSourcei(m_source, AL_BUFFER, 0);
        alBufferData(m_buffer, AlFormatOf(m_format), m_samples.data(), static_cast<ALsizei>(UploadedSize()),
                     static_cast<ALsizei>(m_format.nSamplesPerSec));
        alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_buffer));
    }

    WAVEFORMATEX m_format{};
    std::vector<BYTE> m_samples;
    ALuint m_buffer = 0;
    ALuint m_source = 0;
    DWORD m_position = 0;  // where the next Play starts, while stopped
    unsigned m_playCalls = 0;

    friend unsigned dsound::PlayCalls(IDirectSoundBuffer* buffer);
    bool m_looping = false;
    bool m_holdsDevice = false;
};

class DirectSound final : public IDirectSound8 {
public:
    DirectSound() = default;

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC description, LPDIRECTSOUNDBUFFER* out, LPUNKNOWN) override {
        if (!out) return DSERR_INVALIDPARAM;
        *out = nullptr;
        if (!description || description->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
        if (description->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (description->dwBufferBytes != 0 || description->lpwfxFormat) return DSERR_INVALIDPARAM;
            *out = new PrimaryBuffer;
            return DS_OK;
        }
        const WAVEFORMATEX* format = description->lpwfxFormat;
        if (!format) return DSERR_INVALIDPARAM;
        if (!IsPlayablePcm(*format)) return DSERR_BADFORMAT;
        const DWORD bytes = description->dwBufferBytes;
        if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
        if ((description->dwFlags & DSBCAPS_CTRLFX) &&
            static_cast<unsigned long long>(bytes) * 1000 <
                static_cast<unsigned long long>(format->nSamplesPerSec) * format->nBlockAlign * DSBSIZE_FX_MIN)
            return DSERR_BUFFERTOOSMALL;
        auto* buffer = new SecondaryBuffer;
        if (!buffer->Create(*format, bytes)) {
            buffer->Release();
            return DSERR_OUTOFMEMORY;
        }
        *out = buffer;
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        return level >= DSSCL_NORMAL && level <= DSSCL_WRITEPRIMARY ? DS_OK : DSERR_INVALIDPARAM;
    }

private:
    ~DirectSound() override { al::ReleaseDevice(); }
};
}  // namespace

namespace dsound {
unsigned PlayCalls(IDirectSoundBuffer* buffer) {
    const auto* secondary = dynamic_cast<const SecondaryBuffer*>(buffer);
    return secondary ? secondary->m_playCalls : 0;
}
}  // namespace dsound

HRESULT DirectSoundCreate8(LPCGUID, LPDIRECTSOUND8* out, LPUNKNOWN) {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!al::AcquireDevice()) return DSERR_NODRIVER;
    *out = new DirectSound;
    return DS_OK;
}
