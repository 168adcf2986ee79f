// One view frustum for the whole program, rebuilt from a view matrix, and
// the test of a bounding sphere against it.
#pragma once
#include "platform/d3dx9/d3dx9math.h"

struct tag_VIEWFRUSTUM {
    D3DXVECTOR3 Position;   // the eye
    D3DXVECTOR3 Direction;  // viewing direction
    // Outward normals of the four side planes, which all pass through the eye.
    D3DXVECTOR3 LeftNormal;
    D3DXVECTOR3 TopNormal;
    D3DXVECTOR3 RightNormal;
    D3DXVECTOR3 BottomNormal;
    float Near;  // distances along Direction
    float Far;
};

class CViewFrustumCulling {
public:
    CViewFrustumCulling() = delete;

    // fieldOfView is the vertical angle in degrees.
    static void CreateFrustum(const D3DXMATRIX* view, float fieldOfView, float aspect, float zNear, float zFar);
    // 1 when the sphere may be visible, 0 when it lies wholly outside. A
    // comparison with a value that is not a number counts as inside.
    static int ObjectFrustumJudge(const D3DXVECTOR3* center, float radius);

    static tag_VIEWFRUSTUM Frustum;
};
