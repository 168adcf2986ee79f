#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lib/Camera.h"
#include "lib/ViewFrustumCulling.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }

void ExpectVector(const D3DXVECTOR3& v, double x, double y, double z, double tolerance = 1e-5) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// The game's frustum for a camera at the origin looking along +z.
void BuildStraightAhead(float zFar = 5000.0f) {
    D3DXMATRIX view;
    D3DXMatrixIdentity(&view);
    CViewFrustumCulling::CreateFrustum(&view, 80.0f, 1.3333333f, 1.0f, zFar);
}

int Judge(float x, float y, float z, float radius) {
    const D3DXVECTOR3 centre(x, y, z);
    return CViewFrustumCulling::ObjectFrustumJudge(&centre, radius);
}
}  // namespace

TEST(ViewFrustum, SidePlanesLeanOutByHalfTheFieldOfView) {
    BuildStraightAhead();
    const tag_VIEWFRUSTUM& f = CViewFrustumCulling::Frustum;
    ExpectVector(f.Position, 0, 0, 0);
    ExpectVector(f.Direction, 0, 0, 1);
    EXPECT_EQ(f.Near, 1.0f);
    EXPECT_EQ(f.Far, 5000.0f);
    // Vertical half angle 40 degrees; horizontal half angle from tan 40 x 4/3.
    const double v = Radians(40);
    const double h = std::atan(std::tan(v) * 4.0 / 3.0);
    ExpectVector(f.TopNormal, 0, std::cos(v), -std::sin(v));
    ExpectVector(f.BottomNormal, 0, -std::cos(v), -std::sin(v));
    ExpectVector(f.LeftNormal, -std::cos(h), 0, -std::sin(h));
    ExpectVector(f.RightNormal, std::cos(h), 0, -std::sin(h));
}

TEST(ViewFrustum, NearAndFarLimitsAllowForTheRadius) {
    BuildStraightAhead();
    EXPECT_EQ(Judge(0, 0, 100, 1), 1);
    // Behind the near plane by less than the radius: still visible.
    EXPECT_EQ(Judge(0, 0, 0.5f, 1), 1);
    EXPECT_EQ(Judge(0, 0, -0.5f, 2), 1);
    EXPECT_EQ(Judge(0, 0, -0.1f, 1), 0);
    // Straight ahead beyond Far + r is rejected; at Far + r it is not.
    EXPECT_EQ(Judge(0, 0, 5002.5f, 2), 0);
    EXPECT_EQ(Judge(0, 0, 5002.0f, 2), 1);
    EXPECT_EQ(Judge(0, 0, 5001.5f, 2), 1);

    BuildStraightAhead(70.0f);
    EXPECT_EQ(Judge(0, 0, 100, 5), 0);
    EXPECT_EQ(Judge(0, 0, 74, 5), 1);
}

TEST(ViewFrustum, ASphereTouchingASidePlaneIsVisible) {
    BuildStraightAhead();
    const D3DXVECTOR3 above(0, 2000, 1000);
    const float distance = D3DXVec3Dot(&CViewFrustumCulling::Frustum.TopNormal, &above);
    ASSERT_GT(distance, 800.0f);
    EXPECT_EQ(CViewFrustumCulling::ObjectFrustumJudge(&above, distance), 1);
    EXPECT_EQ(CViewFrustumCulling::ObjectFrustumJudge(&above, std::nextafter(distance, 0.0f)), 0);
    // Each side rejects what lies beyond it.
    EXPECT_EQ(Judge(0, -2000, 1000, 10), 0);
    EXPECT_EQ(Judge(-2000, 0, 1000, 10), 0);
    EXPECT_EQ(Judge(2000, 0, 1000, 10), 0);
    // Horizontally the view is wider than vertically: 45 degrees off the axis
    // is inside sideways (half angle 48.2) but outside upward (40).
    EXPECT_EQ(Judge(1000, 0, 1000, 1), 1);
    EXPECT_EQ(Judge(0, 1000, 1000, 1), 0);
}

TEST(ViewFrustum, FollowsATurnedAndMovedCamera) {
    CCamera camera;
    camera.RotateY(90);
    camera.Move(100, 0, 0);
    camera.SetTransform(nullptr);
    CViewFrustumCulling::CreateFrustum(&camera.m_View, 80.0f, 1.3333333f, 1.0f, 5000.0f);
    ExpectVector(CViewFrustumCulling::Frustum.Position, 100, 0, 0, 1e-4);
    ExpectVector(CViewFrustumCulling::Frustum.Direction, 1, 0, 0);
    EXPECT_EQ(Judge(200, 0, 0, 1), 1);
    EXPECT_EQ(Judge(0, 0, 0, 1), 0);
    EXPECT_EQ(Judge(200, 0, 60, 1), 1);
    EXPECT_EQ(Judge(200, 0, 300, 1), 0);
    EXPECT_EQ(Judge(200, 0, -300, 1), 0);
}

TEST(ViewFrustum, NotANumberCountsAsInside) {
    BuildStraightAhead();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Judge(nan, 0, 0, 1), 1);
    EXPECT_EQ(Judge(0, 0, -100, nan), 1);

    // A view that cannot be inverted gives a frustum that hides nothing.
    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 0, 0, 0);
    CViewFrustumCulling::CreateFrustum(&singular, 80.0f, 1.3333333f, 1.0f, 5000.0f);
    EXPECT_EQ(Judge(0, 0, -100, 1), 1);
}
