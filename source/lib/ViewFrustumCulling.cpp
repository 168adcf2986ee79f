#include "lib/ViewFrustumCulling.h"

#include <cmath>
#include <limits>

tag_VIEWFRUSTUM CViewFrustumCulling::Frustum{};

namespace {
D3DXVECTOR3 NormalOfPlaneThrough(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &a, &b);
    return *D3DXVec3Normalize(&normal, &normal);
}
}  // namespace

void CViewFrustumCulling::CreateFrustum(const D3DXMATRIX* view, float fieldOfView, float aspect, float zNear,
                                        float zFar) {
    // A view that cannot be inverted leaves the camera undefined: its frustum
    // is made of NaN, and every sphere counts as visible.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    D3DXMATRIX camera(nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan);
    D3DXMatrixInverse(&camera, nullptr, view);

    const D3DXVECTOR3 right(camera._11, camera._12, camera._13);
    const D3DXVECTOR3 up(camera._21, camera._22, camera._23);
    const D3DXVECTOR3 forward(camera._31, camera._32, camera._33);

    const float halfHeight = zFar * std::tan(fieldOfView / 2.0f * 0.017453292f);
    const float halfWidth = halfHeight * aspect;

    Frustum.Position = D3DXVECTOR3(camera._41, camera._42, camera._43);
    Frustum.Direction = forward;
    Frustum.Near = zNear;
    Frustum.Far = zFar;

    const auto corner = [&](float sx, float sy) {
        return right * (halfWidth * sx) + up * (halfHeight * sy) + forward * zFar;
    };
    const D3DXVECTOR3 leftTop = corner(-1, 1), rightTop = corner(1, 1);
    const D3DXVECTOR3 leftBottom = corner(-1, -1), rightBottom = corner(1, -1);
    Frustum.LeftNormal = NormalOfPlaneThrough(leftBottom, leftTop);
    Frustum.TopNormal = NormalOfPlaneThrough(leftTop, rightTop);
    Frustum.RightNormal = NormalOfPlaneThrough(rightTop, rightBottom);
    Frustum.BottomNormal = NormalOfPlaneThrough(rightBottom, leftBottom);
}

int CViewFrustumCulling::ObjectFrustumJudge(const D3DXVECTOR3* center, float radius) {
    const D3DXVECTOR3 offset = *center - Frustum.Position;
    const float depth = D3DXVec3Dot(&Frustum.Direction, &offset);
    if (depth < Frustum.Near - radius || depth > Frustum.Far + radius) return 0;
    const D3DXVECTOR3* normals[4] = {&Frustum.LeftNormal, &Frustum.TopNormal, &Frustum.RightNormal,
                                     &Frustum.BottomNormal};
    for (const D3DXVECTOR3* normal : normals)
        if (D3DXVec3Dot(normal, &offset) > radius) return 0;
    return 1;
}
