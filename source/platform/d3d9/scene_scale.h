// The resolution of the 3D picture as a share of the back buffer's. Below
// 1 the device draws everything aimed at the back buffer into a smaller
// target, until the first screen-space (pre-transformed) draw of the frame
// or Present; then it stretches that picture onto the back buffer, and the
// 2D drawn after it lands at full size. Viewports, render targets and
// read-backs keep the back buffer's size, so nothing outside the layer can
// tell. At 1 there is no second target and no extra pass.
#pragma once

namespace d3d9 {
constexpr float kMinSceneScale = 0.5f;

// A fixed scale (clamped to [0.5, 1]), or one that adapts to frame times.
void SetSceneScale(float scale);
void SetAdaptiveSceneScale();
bool SceneScaleAdaptive();
// The scale the next frame's 3D is drawn at.
float SceneScale();
// Presentation side: the time one frame took to make, in milliseconds
// (waiting for its slot not included); adjusts an adaptive scale.
void ReportFrameTime(double milliseconds);

// The adaptive choice. Scales come in steps of 1/8 from 1 down to 0.5. A
// frame misses when it takes longer than the budget. Several misses among
// the recent frames step down one level; a long run of frames that would fit
// the budget with room to spare at the next level up (judged by the share of
// pixels) steps up one. A step down soon after a step up doubles the calm
// needed before the next step up, so a load that sits on a boundary does not
// make the picture pump.
class AdaptiveSceneScale {
public:
    static constexpr int kLevels = 5;
    static constexpr double kBudgetMs = 1000.0 / 60.0;
    // A frame predicted at the next level up must fit this share of the
    // budget to count towards a step up.
    static constexpr double kHeadroom = 0.8;
    static constexpr int kMissWindow = 30;
    static constexpr int kMissesToStepDown = 4;
    static constexpr int kCalmFrames = 120;
    static constexpr int kMaxCalmFrames = 1920;
    // A step down this many frames or fewer after a step up counts as pumping.
    static constexpr int kPumpFrames = 300;

    static float ScaleOfLevel(int level) { return 1.0f - 0.125f * static_cast<float>(level); }

    // One frame's time; returns the scale for the next frame.
    float Feed(double frameMs);
    float Scale() const { return ScaleOfLevel(m_level); }
    int Level() const { return m_level; }
    // Frames of calm a step up needs now.
    int CalmNeeded() const { return m_calmNeeded; }

private:
    void ChangeLevel(int level);

    int m_level = 0;
    bool m_missed[kMissWindow] = {};
    int m_next = 0;
    int m_seen = 0;
    int m_misses = 0;
    int m_calmRun = 0;
    int m_calmNeeded = kCalmFrames;
    int m_sinceStepUp = -1;  // -1: no step up at this level
};
}  // namespace d3d9
