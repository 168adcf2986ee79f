// Small pieces every weapon and item generator uses when it builds or runs
// its billboard nodes.
#pragma once
#include "game/SphereHit.h"
#include "platform/d3d9/d3d9types.h"
#include "platform/d3dx9/d3dx9math.h"

namespace weapon {

constexpr D3DCOLOR kOpaqueWhite = 0xFFFFFFFF;

// White with the given alpha (0 to 255).
inline D3DCOLOR WhiteWithAlpha(int alpha) { return D3DCOLOR_ARGB(alpha, 0xFF, 0xFF, 0xFF); }

// The integer part of the alpha of a node that fades out linearly from
// fadeStart over fadeLength frames (255 at fadeStart).
inline int FadingAlpha(int count, int fadeStart, float fadeLength) {
    return static_cast<int>(255.0f * (1.0f - static_cast<float>(count - fadeStart) / fadeLength));
}

// A hit sphere of the radius, centred on its node.
inline CSphereHit* NewCentredSphere(float radius) {
    const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    return new CSphereHit(&centre, &radius);
}

// vector turned about the world y axis by degrees.
inline D3DXVECTOR3 TurnedAboutY(const D3DXVECTOR3& vector, float degrees) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationY(&rotation, degrees * (D3DX_PI / 180.0f));
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &vector, &rotation);
    return out;
}
}  // namespace weapon
