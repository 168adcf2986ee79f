#include "platform/d3d9/scene_scale.h"

#include <algorithm>
#include <iterator>

#include "platform/log/log.h"

namespace d3d9 {
namespace {
bool g_adaptive = false;
float g_fixedScale = 1.0f;
AdaptiveSceneScale g_adaptiveScale;

// A frame right after a change may still show the old level's cost.
constexpr int kSettleFrames = 10;
}  // namespace

void SetSceneScale(float scale) {
    g_adaptive = false;
    g_fixedScale = std::clamp(scale, kMinSceneScale, 1.0f);
}

void SetAdaptiveSceneScale() {
    g_adaptive = true;
    g_adaptiveScale = AdaptiveSceneScale{};
}

bool SceneScaleAdaptive() { return g_adaptive; }

float SceneScale() { return g_adaptive ? g_adaptiveScale.Scale() : g_fixedScale; }

void ReportFrameTime(double milliseconds) {
    if (!g_adaptive) return;
    const float before = g_adaptiveScale.Scale();
    if (g_adaptiveScale.Feed(milliseconds) != before)
        vlog::Debug(vlog::Category::Video, "3D scale %.3f after a frame of %.1f ms", g_adaptiveScale.Scale(),
                    milliseconds);
}

void AdaptiveSceneScale::ChangeLevel(int level) {
    m_level = level;
    std::fill(std::begin(m_missed), std::end(m_missed), false);
    m_next = m_seen = m_misses = 0;
    m_calmRun = 0;
}

float AdaptiveSceneScale::Feed(double frameMs) {
    const bool miss = frameMs > kBudgetMs;
    if (m_seen == kMissWindow)
        m_misses -= m_missed[m_next] ? 1 : 0;
    else
        ++m_seen;
    m_missed[m_next] = miss;
    m_misses += miss ? 1 : 0;
    m_next = (m_next + 1) % kMissWindow;

    if (m_sinceStepUp >= 0 && ++m_sinceStepUp > kPumpFrames) {
        // The last step up held: the calm needed eases back.
        m_calmNeeded = std::max(kCalmFrames, m_calmNeeded / 2);
        m_sinceStepUp = -1;
    }

    if (m_level < kLevels - 1 && m_seen >= kSettleFrames && m_misses >= kMissesToStepDown) {
        if (m_sinceStepUp >= 0) m_calmNeeded = std::min(kMaxCalmFrames, m_calmNeeded * 2);
        m_sinceStepUp = -1;
        ChangeLevel(m_level + 1);
        return Scale();
    }

    if (m_level > 0) {
        const double up = ScaleOfLevel(m_level - 1) / Scale();
        if (frameMs * up * up <= kBudgetMs * kHeadroom)
            ++m_calmRun;
        else
            m_calmRun = 0;
        if (m_calmRun >= m_calmNeeded) {
            ChangeLevel(m_level - 1);
            m_sinceStepUp = 0;
        }
    }
    return Scale();
}
}  // namespace d3d9
