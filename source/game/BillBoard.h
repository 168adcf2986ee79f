// Billboards: camera-facing textured squares that carry every projectile,
// burst, flame and item. A CBillBoard is the quad itself with its sprite-sheet
// animation; a BillBoardNode carries one billboard through its life in the
// billboard manager's list, with the two callbacks that give it behaviour.
#pragma once
#include <cstdint>

#include "lib/Matrix.h"
#include "platform/d3d9/d3d9.h"

class CSphereHit;

// Position, diffuse colour, one texture coordinate pair.
constexpr DWORD BBVERTEX_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct BBVERTEX {
    float x, y, z;
    D3DCOLOR colour;  // 0xAARRGGBB
    float u, v;
};
static_assert(sizeof(BBVERTEX) == 24);

// Whose a node is.
enum USE_TYPE : std::int32_t {
    USE_NONE = 0,    // effects that never hurt
    USE_PLAYER = 1,  // the player's attacks
    USE_ENEMY = 2,   // the enemies' fireballs
    USE_ITEM = 3,    // recovery items and their pick-up flash
};

// What a touch does.
enum EFFECT_TYPE : std::int32_t {
    EFFECT_DAMAGE = 0,
    EFFECT_EXPLODE = 1,  // visual only
    EFFECT_RECOVERY = 2,
};

class CBillBoard : public CMatrix {
public:
    CBillBoard();
    ~CBillBoard() override;

    // A square of side size centred on the origin, the whole texture on it.
    void Init(float size, D3DCOLOR colour);
    // Corners at x = -left and +right, y = -bottom and +top.
    void Init(float left, float right, float top, float bottom, D3DCOLOR colour);
    void SetTexture(IDirect3DTexture9* texture) { m_lpTexture = texture; }
    void SetAnimationInfo(std::int32_t framesAcross, std::int32_t framesDown);
    // Shows one frame of the sheet; frames run left to right, then top to
    // bottom. A frame past the last lands below the sheet.
    virtual void SetAnimation(std::int32_t frame);
    void ChangeColor(D3DCOLOR colour);
    // Pushes the left edge out by a, the bottom right corner by b and the top
    // right corner by a; no edge crosses the origin.
    void AddSizeX(float a, float b);
    // The quad with its texture; world transform and blending are the
    // caller's.
    void Draw(IDirect3DDevice9* device);

    // Triangle-strip order: bottom left, top left, bottom right, top right.
    BBVERTEX m_Vertex[4];
    IDirect3DTexture9* m_lpTexture;  // borrowed from the texture cache
    std::int32_t m_AnimX;
    std::int32_t m_AnimY;

private:
    void SetQuad(float left, float right, float top, float bottom, D3DCOLOR colour);
};

class BillBoardNode;
// A node's update or render behaviour. The manager calls it with the node;
// an update result of 1 asks for the node's removal.
using BillBoardProc = int (*)(BillBoardNode* node);

class BillBoardNode : public CBillBoard {
public:
    BillBoardNode();
    ~BillBoardNode() override;
    BillBoardNode(const BillBoardNode&) = delete;
    BillBoardNode& operator=(const BillBoardNode&) = delete;

    // The callback's result, or -1 when there is none.
    int UpdateProcess(BillBoardNode* argument);
    int RenderProcess(BillBoardNode* argument);
    // 1 when the node's hit sphere (carried by m_World) touches other
    // (carried by otherMatrix); 0 when it has no sphere.
    int JudgmentProcess(CSphereHit* other, const D3DXMATRIX* otherMatrix);

    std::uint32_t m_Priority;  // list key
    BillBoardNode* m_lpNext;
    BillBoardNode* m_lpPrev;
    std::int32_t m_Count;  // age, or a countdown for some kinds
    std::int32_t m_Blend;  // 0 not drawn, 1 additive, 2 alpha blended
    D3DXVECTOR3 m_Velocity;
    D3DXMATRIX* m_lpTarget;  // homing target; not owned
    BillBoardProc m_UpdateProc;
    BillBoardProc m_RenderProc;
    CSphereHit* m_lpSphereHit;  // owned
    EFFECT_TYPE m_EffectType;
    USE_TYPE m_UseType;
};
