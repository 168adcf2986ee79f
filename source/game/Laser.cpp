#include "game/Laser.h"

#include <algorithm>
#include <cstddef>

#include "game/BillBoard.h"
#include "lib/DirectGraphics.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/crt/random.h"

namespace {
// Forward step of a laser per frame.
constexpr float LaserSpeed = 0.6f;
// Half width of the ribbons.
constexpr float LaserSize = 1.0f;
// Lasers closer to the view than this still count as in view.
constexpr float kCullMargin = 30.0f;
// Most a laser turns towards its target per frame, in degrees.
constexpr float kNormalTurn = 3.5f;
constexpr float kPowerTurn = 3.0f;
constexpr std::uint32_t kTrailKey = 1;

// The ribbon being drawn; rebuilt for every laser, never reallocated.
BBVERTEX g_RibbonVertex[CLaser::MAX_DRAWN_POINTS * 2];

// rand() / 32768 * range, as the flight noise is drawn.
float RandomUpTo(float range) { return static_cast<float>(CrtRand()) / 32768.0f * range; }

D3DXVECTOR3 RandomOffset(float range) {
    const float half = range / 2.0f;
    const float x = RandomUpTo(range) - half;
    const float y = RandomUpTo(range) - half;
    const float z = RandomUpTo(range) - half;
    return D3DXVECTOR3(x, y, z);
}

D3DXVECTOR3 PositionOf(const D3DXMATRIX& matrix) { return D3DXVECTOR3(matrix._41, matrix._42, matrix._43); }

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}
}  // namespace

CLaser::CLaser() { Init(); }

CLaser::~CLaser() { Uninit(); }

void CLaser::Init() {
    m_PointList.Init();
    m_PointNum = 0;
    m_lpTexture = nullptr;
    m_Width = 1.0f;
}

void CLaser::Uninit() {
    m_PointList.Uninit();
    m_PointNum = 0;
}

void CLaser::AddPoint() {
    D3DXVECTOR3 position;
    GetPos(&position);
    AddPoint(&position);
}

void CLaser::AddPoint(const D3DXVECTOR3* point) {
    LASERNODE* node = m_PointList.AddFront(kTrailKey);
    if (!node) return;
    node->m_Pos = *point;
    ++m_PointNum;
    if (m_PointNum > m_Len) DelPoint_Back();
}

void CLaser::DelPoint_Back() {
    if (!m_PointList.m_lpTail) return;
    LASERNODE* oldest = m_PointList.m_lpTail->m_lpPrev;
    if (oldest == m_PointList.m_lpHead) return;
    m_PointList.DelNode(oldest);
    --m_PointNum;
}

void CLaser::Draw(IDirect3DDevice9* device, const D3DXVECTOR3* eye, D3DCOLOR colour) {
    if (m_PointNum < 2 || !m_PointList.m_lpHead) return;
    const LASERNODE* tail = m_PointList.m_lpTail;
    const int count = std::min<int>(m_PointNum, MAX_DRAWN_POINTS);
    const float lastIndex = static_cast<float>(count - 1);

    int index = 0;
    for (LASERNODE* node = m_PointList.m_lpHead->m_lpNext; node != tail && index < count;
         node = node->m_lpNext, ++index) {
        const LASERNODE* older = node->m_lpNext;
        const D3DXVECTOR3 along = older != tail ? node->m_Pos - older->m_Pos : node->m_lpPrev->m_Pos - node->m_Pos;
        node->m_Dir = Normalized(along);
        const D3DXVECTOR3 toEye = Normalized(*eye - node->m_Pos);
        D3DXVECTOR3 side;
        D3DXVec3Cross(&side, &node->m_Dir, &toEye);
        side = Normalized(side) * m_Width;

        const float v = static_cast<float>(index) / lastIndex;
        const D3DXVECTOR3 left = node->m_Pos + side;
        const D3DXVECTOR3 right = node->m_Pos - side;
        const std::size_t pair = static_cast<std::size_t>(index) * 2;
        g_RibbonVertex[pair] = BBVERTEX{left.x, left.y, left.z, colour, 0.0f, v};
        g_RibbonVertex[pair + 1] = BBVERTEX{right.x, right.y, right.z, colour, 1.0f, v};
    }
    if (index < 2) return;

    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->SetTexture(0, m_lpTexture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, static_cast<UINT>(2 * (index - 1)), g_RibbonVertex, sizeof(BBVERTEX));
}

CLaserType::CLaserType()
    : m_Pattern(0),
      m_Type(0),
      m_Count(0),
      m_lpCharaMatrix(nullptr),
      m_lpTexture(nullptr),
      m_lpLaser(new CLaser[LASER_COUNT]),
      m_Alpha(255),
      m_lpTarget{} {}

CLaserType::~CLaserType() { delete[] m_lpLaser; }

void CLaserType::SetMultiRockMatrix(D3DXMATRIX* const* targets) {
    std::copy(targets, targets + LASER_COUNT, m_lpTarget);
}

void CLaserType::SetLaser(IDirect3DDevice9* device, int pattern, int kind) {
    if (!m_lpTarget[0]) return;
    if (!m_lpTexture || !m_lpLaser || !m_lpCharaMatrix || m_Pattern != 0 || m_Type != 0) {
        m_Count = 0;
        return;
    }
    m_Pattern = pattern;
    m_Type = kind;
    for (int l = 0; l < LASER_COUNT; ++l) {
        CLaser& laser = m_lpLaser[l];
        laser.Init();
        laser.SetTexture(m_lpTexture);
        laser.SetLen(TRAIL_LENGTH);
        laser.SetWidth(LaserSize);
        laser.Identity();
        if (pattern == PATTERN_RING) {
            // Outwards across the flight direction, 18 degrees apart.
            laser.RotateX(90.0f);
            laser.RotateZ(90.0f);
            laser.RotateZ(18.0f * static_cast<float>(LASER_COUNT - l));
        }
        laser.Move(0.0f, 0.0f, LaserSpeed);
        laser.m_OldWorld = *m_lpCharaMatrix;
        laser.m_World *= laser.m_OldWorld;
        laser.SetTransform(device);
        laser.AddPoint();
    }
    m_Count = 0;
}

void CLaserType::LaserUpdateProcess(IDirect3DDevice9*) {
    if (!InFlight()) return;
    if (m_Count > OPAQUE_FRAMES) m_Alpha -= 1;
    if (m_Count >= MIN_VOLLEY_FRAMES && m_Alpha <= 0) {
        m_Alpha = 255;
        m_Pattern = 0;
        m_Type = 0;
        m_Count = 0;
        return;
    }
    for (int l = 0; l < LASER_COUNT; ++l) {
        CLaser& laser = m_lpLaser[l];
        laser.Identity();
        laser.Move(0.0f, 0.0f, LaserSpeed);
        laser.m_World *= laser.m_OldWorld;
        D3DXVECTOR3 position;
        laser.GetPos(&position);
        // Without a target a laser flies straight on.
        const D3DXMATRIX* target = m_lpTarget[l];
        if (m_Type == KIND_NORMAL) {
            if (target) {
                const D3DXVECTOR3 direction = PositionOf(*target) - position;
                laser.RotateLookAtRelativeAngle(&direction, kNormalTurn);
            }
            laser.AddPoint(&position);
        } else if (m_Type == KIND_POWER) {
            if (target) {
                const D3DXVECTOR3 direction = PositionOf(*target) - position + RandomOffset(10.0f);
                laser.RotateLookAtRelativeAngle(&direction, kPowerTurn);
            }
            // The trail zigzags like lightning around the true path.
            const D3DXVECTOR3 jagged = position + RandomOffset(4.0f);
            laser.AddPoint(&jagged);
        }
    }
    ++m_Count;
}

void CLaserType::LaserRenderProcess(IDirect3DDevice9* device, const D3DXVECTOR3* eye) {
    if (!InFlight()) return;
    CDirectGraphics::GetInstance()->Blend_Add();
    const D3DCOLOR colour = (static_cast<D3DCOLOR>(std::clamp(m_Alpha, 0, 255)) << 24) | 0x00FFFFFFu;
    for (int l = 0; l < LASER_COUNT; ++l) {
        CLaser& laser = m_lpLaser[l];
        D3DXVECTOR3 position;
        laser.GetPos(&position);
        if (!CViewFrustumCulling::ObjectFrustumJudge(&position, kCullMargin)) continue;
        laser.SetTransform(device);
        laser.Draw(device, eye, colour);
    }
}

std::int16_t CLaserType::LaserCollisionJudgment(const D3DXVECTOR3* center, float radius) const {
    if (!InFlight()) return 0;
    std::int16_t hits = 0;
    for (int l = 0; l < LASER_COUNT; ++l) {
        D3DXVECTOR3 position;
        m_lpLaser[l].GetPos(&position);
        if (CollisionJudgment(&position, center, 1.0f, radius)) ++hits;
    }
    return hits;
}

bool CLaserType::CollisionJudgment(const D3DXVECTOR3* a, const D3DXVECTOR3* b, float radiusA, float radiusB) {
    const D3DXVECTOR3 apart = *a - *b;
    return D3DXVec3Length(&apart) <= radiusA + radiusB;
}

void CLaserType::LaserDeleteProcess() {
    std::fill(std::begin(m_lpTarget), std::end(m_lpTarget), nullptr);
    if (m_lpLaser)
        for (int l = 0; l < LASER_COUNT; ++l) m_lpLaser[l].Uninit();
    delete[] m_lpLaser;
    m_lpLaser = nullptr;
    m_Count = 0;
    m_lpCharaMatrix = nullptr;
    m_Pattern = 0;
    m_lpTexture = nullptr;
    m_Type = 0;
}
