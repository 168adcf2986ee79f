// Background music: a DirectMusic performance with a loader, the default
// audio path and ten standard paths, and 1000 segment slots. Ogg Vorbis
// files are decoded completely at load into an in-memory WAVE image that
// lives as long as the segment built from it.
#pragma once
#include "platform/dmusic/dmusic.h"

class CDirectAudio {
public:
    static constexpr int SEGMENT_SLOTS = 1000;
    static constexpr int AUDIO_PATHS = 10;
    static constexpr int WAVE_HEADER_BYTES = 46;
    // File kind of LoadFile2Segment.
    static constexpr int FILE_KIND_OGG_VORBIS = 2;

    static CDirectAudio* GetInstance();
    static void DeleteInstance();

    // 1 when the performance, its paths and the loader are ready; 0 at the
    // first step that fails.
    int DirectAudioInit(HWND window);
    // Empties the slot, then loads path into it; 1 for kind 2 whatever the
    // outcome (an unreadable file leaves the slot empty).
    int LoadFile2Segment(const char* path, int slot, int kind);
    // Decodes one Ogg Vorbis file with bytesPerSample 1 or 2 into *image and
    // the slot's segment; 1 on success, 0 on failure.
    int LoadOggVorbisToSegment(const char* path, int bytesPerSample, BYTE** image, int slot);
    // kindOfPlay 1: secondary segment, else primary; repeat 0: for ever,
    // n > 0: n plays; audioPath -1: default path, 0-9: that standard path.
    void PlaySegment(int slot, int kindOfPlay, int repeat, int audioPath);
    void StopSegment(int slot);
    void StopAllSegment();
    void ReleaseSegment(int slot);
    void ReleaseAllSegment();
    void DirectAudioUnInit();

    // For tests and tools: the slot's segment and image (null when empty).
    IDirectMusicSegment8* Segment(int slot) const;
    const BYTE* Image(int slot) const;
    IDirectMusicPerformance8* Performance() const { return m_lpPerformance; }

    static CDirectAudio* lpDirectAudio;

private:
    CDirectAudio();
    ~CDirectAudio();
    static bool ValidSlot(int slot) { return slot >= 0 && slot < SEGMENT_SLOTS; }

    IDirectMusicPerformance8* m_lpPerformance;
    IDirectMusicLoader8* m_lpLoader;
    IDirectMusicAudioPath* m_lpDefaultAudioPath;
    IDirectMusicAudioPath* m_lpAudioPath[AUDIO_PATHS];
    IDirectMusicSegment8* m_lpSegment[SEGMENT_SLOTS];
    BYTE* m_lpMemoryImage[SEGMENT_SLOTS];
};
