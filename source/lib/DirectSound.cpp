#include "lib/DirectSound.h"

#include "lib/WaveSoundRead.h"
#include "platform/log/load_failure.h"
#include "platform/win32/messagebox.h"

CDirectSound* CDirectSound::m_lpDirectSound = nullptr;

namespace {
// Stands in for a sound that could not be loaded: every call succeeds and
// nothing sounds.
class CSilentSoundBuffer final : public IDirectSoundBuffer8 {
public:
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        if (play) *play = 0;
        if (write) *write = 0;
        return DS_OK;
    }
    HRESULT GetStatus(LPDWORD status) override {
        if (status) *status = 0;
        return DS_OK;
    }
    HRESULT Lock(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override { return DSERR_INVALIDPARAM; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return DS_OK; }
    HRESULT Stop() override { return DS_OK; }
    HRESULT SetCurrentPosition(DWORD) override { return DS_OK; }
    HRESULT SetFormat(const WAVEFORMATEX*) override { return DS_OK; }
    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return DS_OK; }
    HRESULT Restore() override { return DS_OK; }
};

// The one line for a file that was read but whose sound no buffer can hold.
void ReportUnplayable(const char* path, const CWaveSoundRead& reader) {
    const WAVEFORMATEX& format = *reader.m_pwfx;
    vlog::LoadFailure(vlog::Category::Assets, path,
                      "no sound buffer for format tag %u, %u channels, %u bits, %u Hz and %u bytes of samples "
                      "(playable: PCM, mono or stereo, 8 or 16 bits, 100 to 200000 Hz, at least 150 ms)",
                      format.wFormatTag, format.nChannels, format.wBitsPerSample,
                      static_cast<unsigned>(format.nSamplesPerSec), static_cast<unsigned>(reader.m_ckIn.cksize));
}

// Shared by all requests made without a device; never deleted.
IDirectSoundBuffer8* DeviceLessBuffer() {
    static IDirectSoundBuffer8* buffer = new CSilentSoundBuffer;
    return buffer;
}
}  // namespace

CDirectSound* CDirectSound::GetInstance() {
    if (!m_lpDirectSound) m_lpDirectSound = new CDirectSound;
    return m_lpDirectSound;
}

void CDirectSound::DeleteInstance() {
    delete m_lpDirectSound;
    m_lpDirectSound = nullptr;
}

int CDirectSound::DirectSoundInit(HWND window) {
    if (FAILED(DirectSoundCreate8(nullptr, &m_lpDirectSound8, nullptr))) {
        MessageBoxA(window, "D3DDeviceの作成に失敗しました", "ERROR", MB_OK);
        m_lpDirectSound8 = nullptr;
        return 1;
    }
    m_lpDirectSound8->SetCooperativeLevel(window, DSSCL_EXCLUSIVE);
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN;
    if (SUCCEEDED(m_lpDirectSound8->CreateSoundBuffer(&description, &m_lpPrimaryBuffer, nullptr))) {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 176400;
        m_lpPrimaryBuffer->SetFormat(&format);
    }
    return 1;
}

IDirectSoundBuffer8* CDirectSound::GetSecondryBuffer(const char* path) {
    if (!path) return nullptr;
    if (!m_lpDirectSound8) return DeviceLessBuffer();
    const auto found = m_BufferMap.find(path);
    if (found != m_BufferMap.end()) return found->second;
    LPDIRECTSOUNDBUFFER8 buffer = nullptr;
    LoadWAVE(&buffer, path);
    if (!buffer) buffer = new CSilentSoundBuffer;
    m_BufferMap[path] = buffer;
    return buffer;
}

int CDirectSound::LoadWAVE(LPDIRECTSOUNDBUFFER8* out, const char* path) {
    *out = nullptr;
    if (!m_lpDirectSound8) return 1;
    CWaveSoundRead reader;
    const HRESULT opened = reader.Open(path);
    if (FAILED(opened)) vlog::LoadFailure(vlog::Category::Assets, path, "%s", LastWaveReadFailure());
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_CTRLFX | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
    description.dwBufferBytes = reader.m_ckIn.cksize;
    description.lpwfxFormat = reader.m_pwfx;
    description.guid3DAlgorithm = GUID_NULL;
    LPDIRECTSOUNDBUFFER first = nullptr;
    if (FAILED(m_lpDirectSound8->CreateSoundBuffer(&description, &first, nullptr))) {
        if (SUCCEEDED(opened)) ReportUnplayable(path, reader);
        MessageBoxA(nullptr, "セカンダリバッファの作成に失敗しました", "ERROR", MB_OK);
        return 1;
    }
    first->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(out));
    first->Release();
    if (!*out) return 1;
    LPVOID audio1 = nullptr, audio2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    HRESULT locked = (*out)->Lock(0, reader.m_ckIn.cksize, &audio1, &bytes1, &audio2, &bytes2, 0);
    if (locked == DSERR_BUFFERLOST) {
        (*out)->Restore();
        locked = (*out)->Lock(0, reader.m_ckIn.cksize, &audio1, &bytes1, &audio2, &bytes2, 0);
    }
    if (SUCCEEDED(locked)) {
        UINT read = 0;
        HRESULT filled = reader.Read(bytes1, static_cast<BYTE*>(audio1), &read);
        if (audio2) {
            const HRESULT second = reader.Read(bytes2, static_cast<BYTE*>(audio2), &read);
            if (SUCCEEDED(filled)) filled = second;
        }
        if (FAILED(filled) && SUCCEEDED(opened))
            vlog::LoadFailure(vlog::Category::Assets, path, "%s", LastWaveReadFailure());
        (*out)->Unlock(audio1, bytes1, audio2, bytes2);
    }
    return 1;
}

int CDirectSound::FreeBuffer() {
    if (m_BufferMap.empty()) return 0;
    for (auto& entry : m_BufferMap)
        if (entry.second) entry.second->Release();
    m_BufferMap.clear();
    return 0;
}

int CDirectSound::DirectSoundRelease() {
    if (m_lpPrimaryBuffer) m_lpPrimaryBuffer->Release();
    m_lpPrimaryBuffer = nullptr;
    if (m_lpDirectSound8) m_lpDirectSound8->Release();
    m_lpDirectSound8 = nullptr;
    DeleteInstance();
    return 1;
}
