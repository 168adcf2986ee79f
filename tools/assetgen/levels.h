// The levels the sounds are made at. Music and effects reach the player
// through one mixer that adds them up: with every file peaking near full
// scale, a few overlapping effects on top of the music went past it. So the
// music keeps about 9 dB of headroom, and the effects are set by loudness, a
// few dB under the music as heard, rather than all to the same peak, with
// their peaks as far under full scale as the music's.
#pragma once
#include <vector>

namespace assetgen::levels {

// The music's loudness (RMS over the whole track) and its peak before
// encoding; the codec's ripple adds up to about 1 dB to the peak. Stereo
// tracks are heard at their file level.
inline constexpr float kMusicLoudnessDb = -21.0f;
inline constexpr float kMusicCeilingDb = -9.0f;

// The mixer spreads a mono sound over both speakers, each 4.5 dB below the
// file's level, so mono files are made that much louder than they are to
// be heard.
inline constexpr float kMonoSpreadDb = -4.5f;

// Effects and voices are heard this far under the music's loudness, and
// never peak above the ceiling (file level).
inline constexpr float kEffectsUnderMusicDb = 3.0f;
inline constexpr float kEffectLoudnessDb = kMusicLoudnessDb - kEffectsUnderMusicDb - kMonoSpreadDb;
inline constexpr float kEffectCeilingDb = -9.0f;

// The engine's loop sounds all through a mission, well under the music.
inline constexpr float kEngineUnderMusicDb = 12.0f;
inline constexpr float kEngineLoudnessDb = kMusicLoudnessDb - kEngineUnderMusicDb - kMonoSpreadDb;

// Seconds over which a short sound's loudness is taken: about how long
// the ear takes to judge it.
inline constexpr float kLoudnessWindow = 0.4f;

// The loudness of interleaved samples in dBFS: the RMS of their loudest
// stretch of `window` seconds, or of all of them when window is 0 or longer
// than the sound.
float Loudness(const std::vector<float>& samples, int channels, int rate, float window);

// Sounds whose peaks stand far above their body (explosions, cracks) would
// meet the ceiling long before their loudness: up to this much of their
// peaks is rounded off under the ceiling instead.
inline constexpr float kEffectSoftClipDb = 6.0f;

// Scales the samples to the loudness (as Loudness measures it), or less
// where that would put their peak more than softClipDb above the ceiling.
// With softClipDb above 0, samples louder than half the ceiling pass a soft
// knee that keeps every one of them under it.
void Master(std::vector<float>& samples, int channels, int rate, float window, float loudnessDb, float ceilingDb,
            float softClipDb = 0.0f);

}  // namespace assetgen::levels
