// Frame bookkeeping shared by the scene loop and the layer's automation
// (scripted input, recording, screenshots): the number of scene frames begun
// since program start. The scene loop calls BeginSceneFrame before each frame.
#pragma once
#include <cstdint>

namespace automation {
// Index of the scene frame now running (0 for the first frame of the program).
std::uint64_t SceneFrame();
void BeginSceneFrame();
// For tests that run several scene loops in one process.
void ResetSceneFrames();
}  // namespace automation
