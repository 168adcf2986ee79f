// Flames left where a human enemy was killed: one upright billboard that
// flickers between six pictures, drifts upwards and fades out over 255
// frames. Flames never hurt anyone.
#pragma once
#include "game/BillBoard.h"

class CFlameGenerator : public BillBoardNode {
public:
    static constexpr int kPictureCount = 6;

    static CFlameGenerator* GetInstance();
    static void DeleteInstance();

    // Names the pictures, loads the flame sound and the six textures (black
    // is transparent) into their caches. Once per game scene.
    void FlameInit();
    // A flame standing on position; plays the flame sound.
    void CreateFlame(D3DXVECTOR3* position);

    // Node callbacks.
    static int FlameProcess(BillBoardNode* node);
    static int FlameRender(BillBoardNode* node);

    const char* m_TextureName[kPictureCount] = {};

    static CFlameGenerator* m_lpFlameGenerator;

private:
    CFlameGenerator() = default;
    static IDirect3DTexture9* Picture(int index);
};
