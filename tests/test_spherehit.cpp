#include <gtest/gtest.h>

#include <cmath>

#include "game/SphereHit.h"

namespace {
D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

D3DXMATRIX ScaledThenMoved(float sx, float sy, float sz, float x, float y, float z) {
    D3DXMATRIX scale, move;
    D3DXMatrixScaling(&scale, sx, sy, sz);
    D3DXMatrixTranslation(&move, x, y, z);
    return scale * move;
}

CSphereHit Sphere(float x, float y, float z, float radius) {
    const D3DXVECTOR3 centre(x, y, z);
    return CSphereHit(&centre, &radius);
}
}  // namespace

TEST(SphereHit, ConstructionAndWorldCentre) {
    const CSphereHit empty;
    EXPECT_EQ(empty.m_LocalCenter, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(empty.m_WorldCenter, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(empty.GetRadius(), 0.0f);

    CSphereHit sphere = Sphere(0, 1, 0, 0.5f);
    D3DXVECTOR3 position;
    EXPECT_EQ(sphere.GetPos(&position), &position);
    EXPECT_EQ(position, D3DXVECTOR3(0, 1, 0));

    // The local centre is carried by the whole matrix: turned, then moved.
    D3DXMATRIX turn, world;
    D3DXMatrixRotationZ(&turn, 3.14159265f / 2);
    world = turn * Translation(10, 0, 0);
    sphere.UpdatePos(&world);
    sphere.GetPos(&position);
    EXPECT_NEAR(position.x, 9, 1e-6);
    EXPECT_NEAR(position.y, 0, 1e-6);
    EXPECT_EQ(sphere.m_LocalCenter, D3DXVECTOR3(0, 1, 0));
}

TEST(SphereHit, OnlyTheXAxisScaleScalesTheRadius) {
    const CSphereHit sphere = Sphere(0, 0, 0, 1.5f);
    EXPECT_FLOAT_EQ(sphere.UpdateRad(ScaledThenMoved(2, 1, 1, 5, 5, 5)), 3.0f);
    EXPECT_FLOAT_EQ(sphere.UpdateRad(ScaledThenMoved(1, 4, 9, 0, 0, 0)), 1.5f);
    EXPECT_FLOAT_EQ(sphere.UpdateRad(ScaledThenMoved(-2, 1, 1, 0, 0, 0)), 3.0f);
    // A turned x axis has the same length.
    D3DXMATRIX turn;
    D3DXMatrixRotationY(&turn, 0.7f);
    EXPECT_NEAR(sphere.UpdateRad(turn * ScaledThenMoved(2, 2, 2, 0, 0, 0)), 3.0, 1e-5);
    EXPECT_EQ(sphere.GetRadius(), 1.5f);
}

TEST(HitJudge, TouchingSpheresHit) {
    CSphereHit a = Sphere(0, 0, 0, 1), b = Sphere(0, 0, 0, 2);
    const D3DXMATRIX here = Translation(0, 0, 0);
    const D3DXMATRIX touching = Translation(3, 0, 0);
    const D3DXMATRIX apart = Translation(3.001f, 0, 0);
    EXPECT_EQ(CHitJudge::HitJudge(&a, &here, &b, &touching), 1);
    EXPECT_EQ(CHitJudge::HitJudge(&a, &here, &b, &apart), 0);
    // The world centres stay as the last test left them.
    EXPECT_FLOAT_EQ(b.m_WorldCenter.x, 3.001f);
    const D3DXMATRIX diagonal = Translation(0, 1.8f, 2.4f);  // 3 away
    EXPECT_EQ(CHitJudge::HitJudge(&a, &diagonal, &b, &here), 1);
}

TEST(HitJudge, MatrixScaleOnXDoublesTheRadiusButYOrZDoNot) {
    CSphereHit a = Sphere(0, 0, 0, 1), b = Sphere(0, 0, 0, 2);
    const D3DXMATRIX here = Translation(0, 0, 0);
    const D3DXMATRIX scaledX = ScaledThenMoved(2, 1, 1, 5, 0, 0);  // radius 4, 5 away
    EXPECT_EQ(CHitJudge::HitJudge(&a, &here, &b, &scaledX), 1);
    const D3DXMATRIX scaledYZ = ScaledThenMoved(1, 3, 3, 4, 0, 0);  // radius still 2, 4 away
    EXPECT_EQ(CHitJudge::HitJudge(&a, &here, &b, &scaledYZ), 0);
    // Scaling the first sphere's matrix counts for it the same way.
    const D3DXMATRIX bigA = ScaledThenMoved(2, 1, 1, 0, 0, 0);
    EXPECT_EQ(CHitJudge::HitJudge(&a, &bigA, &b, &scaledYZ), 1);

    // The plain test uses the last world centres with unscaled radii.
    EXPECT_EQ(CHitJudge::HitJudge(&a, &b), 0);
    a.UpdatePos(&here);
    b.UpdatePos(&scaledYZ);
    b.m_Radius = 3;
    EXPECT_EQ(CHitJudge::HitJudge(&a, &b), 1);
}

TEST(HitJudge, AZeroRadiusSphereHitsOnlyInsideTheOther) {
    CSphereHit point = Sphere(0, 0, 0, 0), ball = Sphere(0, 0, 0, 1);
    const D3DXMATRIX origin = Translation(0, 0, 0);
    const D3DXMATRIX inside = Translation(0.9f, 0, 0);
    const D3DXMATRIX onSurface = Translation(0, 0, 1);
    const D3DXMATRIX outside = Translation(1.1f, 0, 0);
    EXPECT_EQ(CHitJudge::HitJudge(&point, &inside, &ball, &origin), 1);
    EXPECT_EQ(CHitJudge::HitJudge(&point, &onSurface, &ball, &origin), 1);
    EXPECT_EQ(CHitJudge::HitJudge(&point, &outside, &ball, &origin), 0);
    // Two points meet only where they coincide.
    CSphereHit other = Sphere(0, 0, 0, 0);
    EXPECT_EQ(CHitJudge::HitJudge(&point, &inside, &other, &inside), 1);
    EXPECT_EQ(CHitJudge::HitJudge(&point, &inside, &other, &outside), 0);
}
