// A running billboard world for the weapon and item tests: a real device and
// sound device, the data directory as the current directory, a camera behind
// the origin looking along +z, and frame stepping as the game scene does it
// (update walk, then render walk).
#pragma once
#include <vector>

#include "game/BillBoardManager.h"
#include "game/SphereHit.h"
#include "support/graphics_fixture.h"

class WeaponTest : public GraphicsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // One game frame: every node's update, then every node's drawing.
    void Frame();
    void Frames(int count) {
        for (int i = 0; i < count; ++i) Frame();
    }
    // The live nodes run by that update callback, oldest first.
    std::vector<BillBoardNode*> Nodes(BillBoardProc update) const;
    int Count(BillBoardProc update) const { return static_cast<int>(Nodes(update).size()); }
    // Whether the cached buffer of the sound is playing.
    bool SoundPlaying(const char* path) const;

    CBillBoardManager* m_manager = nullptr;
    D3DXMATRIX m_camera;  // the camera's world matrix
    D3DXMATRIX m_view;

private:
    char m_previousDirectory[4096] = {};
};
