#include "platform/automation.h"

namespace automation {
namespace {
std::uint64_t g_nextFrame = 0;
std::uint64_t g_currentFrame = 0;
}  // namespace

std::uint64_t SceneFrame() { return g_currentFrame; }

void BeginSceneFrame() { g_currentFrame = g_nextFrame++; }

void ResetSceneFrames() {
    g_nextFrame = 0;
    g_currentFrame = 0;
}
}  // namespace automation
