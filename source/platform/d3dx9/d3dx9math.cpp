#include "platform/d3dx9/d3dx9math.h"

// ---- D3DXMATRIX ----------------------------------------------------------

D3DXMATRIX::D3DXMATRIX(const float* values) {
    for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = values[i];
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11;
    _12 = f12;
    _13 = f13;
    _14 = f14;
    _21 = f21;
    _22 = f22;
    _23 = f23;
    _24 = f24;
    _31 = f31;
    _32 = f32;
    _33 = f33;
    _34 = f34;
    _41 = f41;
    _42 = f42;
    _43 = f43;
    _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] += other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& other) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] -= other.m[r][c];
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
    for (auto& row : m)
        for (float& value : row) value *= f;
    return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(float f) { return *this *= 1.0f / f; }

D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, this, &other);
    return result;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& other) const {
    D3DXMATRIX result = *this;
    return result += other;
}

D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& other) const {
    D3DXMATRIX result = *this;
    return result -= other;
}

D3DXMATRIX D3DXMATRIX::operator*(float f) const {
    D3DXMATRIX result = *this;
    return result *= f;
}

D3DXMATRIX D3DXMATRIX::operator/(float f) const { return *this * (1.0f / f); }

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != other.m[r][c]) return false;
    return true;
}

// ---- D3DXQUATERNION and D3DXCOLOR ----------------------------------------

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
    D3DXQUATERNION result;
    D3DXQuaternionMultiply(&result, this, &q);
    return result;
}

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(static_cast<float>((argb >> 16) & 0xff) / 255.0f),
      g(static_cast<float>((argb >> 8) & 0xff) / 255.0f),
      b(static_cast<float>(argb & 0xff) / 255.0f),
      a(static_cast<float>((argb >> 24) & 0xff) / 255.0f) {}

namespace {
DWORD ChannelToByte(float value) {
    if (value >= 1.0f) return 0xff;
    if (!(value > 0.0f)) return 0;
    // Adding one half and truncating is the conversion D3DX makes; the value is
    // positive here, and lround would differ on values just under a half.
    return static_cast<DWORD>(value * 255.0f + 0.5f);  // NOLINT(bugprone-incorrect-roundings)
}
}  // namespace

D3DXCOLOR::operator DWORD() const {
    return (ChannelToByte(a) << 24) | (ChannelToByte(r) << 16) | (ChannelToByte(g) << 8) | ChannelToByte(b);
}

// ---- Vectors -------------------------------------------------------------

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float length = D3DXVec3Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    } else {
        *out = D3DXVECTOR3(v->x / length, v->y / length, v->z / length);
    }
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const D3DXVECTOR4 point(v->x, v->y, v->z, 1.0f);
    return D3DXVec4Transform(out, &point, m);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 h;
    D3DXVec3Transform(&h, v, m);
    *out = D3DXVECTOR3(h.x / h.w, h.y / h.w, h.z / h.w);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                       x * m->_13 + y * m->_23 + z * m->_33);
    return out;
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX combined;
    D3DXMatrixIdentity(&combined);
    if (world) D3DXMatrixMultiply(&combined, &combined, world);
    if (view) D3DXMatrixMultiply(&combined, &combined, view);
    if (projection) D3DXMatrixMultiply(&combined, &combined, projection);
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, v, &combined);
    if (viewport) {
        clip.x = static_cast<float>(viewport->X) + (1.0f + clip.x) * static_cast<float>(viewport->Width) / 2.0f;
        clip.y = static_cast<float>(viewport->Y) + (1.0f - clip.y) * static_cast<float>(viewport->Height) / 2.0f;
        clip.z = viewport->MinZ + clip.z * (viewport->MaxZ - viewport->MinZ);
    }
    *out = clip;
    return out;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    const float length = D3DXVec4Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *out = D3DXVECTOR4(v->x / length, v->y / length, v->z / length, v->w / length);
    }
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z, w = v->w;
    *out = D3DXVECTOR4(
        x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41, x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
        x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43, x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44);
    return out;
}

// ---- Matrices ------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    return out;
}

bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return *m == identity;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            result.m[r][c] =
                a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] + a->m[r][3] * b->m[3][c];
    *out = result;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) result.m[r][c] = m->m[c][r];
    *out = result;
    return out;
}

namespace {
// The sixteen cofactors of m, transposed (the adjugate), by the usual 2 x 2
// sub-determinant expansion.
D3DXMATRIX Adjugate(const D3DXMATRIX& m, float* determinant) {
    const float s0 = m._11 * m._22 - m._21 * m._12;
    const float s1 = m._11 * m._23 - m._21 * m._13;
    const float s2 = m._11 * m._24 - m._21 * m._14;
    const float s3 = m._12 * m._23 - m._22 * m._13;
    const float s4 = m._12 * m._24 - m._22 * m._14;
    const float s5 = m._13 * m._24 - m._23 * m._14;

    const float c5 = m._33 * m._44 - m._43 * m._34;
    const float c4 = m._32 * m._44 - m._42 * m._34;
    const float c3 = m._32 * m._43 - m._42 * m._33;
    const float c2 = m._31 * m._44 - m._41 * m._34;
    const float c1 = m._31 * m._43 - m._41 * m._33;
    const float c0 = m._31 * m._42 - m._41 * m._32;

    *determinant = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;

    return D3DXMATRIX(m._22 * c5 - m._23 * c4 + m._24 * c3, -m._12 * c5 + m._13 * c4 - m._14 * c3,
                      m._42 * s5 - m._43 * s4 + m._44 * s3, -m._32 * s5 + m._33 * s4 - m._34 * s3,

                      -m._21 * c5 + m._23 * c2 - m._24 * c1, m._11 * c5 - m._13 * c2 + m._14 * c1,
                      -m._41 * s5 + m._43 * s2 - m._44 * s1, m._31 * s5 - m._33 * s2 + m._34 * s1,

                      m._21 * c4 - m._22 * c2 + m._24 * c0, -m._11 * c4 + m._12 * c2 - m._14 * c0,
                      m._41 * s4 - m._42 * s2 + m._44 * s0, -m._31 * s4 + m._32 * s2 - m._34 * s0,

                      -m._21 * c3 + m._22 * c1 - m._23 * c0, m._11 * c3 - m._12 * c1 + m._13 * c0,
                      -m._41 * s3 + m._42 * s1 - m._43 * s0, m._31 * s3 - m._32 * s1 + m._33 * s0);
}
}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) {
    float determinant = 0.0f;
    Adjugate(*m, &determinant);
    return determinant;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    float det = 0.0f;
    const D3DXMATRIX adjugate = Adjugate(*m, &det);
    if (determinant) *determinant = det;
    if (det == 0.0f) return nullptr;
    *out = adjugate * (1.0f / det);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_11 = x;
    out->_22 = y;
    out->_33 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float s = std::sin(angle), c = std::cos(angle);
    D3DXMatrixIdentity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float s = std::sin(angle), c = std::cos(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float s = std::sin(angle), c = std::cos(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    D3DXMatrixIdentity(out);
    out->_11 = t * n.x * n.x + c;
    out->_12 = t * n.x * n.y + s * n.z;
    out->_13 = t * n.x * n.z - s * n.y;
    out->_21 = t * n.y * n.x - s * n.z;
    out->_22 = t * n.y * n.y + c;
    out->_23 = t * n.y * n.z + s * n.x;
    out->_31 = t * n.z * n.x + s * n.y;
    out->_32 = t * n.z * n.y - s * n.x;
    out->_33 = t * n.z * n.z + c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    D3DXMatrixIdentity(out);
    out->_11 = 1.0f - 2.0f * (y * y + z * z);
    out->_12 = 2.0f * (x * y + z * w);
    out->_13 = 2.0f * (x * z - y * w);
    out->_21 = 2.0f * (x * y - z * w);
    out->_22 = 1.0f - 2.0f * (x * x + z * z);
    out->_23 = 2.0f * (y * z + x * w);
    out->_31 = 2.0f * (x * z + y * w);
    out->_32 = 2.0f * (y * z - x * w);
    out->_33 = 1.0f - 2.0f * (x * x + y * y);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    const float depth = zFar / (zFar - zNear);
    *out = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f, 0.0f, yScale, 0.0f, 0.0f, 0.0f, 0.0f, depth, 1.0f, 0.0f, 0.0f,
                      -zNear * depth, 0.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    D3DXVECTOR3 zAxis = *at - *eye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *out = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z, yAxis.z, zAxis.z, 0.0f,
                      -D3DXVec3Dot(&xAxis, eye), -D3DXVec3Dot(&yAxis, eye), -D3DXVec3Dot(&zAxis, eye), 1.0f);
    return out;
}

// ---- Quaternions ---------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    // Hamilton product b a.
    const D3DXQUATERNION result(
        b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y, b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
        b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w, b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
    *out = result;
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    const float length = D3DXQuaternionLength(q);
    if (length == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        *out = *q / length;
    }
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const float s = std::sin(angle / 2.0f);
    *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle / 2.0f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, float t) {
    float cosine = D3DXQuaternionDot(a, b);
    float sign = 1.0f;
    if (cosine < 0.0f) {
        sign = -1.0f;
        cosine = -cosine;
    }
    float weightA = 1.0f - t;
    float weightB = t;
    // Nearly equal rotations interpolate linearly, where sin(theta) vanishes.
    if (1.0f - cosine > 0.001f) {
        const float theta = std::acos(cosine);
        const float sine = std::sin(theta);
        weightA = std::sin((1.0f - t) * theta) / sine;
        weightB = std::sin(t * theta) / sine;
    }
    *out = *a * weightA + *b * (sign * weightB);
    return out;
}
