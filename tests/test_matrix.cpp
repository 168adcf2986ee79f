// Placed objects: the order of the building operations, the orienting
// operations, the camera's view, and the small global helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "lib/Camera.h"
#include "lib/Matrix.h"
#include "platform/win32/unknown.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }

void ExpectRow(const D3DXMATRIX& m, int row, double x, double y, double z, double tolerance = 1e-5) {
    SCOPED_TRACE(row + 1);
    EXPECT_NEAR(m.m[row][0], x, tolerance);
    EXPECT_NEAR(m.m[row][1], y, tolerance);
    EXPECT_NEAR(m.m[row][2], z, tolerance);
}

void ExpectVector(const D3DXVECTOR3& v, double x, double y, double z, double tolerance = 1e-5) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}
}  // namespace

TEST(Matrix, MoveAfterRotateYMovesAlongWorldAxes) {
    CMatrix object;
    object.RotateY(90);
    object.Move(10, 0, 0);
    D3DXVECTOR3 position, forward;
    EXPECT_EQ(object.GetPos(&position), &position);
    ExpectVector(position, 10, 0, 0);
    // The forward axis (0, 0, 1) turned 90 degrees about Y points along +x.
    object.GetZAxis(&forward);
    ExpectVector(forward, 1, 0, 0);
}

TEST(Matrix, RotateYAfterMoveSwingsAboutTheOrigin) {
    CMatrix object;
    object.Move(10, 0, 0);
    object.RotateY(90);
    D3DXVECTOR3 position;
    object.GetPos(&position);
    ExpectVector(position, 0, 0, -10);
}

TEST(Matrix, RotationsAboutEachAxis) {
    const double c = std::cos(Radians(30)), s = std::sin(Radians(30));
    CMatrix x, y, z;
    x.RotateX(30);
    ExpectRow(x.m_World, 0, 1, 0, 0);
    ExpectRow(x.m_World, 1, 0, c, s);
    ExpectRow(x.m_World, 2, 0, -s, c);
    y.RotateY(30);
    ExpectRow(y.m_World, 0, c, 0, -s);
    ExpectRow(y.m_World, 2, s, 0, c);
    z.RotateZ(30);
    ExpectRow(z.m_World, 0, c, s, 0);
    ExpectRow(z.m_World, 1, -s, c, 0);
    for (const CMatrix* m : {&x, &y, &z}) {
        EXPECT_NEAR(m->m_World._44, 1.0, 1e-7);
        EXPECT_EQ(m->m_World._14, 0.0f);
        EXPECT_EQ(m->m_World._41, 0.0f);
    }
}

TEST(Matrix, ScaleLastScalesThePositionToo) {
    CMatrix object;
    object.RotateY(30);
    object.Move(1, 2, 3);
    object.Scale(2, 3, 4);
    D3DXVECTOR3 position, right(object.m_World._11, object.m_World._12, object.m_World._13);
    object.GetPos(&position);
    ExpectVector(position, 2, 6, 12);
    EXPECT_NEAR(D3DXVec3Length(&right), std::hypot(2 * std::cos(Radians(30)), 4 * std::sin(Radians(30))), 1e-5);

    object.Identity();
    EXPECT_TRUE(D3DXMatrixIsIdentity(&object.m_World));
}

TEST(Matrix, OldWorldChangesOnlyWhenCommitted) {
    CMatrix object;
    object.Move(5, 6, 7);
    D3DXVECTOR3 old;
    EXPECT_EQ(object.GetOldPos(&old), &old);
    ExpectVector(old, 0, 0, 0);
    object.SetTransform(nullptr);
    object.GetOldPos(&old);
    ExpectVector(old, 5, 6, 7);
    object.Identity();
    object.Move(1, 1, 1);
    object.GetOldPos(&old);
    ExpectVector(old, 5, 6, 7);
}

TEST(Matrix, LookAtSetsTheAxesAndKeepsThePosition) {
    CMatrix object;
    object.Move(3, 4, 5);
    object.m_World._14 = 0.25f;  // the fourth column is not touched either
    const D3DXVECTOR3 direction(2, 0, 2), up(0, 1, 0);
    object.LookAt(&direction, &up);
    const double h = std::sqrt(0.5);
    ExpectRow(object.m_World, 0, h, 0, -h);
    ExpectRow(object.m_World, 1, 0, 1, 0);
    ExpectRow(object.m_World, 2, h, 0, h);
    ExpectRow(object.m_World, 3, 3, 4, 5);
    EXPECT_EQ(object.m_World._14, 0.25f);

    const D3DXVECTOR3 target(3, 14, 5), side(1, 0, 0);
    object.LookAtPos(&target, &side);
    ExpectRow(object.m_World, 2, 0, 1, 0);
    ExpectRow(object.m_World, 0, 0, 0, 1);  // cross((1, 0, 0), (0, 1, 0))
    ExpectRow(object.m_World, 3, 3, 4, 5);
}

TEST(Matrix, RotateLookAtRelativeAngleIsClampedAndTurnsInPlace) {
    CMatrix object;
    object.Move(3, 4, 5);
    const D3DXVECTOR3 right(10, 0, 0);
    object.RotateLookAtRelativeAngle(&right, 5.0f);
    // Turned 5 degrees from +z toward +x, about its own position.
    ExpectRow(object.m_World, 2, std::sin(Radians(5)), 0, std::cos(Radians(5)));
    ExpectRow(object.m_World, 0, std::cos(Radians(5)), 0, -std::sin(Radians(5)));
    ExpectRow(object.m_World, 3, 3, 4, 5);

    // A target nearer than the maximum is reached exactly.
    CMatrix near;
    const D3DXVECTOR3 slightlyUp(0, std::sin(Radians(2)), std::cos(Radians(2)));
    near.RotateLookAtRelativeAngle(&slightlyUp, 5.0f);
    ExpectRow(near.m_World, 2, 0, std::sin(Radians(2)), std::cos(Radians(2)), 1e-4);
}

TEST(Matrix, RotateLookAtRelativeAngleFacingExactlyAwayTurnsOneDegreeAboutY) {
    CMatrix object;
    const D3DXVECTOR3 behind(0, 0, -3);
    object.RotateLookAtRelativeAngle(&behind, 30.0f);
    ExpectRow(object.m_World, 2, std::sin(Radians(1)), 0, std::cos(Radians(1)));

    // The same for a scaled object, whose dot product is below -1.
    CMatrix scaled;
    scaled.Scale(2, 2, 2);
    scaled.RotateLookAtRelativeAngle(&behind, 0.5f);
    ExpectRow(scaled.m_World, 2, 2 * std::sin(Radians(1)), 0, 2 * std::cos(Radians(1)));
}

TEST(Matrix, RotateLookAtRelativeAngleComparesTheUnnormalisedForward) {
    CMatrix scaled;
    scaled.Scale(2, 2, 2);
    const D3DXMATRIX before = scaled.m_World;
    // 45 degrees off: 2 cos 45 = 1.41 counts as facing, so no turn.
    const D3DXVECTOR3 diagonal(1, 0, 1);
    scaled.RotateLookAtRelativeAngle(&diagonal, 5.0f);
    EXPECT_EQ(D3DXMATRIX(scaled.m_World), before);

    // 70 degrees off: 2 cos 70 = 0.68 turns, by the clamped 5 degrees, and
    // the scale is kept.
    const D3DXVECTOR3 wide(std::sin(Radians(70)), 0, std::cos(Radians(70)));
    scaled.RotateLookAtRelativeAngle(&wide, 5.0f);
    ExpectRow(scaled.m_World, 2, 2 * std::sin(Radians(5)), 0, 2 * std::cos(Radians(5)));

    // Already facing: nothing changes.
    CMatrix facing;
    const D3DXVECTOR3 ahead(0, 0, 7);
    facing.RotateLookAtRelativeAngle(&ahead, 5.0f);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&facing.m_World));
}

TEST(Matrix, RotateLookAtRelativeAngleWithoutATurnAxisStaysSound) {
    // A shrunken object facing its target exactly: the dot is below 1 but
    // there is no axis to turn about, and the matrix must not collapse.
    CMatrix shrunk;
    shrunk.Scale(0.5f, 0.5f, 0.5f);
    const D3DXMATRIX before = shrunk.m_World;
    const D3DXVECTOR3 ahead(0, 0, 1), zero(0, 0, 0), behind(0, 0, -1);
    shrunk.RotateLookAtRelativeAngle(&ahead, 5.0f);
    EXPECT_EQ(D3DXMATRIX(shrunk.m_World), before);
    shrunk.RotateLookAtRelativeAngle(&zero, 5.0f);
    EXPECT_EQ(D3DXMATRIX(shrunk.m_World), before);
    shrunk.RotateLookAtRelativeAngle(&behind, 5.0f);
    ExpectRow(shrunk.m_World, 2, 0.5 * std::sin(Radians(1)), 0, 0.5 * std::cos(Radians(1)));
}

TEST(Matrix, BillboardsCopyOrBuildTheirRotation) {
    CMatrix camera;
    camera.RotateX(20);
    camera.RotateY(70);
    camera.Move(9, 9, 9);

    CMatrix quad;
    quad.Move(1, 2, 3);
    quad.m_World._24 = 0.5f;
    quad.SetBillBoard(&camera.m_World);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(quad.m_World.m[r][c], camera.m_World.m[r][c]);
    ExpectRow(quad.m_World, 3, 1, 2, 3);
    EXPECT_EQ(quad.m_World._24, 0.5f);

    // A strip that may only turn about Y, seen from the origin.
    CMatrix strip;
    strip.Move(10, 0, 0);
    const D3DXVECTOR3 eye(0, 0, 0), axis(0, 5, 0);
    strip.SetBillBoardAxisY(&eye, &axis);
    ExpectRow(strip.m_World, 0, 0, 0, -1);
    ExpectRow(strip.m_World, 1, 0, 1, 0);
    ExpectRow(strip.m_World, 2, 1, 0, 0);
    ExpectRow(strip.m_World, 3, 10, 0, 0);

    // A tilted axis stays the up axis; the forward axis is perpendicular to it.
    const D3DXVECTOR3 tilted(1, 1, 0);
    strip.SetBillBoardAxisY(&eye, &tilted);
    const double h = std::sqrt(0.5);
    ExpectRow(strip.m_World, 1, h, h, 0);
    ExpectRow(strip.m_World, 0, 0, 0, -1);
    ExpectRow(strip.m_World, 2, h, -h, 0);
}

TEST(Camera, ViewIsTheInverseOfTheCommittedWorld) {
    CCamera camera;
    EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.m_View));

    const D3DXVECTOR3 eye(3, 4, -5), target(1, 2, 8), up(0, 1, 0);
    camera.Move(eye.x, eye.y, eye.z);
    camera.LookAtPos(&target, &up);
    camera.SetTransform(nullptr);

    D3DXMATRIX lookAt;
    D3DXMatrixLookAtLH(&lookAt, &eye, &target, &up);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(camera.m_View.m[r][c], lookAt.m[r][c], 1e-5);
    D3DXVECTOR3 old;
    camera.GetOldPos(&old);
    ExpectVector(old, 3, 4, -5);

    // Through the base class too.
    CMatrix* placed = &camera;
    camera.Identity();
    placed->SetTransform(nullptr);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.m_View));
}

namespace {
struct Counted : IUnknown {
    explicit Counted(int* deletions) : m_deletions(deletions) {}
    ~Counted() override { ++*m_deletions; }
    int* m_deletions;
};
}  // namespace

TEST(GlobalHelpers, FloatBitsReleaseAndScalarTimesVector) {
    EXPECT_EQ(FtoDW(1.0f), 0x3F800000u);
    EXPECT_EQ(FtoDW(-2.5f), 0xC0200000u);
    EXPECT_EQ(FtoDW(0.0f), 0u);

    int deletions = 0;
    Counted* object = new Counted(&deletions);
    object->AddRef();
    Counted* borrowed = object;
    SafeRelease(&borrowed);
    EXPECT_EQ(borrowed, nullptr);
    EXPECT_EQ(deletions, 0);
    SafeRelease(&object);
    EXPECT_EQ(deletions, 1);
    SafeRelease(&object);  // null: left alone
    EXPECT_EQ(deletions, 1);

    const D3DXVECTOR3 v(1, -2, 3);
    EXPECT_EQ(2.5f * v, D3DXVECTOR3(2.5f, -5, 7.5f));
}
