#include "lib/Matrix.h"

#include <cmath>

namespace {
constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kDegreesPerRadian = 57.2957763671875f;

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row) { return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]); }

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}
}  // namespace

CMatrix::CMatrix() {
    D3DXMatrixIdentity(&m_World);
    D3DXMatrixIdentity(&m_OldWorld);
}

CMatrix::~CMatrix() = default;

void CMatrix::Identity() { D3DXMatrixIdentity(&m_World); }

void CMatrix::Move(float x, float y, float z) {
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    m_World *= translation;
}

void CMatrix::MultiplyByQuaternion(const D3DXQUATERNION& rotation) {
    D3DXMATRIX matrix;
    D3DXMatrixRotationQuaternion(&matrix, &rotation);
    m_World *= matrix;
}

void CMatrix::RotateX(float degrees) {
    const float half = degrees * kRadiansPerDegree / 2.0f;
    MultiplyByQuaternion(D3DXQUATERNION(std::sin(half), 0.0f, 0.0f, std::cos(half)));
}

void CMatrix::RotateY(float degrees) {
    const float half = degrees * kRadiansPerDegree / 2.0f;
    MultiplyByQuaternion(D3DXQUATERNION(0.0f, std::sin(half), 0.0f, std::cos(half)));
}

void CMatrix::RotateZ(float degrees) {
    const float half = degrees * kRadiansPerDegree / 2.0f;
    MultiplyByQuaternion(D3DXQUATERNION(0.0f, 0.0f, std::sin(half), std::cos(half)));
}

void CMatrix::Scale(float x, float y, float z) {
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, x, y, z);
    m_World *= scaling;
}

D3DXVECTOR3* CMatrix::GetPos(D3DXVECTOR3* out) const {
    *out = Row(m_World, 3);
    return out;
}

D3DXVECTOR3* CMatrix::GetOldPos(D3DXVECTOR3* out) const {
    *out = Row(m_OldWorld, 3);
    return out;
}

D3DXVECTOR3* CMatrix::GetZAxis(D3DXVECTOR3* out) const {
    *out = Row(m_World, 2);
    return out;
}

void CMatrix::SetAxes(const D3DXVECTOR3& x, const D3DXVECTOR3& y, const D3DXVECTOR3& z) {
    const D3DXVECTOR3* axes[3] = {&x, &y, &z};
    for (int row = 0; row < 3; ++row) {
        m_World.m[row][0] = axes[row]->x;
        m_World.m[row][1] = axes[row]->y;
        m_World.m[row][2] = axes[row]->z;
    }
}

void CMatrix::LookAt(const D3DXVECTOR3* direction, const D3DXVECTOR3* up) {
    const D3DXVECTOR3 z = Normalized(*direction);
    const D3DXVECTOR3 x = Normalized(Cross(*up, z));
    const D3DXVECTOR3 y = Normalized(Cross(z, x));
    SetAxes(x, y, z);
}

void CMatrix::LookAtPos(const D3DXVECTOR3* target, const D3DXVECTOR3* up) {
    const D3DXVECTOR3 direction = *target - Row(m_World, 3);
    LookAt(&direction, up);
}

void CMatrix::RotateLookAtRelativeAngle(const D3DXVECTOR3* direction, float maxDegrees) {
    // The forward axis is taken as it is: a scaled object compares a dot
    // product larger than a cosine and may stop turning early.
    const D3DXVECTOR3 forward = Row(m_World, 2);
    const D3DXVECTOR3 target = Normalized(*direction);
    const float cosine = D3DXVec3Dot(&forward, &target);
    if (!(cosine < 1.0f)) return;  // already facing it, or not a number

    float degrees = std::acos(cosine) * kDegreesPerRadian;
    if (degrees > maxDegrees) degrees = maxDegrees;

    const D3DXVECTOR3 axis = Cross(forward, target);
    D3DXMATRIX rotation;
    if (cosine <= -1.0f) {
        D3DXMatrixRotationY(&rotation, kRadiansPerDegree);
    } else if (D3DXVec3LengthSq(&axis) == 0.0f) {
        // Parallel without a unit dot product (a short forward axis, or a
        // zero direction): there is no axis to turn about. Facing away, take
        // the same one-degree way out as above; otherwise nothing to do.
        if (!(cosine < 0.0f)) return;
        D3DXMatrixRotationY(&rotation, kRadiansPerDegree);
    } else {
        D3DXMatrixRotationAxis(&rotation, &axis, degrees * kRadiansPerDegree);
    }

    const float position[3] = {m_World._41, m_World._42, m_World._43};
    m_World._41 = m_World._42 = m_World._43 = 0.0f;
    m_World *= rotation;
    m_World._41 = position[0];
    m_World._42 = position[1];
    m_World._43 = position[2];
}

void CMatrix::SetBillBoard(const D3DXMATRIX* matrix) {
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) m_World.m[row][column] = matrix->m[row][column];
}

void CMatrix::SetBillBoardAxisY(const D3DXVECTOR3* eye, const D3DXVECTOR3* axis) {
    const D3DXVECTOR3 y = Normalized(*axis);
    const D3DXVECTOR3 toObject = Normalized(Row(m_World, 3) - *eye);
    const D3DXVECTOR3 x = Normalized(Cross(y, toObject));
    const D3DXVECTOR3 z = Normalized(Cross(x, y));
    SetAxes(x, y, z);
}
