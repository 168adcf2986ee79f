// The one list of live billboards: updated and drawn every frame, and asked
// by every character which of the other side's projectiles touch it.
#pragma once
#include <cstdint>

#include "game/BillBoard.h"
#include "lib/basalt/List.h"
#include "platform/crt/random.h"

class BaseShader;
class CSphereHit;

class CBillBoardManager {
public:
    static CBillBoardManager* GetInstance();

    // Stores the device and the camera's world matrix and empties the list.
    void Init(IDirect3DDevice9* device, D3DXMATRIX* cameraMatrix);
    // One frame of every live node; nodes whose update asks for it are
    // removed. Nodes created by a callback are updated in the same walk.
    void UpdateProcess();
    void RendreProcess();
    // The number of live nodes of exactly this use and effect whose hit
    // sphere touches sphere (carried by matrix).
    std::int16_t JudgmentProcess(CSphereHit& sphere, D3DXMATRIX& matrix, USE_TYPE use, EFFECT_TYPE effect);
    // Deletes every node and the manager.
    static void UnLoad();

    // A new node at the end of the list (key 1), for the generators.
    BillBoardNode* AddNode() { return m_List.Add(1); }

    D3DXMATRIX* GetCameraMatrix() const { return m_lpCameraMatrix; }
    IDirect3DDevice9* GetDevice() const { return m_lpDevice; }
    BaseShader* GetShader() const { return m_lpShader; }
    void SetShader(BaseShader* shader) { m_lpShader = shader; }

    static CBillBoardManager* lpBillBoardManager;

    D3DXMATRIX* m_lpCameraMatrix = nullptr;  // the camera's m_World; not owned
    IDirect3DDevice9* m_lpDevice = nullptr;
    BaseShader* m_lpShader = nullptr;  // not used by the drawing
    CList<BillBoardNode> m_List;

private:
    CBillBoardManager() = default;
};

// What every kind's render callback does: commit the node's matrix to the
// device, skip it when its position lies outside the view frustum by
// cullRadius, draw it additively (m_Blend 1) or alpha blended (2). Returns 0.
int RenderBillBoardNode(BillBoardNode* node, float cullRadius);

// A texture from the cache, requested the way every billboard kind asks for
// it (default filtering and size, no usage), through the manager's device.
IDirect3DTexture9* BillBoardTexture(const char* fileName, D3DCOLOR colourKey = 0);

// rand() / 32768 x k, uniform in [0, k): the random spread every billboard
// kind draws its drift and scatter from.
inline float RandomUpTo(float k) { return static_cast<float>(CrtRand()) / 32768.0f * k; }
