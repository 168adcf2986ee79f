// A real device with the data directory as the current directory, a camera
// looking along +z from the origin and a freshly initialised billboard
// manager: the setting in which the weapon generators run in the game.
#pragma once
#include <string>
#include <vector>

#include "game/BillBoardManager.h"
#include "support/graphics_fixture.h"

class BillBoardSceneTest : public GraphicsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // One game frame of the billboards: update, then draw (which commits
    // each node's matrix).
    void Frame();
    // Live nodes run by the given update callback, from head to tail.
    std::vector<BillBoardNode*> NodesRunBy(BillBoardProc update) const;
    std::size_t LiveCount() const;
    // The back buffer as a PNG in the directory the test started in (the
    // current one is the data directory).
    bool SaveShot(const char* fileName);

    CBillBoardManager* m_manager = nullptr;
    D3DXMATRIX m_camera;

private:
    std::string m_previousDirectory;
};
