// D3DX math against values worked out by hand from the published formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx9/d3dx9math.h"

namespace {
void ExpectMatrixNear(const D3DXMATRIX& actual, const float (&expected)[16], float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual.m[i / 4][i % 4], expected[i], tolerance) << "entry " << i;
}
}  // namespace

TEST(Math, PerspectiveFovForEightyDegreesAtFourToThree) {
    D3DXMATRIX m;
    D3DXMatrixPerspectiveFovLH(&m, 1.3962634f, 1.3333333f, 1.0f, 10000.0f);
    // yScale = cot(40 deg) = 1.1917536, xScale = yScale / aspect,
    // zf / (zf - zn) and -zn zf / (zf - zn).
    const float expected[16] = {0.8938152f, 0, 0, 0, 0, 1.1917536f, 0, 0, 0, 0, 1.0001000f, 1, 0, 0, -1.0001000f, 0};
    ExpectMatrixNear(m, expected, 2e-5f);
}

TEST(Math, InverseOfARotationTranslationUndoesIt) {
    D3DXMATRIX rotation, translation, m, inverse, product;
    D3DXMatrixRotationY(&rotation, D3DX_PI / 2);
    // Row vectors, left-handed: a quarter turn about y takes +x to -z.
    const D3DXVECTOR3 x(1, 0, 0);
    D3DXVECTOR3 turned;
    D3DXVec3TransformCoord(&turned, &x, &rotation);
    EXPECT_NEAR(turned.x, 0.0f, 1e-6f);
    EXPECT_NEAR(turned.z, -1.0f, 1e-6f);

    D3DXMatrixTranslation(&translation, 3, 4, 5);
    D3DXMatrixMultiply(&m, &rotation, &translation);  // rotate, then move
    float determinant = 0;
    ASSERT_NE(D3DXMatrixInverse(&inverse, &determinant, &m), nullptr);
    EXPECT_NEAR(determinant, 1.0f, 1e-5f);
    // The inverse moves back, then turns back: its translation row is
    // -(3, 4, 5) turned by -90 degrees about y: (5, -4, -3).
    EXPECT_NEAR(inverse._41, 5.0f, 1e-5f);
    EXPECT_NEAR(inverse._42, -4.0f, 1e-5f);
    EXPECT_NEAR(inverse._43, -3.0f, 1e-5f);
    D3DXMatrixMultiply(&product, &m, &inverse);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ExpectMatrixNear(product, identity);
}

TEST(Math, LookAtAndProjectPlaceAKnownPointOnTheViewport) {
    D3DXMATRIX view, projection, world;
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    EXPECT_NEAR(view._43, 10.0f, 1e-6f);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    D3DXMatrixIdentity(&world);
    const D3DVIEWPORT9 viewport{0, 0, 800, 600, 0.0f, 1.0f};
    // (5, 5, 0) is 10 in front of the eye: ndc (0.5, 0.5).
    const D3DXVECTOR3 point(5, 5, 0);
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &point, &viewport, &projection, &view, &world);
    EXPECT_NEAR(screen.x, 600.0f, 1e-3f);
    EXPECT_NEAR(screen.y, 150.0f, 1e-3f);
    // z = (zf (d - zn)) / (d (zf - zn)) at d = 10.
    EXPECT_NEAR(screen.z, 100.0f * 9.0f / (10.0f * 99.0f), 1e-5f);
}

TEST(Math, QuaternionsSlerpAndBuildRotations) {
    D3DXQUATERNION a, b, half;
    const D3DXVECTOR3 axis(0, 1, 0);
    D3DXQuaternionRotationAxis(&a, &axis, 0.0f);
    D3DXQuaternionRotationAxis(&b, &axis, D3DX_PI / 2);
    EXPECT_NEAR(b.y, std::sin(D3DX_PI / 4), 1e-6f);
    EXPECT_NEAR(b.w, std::cos(D3DX_PI / 4), 1e-6f);
    D3DXQuaternionSlerp(&half, &a, &b, 0.5f);
    EXPECT_NEAR(half.y, std::sin(D3DX_PI / 8), 1e-5f);
    EXPECT_NEAR(half.w, std::cos(D3DX_PI / 8), 1e-5f);
    D3DXMATRIX fromQuaternion, direct;
    D3DXMatrixRotationQuaternion(&fromQuaternion, &b);
    D3DXMatrixRotationY(&direct, D3DX_PI / 2);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(fromQuaternion.m[i / 4][i % 4], direct.m[i / 4][i % 4], 1e-5f);
}

TEST(Math, Vec4NormaliseAndColourModulate) {
    const D3DXVECTOR4 v(1, 2, 2, 4);
    D3DXVECTOR4 n;
    D3DXVec4Normalize(&n, &v);
    EXPECT_NEAR(n.x, 0.2f, 1e-6f);
    EXPECT_NEAR(n.w, 0.8f, 1e-6f);
    const D3DXCOLOR a(0.5f, 0.25f, 1.0f, 1.0f), b(0.25f, 0.25f, 0.25f, 1.0f);
    D3DXCOLOR c;
    D3DXColorModulate(&c, &a, &b);
    EXPECT_FLOAT_EQ(c.r, 0.125f);
    EXPECT_FLOAT_EQ(c.b, 0.25f);
    EXPECT_FLOAT_EQ(c.a, 1.0f);
}
