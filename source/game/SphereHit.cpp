#include "game/SphereHit.h"

#include <cmath>

CSphereHit::CSphereHit() : m_LocalCenter(0, 0, 0), m_Radius(0), m_WorldCenter(0, 0, 0) {}

CSphereHit::CSphereHit(const D3DXVECTOR3* center, const float* radius)
    : m_LocalCenter(*center), m_Radius(*radius), m_WorldCenter(*center) {}

D3DXVECTOR3* CSphereHit::GetPos(D3DXVECTOR3* out) const {
    *out = m_WorldCenter;
    return out;
}

void CSphereHit::UpdatePos(const D3DXMATRIX* world) { D3DXVec3TransformCoord(&m_WorldCenter, &m_LocalCenter, world); }

float CSphereHit::UpdateRad(D3DXMATRIX world) const {
    const D3DXVECTOR3 xAxis(world._11, world._12, world._13);
    return std::fabs(D3DXVec3Length(&xAxis)) * m_Radius;
}

namespace {
int Touches(const CSphereHit& a, const CSphereHit& b, float radiusA, float radiusB) {
    const D3DXVECTOR3 between = a.m_WorldCenter - b.m_WorldCenter;
    return D3DXVec3Length(&between) <= radiusA + radiusB ? 1 : 0;
}
}  // namespace

int CHitJudge::HitJudge(CSphereHit* a, const D3DXMATRIX* worldA, CSphereHit* b, const D3DXMATRIX* worldB) {
    const float radiusA = a->UpdateRad(*worldA);
    const float radiusB = b->UpdateRad(*worldB);
    a->UpdatePos(worldA);
    b->UpdatePos(worldB);
    return Touches(*a, *b, radiusA, radiusB);
}

int CHitJudge::HitJudge(const CSphereHit* a, const CSphereHit* b) { return Touches(*a, *b, a->m_Radius, b->m_Radius); }
