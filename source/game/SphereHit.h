// Collision spheres: defined in an object's model space and carried into the
// world by the object's matrix at the moment of a test.
#pragma once
#include "platform/d3dx9/d3dx9math.h"

class CSphereHit {
public:
    CSphereHit();
    CSphereHit(const D3DXVECTOR3* center, const float* radius);

    float GetRadius() const { return m_Radius; }
    D3DXVECTOR3* GetPos(D3DXVECTOR3* out) const;
    // m_WorldCenter = m_LocalCenter carried by the matrix.
    void UpdatePos(const D3DXMATRIX* world);
    // The radius in the world: only the x-axis scale (length of the first
    // row) counts.
    float UpdateRad(D3DXMATRIX world) const;

    D3DXVECTOR3 m_LocalCenter;
    float m_Radius;
    D3DXVECTOR3 m_WorldCenter;
};

class CHitJudge {
public:
    CHitJudge() = delete;

    // Spheres carried by their matrices; the world centres stay updated.
    // 1 for a hit (touching counts), 0 otherwise.
    static int HitJudge(CSphereHit* a, const D3DXMATRIX* worldA, CSphereHit* b, const D3DXMATRIX* worldB);
    // Spheres at their last world centres with their model-space radii.
    static int HitJudge(const CSphereHit* a, const CSphereHit* b);
};
