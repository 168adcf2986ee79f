#include "game/BillBoard.h"

#include <algorithm>

#include "game/SphereHit.h"
#include "platform/d3d9/texture.h"

CBillBoard::CBillBoard() : m_Vertex{}, m_lpTexture(nullptr), m_AnimX(1), m_AnimY(1) {}

CBillBoard::~CBillBoard() = default;

void CBillBoard::SetQuad(float left, float right, float top, float bottom, D3DCOLOR colour) {
    m_Vertex[0] = {-left, -bottom, 0.0f, colour, 0.0f, 1.0f};
    m_Vertex[1] = {-left, top, 0.0f, colour, 0.0f, 0.0f};
    m_Vertex[2] = {right, -bottom, 0.0f, colour, 1.0f, 1.0f};
    m_Vertex[3] = {right, top, 0.0f, colour, 1.0f, 0.0f};
}

void CBillBoard::Init(float size, D3DCOLOR colour) {
    const float half = size / 2.0f;
    SetQuad(half, half, half, half, colour);
}

void CBillBoard::Init(float left, float right, float top, float bottom, D3DCOLOR colour) {
    SetQuad(left, right, top, bottom, colour);
}

void CBillBoard::SetAnimationInfo(std::int32_t framesAcross, std::int32_t framesDown) {
    m_AnimX = framesAcross;
    m_AnimY = framesDown;
}

void CBillBoard::SetAnimation(std::int32_t frame) {
    const std::int32_t column = frame % m_AnimX;
    const std::int32_t row = frame / m_AnimX;
    const float du = 1.0f / static_cast<float>(m_AnimX);
    const float dv = 1.0f / static_cast<float>(m_AnimY);
    const float left = du * static_cast<float>(column);
    const float right = du * static_cast<float>(column + 1);
    const float top = dv * static_cast<float>(row);
    const float bottom = dv * static_cast<float>(row + 1);
    m_Vertex[0].u = left;
    m_Vertex[0].v = bottom;
    m_Vertex[1].u = left;
    m_Vertex[1].v = top;
    m_Vertex[2].u = right;
    m_Vertex[2].v = bottom;
    m_Vertex[3].u = right;
    m_Vertex[3].v = top;
}

void CBillBoard::ChangeColor(D3DCOLOR colour) {
    for (BBVERTEX& vertex : m_Vertex) vertex.colour = colour;
}

void CBillBoard::AddSizeX(float a, float b) {
    m_Vertex[0].x -= a;
    m_Vertex[1].x -= a;
    m_Vertex[2].x += b;
    m_Vertex[3].x += a;
    m_Vertex[0].x = std::min(m_Vertex[0].x, 0.0f);
    m_Vertex[1].x = std::min(m_Vertex[1].x, 0.0f);
    m_Vertex[2].x = std::max(m_Vertex[2].x, 0.0f);
    m_Vertex[3].x = std::max(m_Vertex[3].x, 0.0f);
}

void CBillBoard::Draw(IDirect3DDevice9* device) {
    device->SetFVF(BBVERTEX_FVF);
    device->SetTexture(0, m_lpTexture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_Vertex, sizeof(BBVERTEX));
}

BillBoardNode::BillBoardNode()
    : m_Priority(0),
      m_lpNext(nullptr),
      m_lpPrev(nullptr),
      m_Count(0),
      m_Blend(0),
      m_Velocity(0.0f, 0.0f, 0.0f),
      m_lpTarget(nullptr),
      m_UpdateProc(nullptr),
      m_RenderProc(nullptr),
      m_lpSphereHit(nullptr),
      m_EffectType(EFFECT_DAMAGE),
      m_UseType(USE_NONE) {}

BillBoardNode::~BillBoardNode() { delete m_lpSphereHit; }

int BillBoardNode::UpdateProcess(BillBoardNode* argument) { return m_UpdateProc ? m_UpdateProc(argument) : -1; }

int BillBoardNode::RenderProcess(BillBoardNode* argument) { return m_RenderProc ? m_RenderProc(argument) : -1; }

int BillBoardNode::JudgmentProcess(CSphereHit* other, const D3DXMATRIX* otherMatrix) {
    if (!m_lpSphereHit) return 0;
    return CHitJudge::HitJudge(m_lpSphereHit, &m_World, other, otherMatrix);
}
