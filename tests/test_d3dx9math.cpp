// The D3DX math subset against values worked out here from the published
// formulas (in double precision), never from the functions under test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "platform/d3dx9/d3dx9math.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }

void ExpectMatrixNear(const D3DXMATRIX& actual, const double (&expected)[4][4], double tolerance = 1e-5) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected[r][c], tolerance) << "row " << r + 1 << " column " << c + 1;
}

void ExpectVectorNear(const D3DXVECTOR3& actual, double x, double y, double z, double tolerance = 1e-5) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

// Rodrigues' formula for a unit axis k: v cos a + (k x v) sin a + k (k . v)(1 - cos a).
void RotateAboutAxis(const double k[3], double angle, const double v[3], double out[3]) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double cross[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2], k[0] * v[1] - k[1] * v[0]};
    const double dot = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    for (int i = 0; i < 3; ++i) out[i] = v[i] * c + cross[i] * s + k[i] * dot * (1.0 - c);
}
}  // namespace

TEST(D3DXMath, TypesHaveTheDirect3DLayout) {
    static_assert(sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXVECTOR4) == 16 && sizeof(D3DXMATRIX) == 64);
    static_assert(sizeof(D3DXQUATERNION) == 16 && sizeof(D3DXCOLOR) == 16 && sizeof(D3DVIEWPORT9) == 24);
    static_assert(alignof(D3DXMATRIXA16) == 16);
    static_assert(D3DTS_WORLD == 256 && D3DTS_VIEW == 2 && D3DTS_PROJECTION == 3);

    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(m.m[3][0], 13.0f);
    EXPECT_EQ(m._23, 7.0f);
    EXPECT_EQ(m(2, 3), 12.0f);
    const float* flat = m;
    EXPECT_EQ(flat[13], 14.0f);

    auto heap = std::make_unique<D3DXMATRIXA16[]>(3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&heap[i]) % 16, 0u);
}

TEST(D3DXMath, ColourMacrosAndConversions) {
    EXPECT_EQ(D3DCOLOR_ARGB(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_RGBA(0x34, 0x56, 0x78, 0x12), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_XRGB(1, 2, 3), 0xFF010203u);
    EXPECT_EQ(D3DCOLOR_ARGB(0x1FF, 0, 0, 0), 0xFF000000u);
    // 0.5 x 255 = 127.5 truncates to 127.
    EXPECT_EQ(D3DCOLOR_COLORVALUE(1.0f, 0.5f, 0.0f, 1.0f), 0xFFFF7F00u);

    const D3DXCOLOR colour(0x80FF4000u);
    EXPECT_FLOAT_EQ(colour.a, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(colour.r, 1.0f);
    EXPECT_FLOAT_EQ(colour.g, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(colour.b, 0.0f);
    EXPECT_EQ(static_cast<DWORD>(colour), 0x80FF4000u);
    // Out-of-range channels clamp, in-range ones round to nearest.
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(1.5f, -0.2f, 0.5f, 1.0f)), 0xFFFF0080u);

    D3DXCOLOR product;
    const D3DXCOLOR a(0.5f, 1.0f, 0.25f, 0.8f), b(0.5f, 0.2f, 1.0f, 0.5f);
    D3DXColorModulate(&product, &a, &b);
    EXPECT_FLOAT_EQ(product.r, 0.25f);
    EXPECT_FLOAT_EQ(product.g, 0.2f);
    EXPECT_FLOAT_EQ(product.b, 0.25f);
    EXPECT_FLOAT_EQ(product.a, 0.4f);
}

TEST(D3DXMath, VectorOperations) {
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
    D3DXVECTOR3 z;
    D3DXVec3Cross(&z, &x, &y);
    EXPECT_EQ(z, D3DXVECTOR3(0, 0, 1));
    D3DXVECTOR3 a(1, 2, 3);
    D3DXVec3Cross(&a, &a, &y);  // out aliases an input
    ExpectVectorNear(a, -3, 0, 1);

    const D3DXVECTOR3 v(3, 4, 12);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 13.0f);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&v), 169.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&v, &x), 3.0f);
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    ExpectVectorNear(n, 3.0 / 13, 4.0 / 13, 12.0 / 13);
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    EXPECT_EQ(n, zero);

    D3DXVECTOR3 mid;
    D3DXVec3Lerp(&mid, &x, &v, 0.25f);
    ExpectVectorNear(mid, 1.5, 1.0, 3.0);
    EXPECT_EQ(v - x, D3DXVECTOR3(2, 4, 12));
    EXPECT_EQ(v / 2.0f, D3DXVECTOR3(1.5f, 2, 6));
    EXPECT_EQ(-v * 2.0f, D3DXVECTOR3(-6, -8, -24));

    D3DXVECTOR4 w(1, 2, 2, 4);
    D3DXVec4Normalize(&w, &w);
    EXPECT_FLOAT_EQ(w.x, 0.2f);
    EXPECT_FLOAT_EQ(w.y, 0.4f);
    EXPECT_FLOAT_EQ(w.z, 0.4f);
    EXPECT_FLOAT_EQ(w.w, 0.8f);
}

TEST(D3DXMath, MultiplyAppliesTheLeftMatrixFirst) {
    D3DXMATRIX rotate, translate, product;
    D3DXMatrixRotationY(&rotate, static_cast<float>(Radians(90)));
    D3DXMatrixTranslation(&translate, 10, 0, 0);
    D3DXMatrixMultiply(&product, &rotate, &translate);
    const D3DXVECTOR3 p(1, 0, 0);
    D3DXVECTOR3 out;
    // (1, 0, 0) turned 90 degrees about Y is (0, 0, -1), then moved by 10 in x.
    D3DXVec3TransformCoord(&out, &p, &product);
    ExpectVectorNear(out, 10, 0, -1);
    EXPECT_EQ(product, rotate * translate);

    D3DXMATRIX general(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    D3DXMATRIX other(2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 0, 0, 0, 2, 0, 1);
    D3DXMATRIX expected;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += double(general.m[r][k]) * other.m[k][c];
            expected.m[r][c] = static_cast<float>(sum);
        }
    D3DXMatrixMultiply(&general, &general, &other);  // out aliases the left input
    EXPECT_EQ(general, expected);
}

TEST(D3DXMath, InverseOfRotationTranslation) {
    const double angle = Radians(30);
    const double c = std::cos(angle), s = std::sin(angle);
    D3DXMATRIX rotate, translate, world, inverse;
    D3DXMatrixRotationY(&rotate, static_cast<float>(angle));
    D3DXMatrixTranslation(&translate, 1, 2, 3);
    world = rotate * translate;
    float determinant = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &world), &inverse);
    EXPECT_NEAR(determinant, 1.0, 1e-6);
    // The inverse of R then T is T^-1 then R^T: rotation rows transposed,
    // translation -t R^T.
    const double expected[4][4] = {
        {c, 0, s, 0}, {0, 1, 0, 0}, {-s, 0, c, 0}, {-(1 * c - 3 * s), -2, -(1 * s + 3 * c), 1}};
    ExpectMatrixNear(inverse, expected);

    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, 2, 3, 4);
    EXPECT_NE(D3DXMatrixInverse(&inverse, &determinant, &scaling), nullptr);
    EXPECT_FLOAT_EQ(determinant, 24.0f);
    EXPECT_FLOAT_EQ(inverse._33, 0.25f);
    EXPECT_NE(D3DXMatrixInverse(&inverse, nullptr, &scaling), nullptr);

    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    D3DXMATRIX untouched = translate;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &determinant, &singular), nullptr);
    EXPECT_EQ(determinant, 0.0f);
    EXPECT_EQ(untouched, translate);
}

TEST(D3DXMath, InverseOfAGeneralMatrixGivesIdentity) {
    D3DXMATRIX m(2, 1, 0, 0, 1, 3, 1, 0, 0, 1, 4, 1, 5, -2, 7, 1), inverse, product;
    ASSERT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);
    D3DXMatrixMultiply(&product, &m, &inverse);
    const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ExpectMatrixNear(product, identity);
    D3DXMatrixIdentity(&product);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&product));
}

TEST(D3DXMath, AxisRotationsMatchRodrigues) {
    const double angle = Radians(37);
    const double v[3] = {0.3, -1.2, 2.5};
    const D3DXVECTOR3 point(0.3f, -1.2f, 2.5f);
    const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    D3DXMATRIX rotation[3];
    D3DXMatrixRotationX(&rotation[0], static_cast<float>(angle));
    D3DXMatrixRotationY(&rotation[1], static_cast<float>(angle));
    D3DXMatrixRotationZ(&rotation[2], static_cast<float>(angle));
    for (int i = 0; i < 3; ++i) {
        double expected[3];
        RotateAboutAxis(axes[i], angle, v, expected);
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &point, &rotation[i]);
        SCOPED_TRACE(i);
        ExpectVectorNear(out, expected[0], expected[1], expected[2]);
    }

    // An arbitrary axis, given unnormalised.
    const double length = std::sqrt(1.0 + 4.0 + 4.0);
    const double k[3] = {1 / length, 2 / length, -2 / length};
    const D3DXVECTOR3 axis(1, 2, -2);
    D3DXMATRIX about;
    D3DXMatrixRotationAxis(&about, &axis, static_cast<float>(angle));
    double expected[3];
    RotateAboutAxis(k, angle, v, expected);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &point, &about);
    ExpectVectorNear(out, expected[0], expected[1], expected[2]);
    EXPECT_FLOAT_EQ(about._44, 1.0f);
    EXPECT_FLOAT_EQ(about._41, 0.0f);

    D3DXVECTOR3 normal;
    D3DXMATRIX moved = about;
    moved._41 = 50;
    D3DXVec3TransformNormal(&normal, &point, &moved);
    ExpectVectorNear(normal, expected[0], expected[1], expected[2]);
}

TEST(D3DXMath, QuaternionsRotateLikeTheirMatrices) {
    const double angle = Radians(50);
    const D3DXVECTOR3 axis(0, 3, 4);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, static_cast<float>(angle));
    EXPECT_NEAR(q.x, 0.0, 1e-6);
    EXPECT_NEAR(q.y, 0.6 * std::sin(angle / 2), 1e-6);
    EXPECT_NEAR(q.z, 0.8 * std::sin(angle / 2), 1e-6);
    EXPECT_NEAR(q.w, std::cos(angle / 2), 1e-6);

    D3DXMATRIX fromQuaternion, fromAxis;
    D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
    D3DXMatrixRotationAxis(&fromAxis, &axis, static_cast<float>(angle));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(fromQuaternion.m[r][c], fromAxis.m[r][c], 1e-6);

    // a * b is the rotation a followed by the rotation b.
    const D3DXVECTOR3 xAxis(1, 0, 0), yAxis(0, 1, 0);
    D3DXQUATERNION a, b, ab;
    D3DXQuaternionRotationAxis(&a, &xAxis, static_cast<float>(Radians(90)));
    D3DXQuaternionRotationAxis(&b, &yAxis, static_cast<float>(Radians(90)));
    D3DXQuaternionMultiply(&ab, &a, &b);
    EXPECT_EQ(ab, a * b);
    D3DXMATRIX ma, mb, mab;
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    D3DXMatrixRotationQuaternion(&mab, &ab);
    const D3DXMATRIX sequence = ma * mb;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(mab.m[r][c], sequence.m[r][c], 1e-6);
    // The same for two turns about oblique axes, where every term counts.
    const D3DXVECTOR3 axisA(1, 2, 3), axisB(-2, 1, 0.5f);
    D3DXQuaternionRotationAxis(&a, &axisA, 0.9f);
    D3DXQuaternionRotationAxis(&b, &axisB, -1.3f);
    D3DXMATRIX obliqueA, obliqueB, obliqueAB;
    D3DXMatrixRotationAxis(&obliqueA, &axisA, 0.9f);
    D3DXMatrixRotationAxis(&obliqueB, &axisB, -1.3f);
    const D3DXQUATERNION obliqueProduct = a * b;
    D3DXMatrixRotationQuaternion(&obliqueAB, &obliqueProduct);
    const D3DXMATRIX obliqueSequence = obliqueA * obliqueB;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(obliqueAB.m[r][c], obliqueSequence.m[r][c], 1e-5);
    // (0, 1, 0): x turn gives (0, 0, 1), y turn then gives (1, 0, 0).
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &yAxis, &mab);
    ExpectVectorNear(out, 1, 0, 0);
}

TEST(D3DXMath, QuaternionNormaliseAndSlerp) {
    D3DXQUATERNION q(0, 3, 0, 4);
    D3DXQuaternionNormalize(&q, &q);
    EXPECT_FLOAT_EQ(q.y, 0.6f);
    EXPECT_FLOAT_EQ(q.w, 0.8f);

    const D3DXVECTOR3 yAxis(0, 1, 0);
    D3DXQUATERNION identity, quarter, half, expected;
    D3DXQuaternionIdentity(&identity);
    D3DXQuaternionRotationAxis(&quarter, &yAxis, static_cast<float>(Radians(90)));
    D3DXQuaternionSlerp(&half, &identity, &quarter, 0.5f);
    EXPECT_NEAR(half.y, std::sin(Radians(22.5)), 1e-6);
    EXPECT_NEAR(half.w, std::cos(Radians(22.5)), 1e-6);
    // The negated quaternion is the same rotation: slerp takes the short way.
    const D3DXQUATERNION negated = -quarter;
    D3DXQuaternionSlerp(&half, &identity, &negated, 0.5f);
    EXPECT_NEAR(half.y, std::sin(Radians(22.5)), 1e-6);
    EXPECT_NEAR(half.w, std::cos(Radians(22.5)), 1e-6);
    D3DXQuaternionSlerp(&expected, &identity, &quarter, 1.0f);
    EXPECT_NEAR(expected.y, quarter.y, 1e-6);
}

TEST(D3DXMath, PerspectiveFovLHFor80DegreesAnd4To3) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.3962634f, 1.3333333f, 1.0f, 10000.0f);
    const double yScale = 1.0 / std::tan(Radians(40));  // 1.19175359...
    const double xScale = yScale / (4.0 / 3.0);
    const double q = 10000.0 / 9999.0;
    const double expected[4][4] = {{xScale, 0, 0, 0}, {0, yScale, 0, 0}, {0, 0, q, 1}, {0, 0, -q, 0}};
    ExpectMatrixNear(projection, expected, 1e-6);
    EXPECT_NEAR(projection._22, 1.1917536, 1e-6);

    // The near plane maps to depth 0 and the far plane to depth 1.
    D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(0, 0, 10000);
    D3DXVec3TransformCoord(&nearPoint, &nearPoint, &projection);
    D3DXVec3TransformCoord(&farPoint, &farPoint, &projection);
    EXPECT_NEAR(nearPoint.z, 0.0, 1e-6);
    EXPECT_NEAR(farPoint.z, 1.0, 1e-6);
}

TEST(D3DXMath, LookAtLHBuildsTheViewOfAnEye) {
    const D3DXVECTOR3 eye(10, 0, 0), at(0, 0, 0), up(0, 1, 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    // Looking down -x with y up: right is +z, forward -x; the origin lies 10 ahead.
    const double expected[4][4] = {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 10, 1}};
    ExpectMatrixNear(view, expected);

    const D3DXVECTOR3 eye2(3, 4, -5), at2(1, 4, 2);
    D3DXMatrixLookAtLH(&view, &eye2, &at2, &up);
    D3DXVECTOR3 seen;
    D3DXVec3TransformCoord(&seen, &at2, &view);
    ExpectVectorNear(seen, 0, 0, std::sqrt(4.0 + 49.0));
}

TEST(D3DXMath, Vec3ProjectOfAKnownPoint) {
    const D3DVIEWPORT9 viewport{0, 0, 800, 600, 0.0f, 1.0f};
    D3DXMATRIX projection, view, world;
    D3DXMatrixPerspectiveFovLH(&projection, 1.3962634f, 1.3333333f, 1.0f, 10000.0f);
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixIdentity(&world);

    const D3DXVECTOR3 point(1, 1, 0);
    D3DXVECTOR3 screen;
    D3DXVec3Project(&screen, &point, &viewport, &projection, &view, &world);
    // Eye space (1, 1, 10); w = 10.
    const double yScale = 1.0 / std::tan(Radians(40)), xScale = yScale * 0.75;
    const double q = 10000.0 / 9999.0;
    EXPECT_NEAR(screen.x, (1 + xScale / 10) * 400, 1e-3);
    EXPECT_NEAR(screen.y, (1 - yScale / 10) * 300, 1e-3);
    EXPECT_NEAR(screen.z, (10 * q - q) / 10, 1e-6);

    // An offset viewport with a depth range, and a world matrix.
    const D3DVIEWPORT9 offset{100, 50, 200, 100, 0.5f, 1.0f};
    D3DXMatrixTranslation(&world, 1, 1, 0);
    const D3DXVECTOR3 origin(0, 0, 0);
    D3DXVec3Project(&screen, &origin, &offset, &projection, &view, &world);
    EXPECT_NEAR(screen.x, 100 + (1 + xScale / 10) * 100, 1e-3);
    EXPECT_NEAR(screen.y, 50 + (1 - yScale / 10) * 50, 1e-3);
    EXPECT_NEAR(screen.z, 0.5 + 0.5 * (10 * q - q) / 10, 1e-6);
}
