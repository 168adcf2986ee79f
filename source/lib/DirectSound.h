// Sound effects: the DirectSound device and a cache of one static buffer per
// WAV file, keyed by the path text. Playing a sound means fetching its
// buffer, rewinding it and playing it once.
#pragma once
#include <map>
#include <string>

#include "platform/dsound/dsound.h"

class CDirectSound {
public:
    static CDirectSound* GetInstance();
    static void DeleteInstance();

    // Creates the device (reporting a failure) and the primary buffer; 1.
    int DirectSoundInit(HWND window);
    // The cached buffer of path, loading it on first use; null for a null
    // path. A file that cannot be loaded (reported once) and every request
    // without a device give a silent buffer, so callers may always play it.
    IDirectSoundBuffer8* GetSecondryBuffer(const char* path);
    // Creates and fills a buffer from a WAV file; *buffer stays null when
    // the buffer cannot be created. Returns 1.
    int LoadWAVE(LPDIRECTSOUNDBUFFER8* buffer, const char* path);
    // Releases every cached buffer; 0.
    int FreeBuffer();
    // Releases the primary buffer and the device and deletes the singleton; 1.
    int DirectSoundRelease();

    static CDirectSound* m_lpDirectSound;

private:
    CDirectSound() = default;

    std::map<std::string, IDirectSoundBuffer8*> m_BufferMap;
    LPDIRECTSOUND8 m_lpDirectSound8 = nullptr;
    LPDIRECTSOUNDBUFFER m_lpPrimaryBuffer = nullptr;
};
