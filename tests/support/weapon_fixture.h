// The billboard scene with the camera 40 behind and level with what the
// weapon and item tests place around the origin, and the sound device up so
// that their effects can be heard to start.
#pragma once
#include <vector>

#include "game/SphereHit.h"
#include "support/billboard_fixture.h"

class WeaponTest : public BillBoardSceneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void Frames(int count) {
        for (int i = 0; i < count; ++i) Frame();
    }
    std::vector<BillBoardNode*> Nodes(BillBoardProc update) const { return NodesRunBy(update); }
    int Count(BillBoardProc update) const { return static_cast<int>(NodesRunBy(update).size()); }
    // Whether the cached buffer of the sound is playing.
    bool SoundPlayed(const char* path) const;
};
