// The lock-on laser. CLaserType is the player's launcher: one press sends a
// volley of twenty lasers out in a ring around the dragon, each curving
// towards one entry of the target list that the enemy manager keeps filled.
// A CLaser is one laser: a placed object that drags a trail of its last
// positions and draws it as a glowing ribbon facing the eye.
#pragma once
#include <cstdint>

#include "lib/Object.h"
#include "lib/basalt/List.h"
#include "platform/d3d9/texture.h"

// One point of a laser's trail.
struct LASERNODE {
    std::uint32_t m_Priority = 0;
    LASERNODE* m_lpNext = nullptr;
    LASERNODE* m_lpPrev = nullptr;
    D3DXVECTOR3 m_Pos{0.0f, 0.0f, 0.0f};
    // Unit direction of the trail here; rebuilt whenever the ribbon is drawn.
    D3DXVECTOR3 m_Dir{0.0f, 0.0f, 0.0f};
};

class CLaser : public CObject {
public:
    // Points the ribbon buffer can hold (two vertices each).
    static constexpr int MAX_DRAWN_POINTS = 500;

    CLaser();
    ~CLaser() override;

    // Empties the trail; no texture, width 1.
    void Init();
    // Deletes the trail, sentinels included.
    void Uninit();
    void SetTexture(IDirect3DTexture9* texture) { m_lpTexture = texture; }
    void SetLen(std::int16_t length) { m_Len = length; }
    void SetWidth(float halfWidth) { m_Width = halfWidth; }
    // Adds the laser's current position (or the given point) as the newest
    // point; beyond m_Len points the oldest goes.
    void AddPoint();
    void AddPoint(const D3DXVECTOR3* point);
    void DelPoint_Back();

    using CObject::Draw;
    // The trail as a ribbon turned towards eye, in one colour; nothing with
    // fewer than two points.
    void Draw(IDirect3DDevice9* device, const D3DXVECTOR3* eye, D3DCOLOR colour);

    CList<LASERNODE> m_PointList;  // newest point first
    IDirect3DTexture9* m_lpTexture = nullptr;
    std::int32_t m_Len = 0;
    float m_Width = 1.0f;
    std::int32_t m_PointNum = 0;
};

class CLaserType {
public:
    static constexpr int LASER_COUNT = 20;
    static constexpr int PATTERN_RING = 1;
    static constexpr int KIND_POWER = 4;
    static constexpr int KIND_NORMAL = 7;
    static constexpr int TRAIL_LENGTH = 30;
    // Frames of a volley at full strength; then the ribbons fade by 1 of 255
    // a frame, and the volley ends once it is transparent.
    static constexpr int OPAQUE_FRAMES = 210;
    static constexpr int MIN_VOLLEY_FRAMES = 420;

    CLaserType();
    ~CLaserType();
    CLaserType(const CLaserType&) = delete;
    CLaserType& operator=(const CLaserType&) = delete;

    // The launch origin: the player's committed matrix.
    void SetCharaOldMatrix(D3DXMATRIX* origin) { m_lpCharaMatrix = origin; }
    void SetLaserTexture(IDirect3DTexture9* texture) { m_lpTexture = texture; }
    // Copies LASER_COUNT target matrices (the enemies' committed matrices).
    void SetMultiRockMatrix(D3DXMATRIX* const* targets);
    // Non-zero (the flight kind) while a volley is in flight.
    std::uint32_t GetLaserType() const { return static_cast<std::uint32_t>(m_Type); }

    // Launches a volley of the given pattern and kind when there is a target,
    // a texture and no volley in flight. Without a target nothing happens;
    // otherwise a refused launch only restarts the frame count.
    void SetLaser(IDirect3DDevice9* device, int pattern, int kind);
    // One frame of the volley's flight.
    void LaserUpdateProcess(IDirect3DDevice9* device);
    // Draws the lasers in view; this also commits their moves, so a laser
    // out of view waits where it is.
    void LaserRenderProcess(IDirect3DDevice9* device, const D3DXVECTOR3* eye);
    // How many lasers of the volley in flight touch the sphere; idle lasers
    // never hit.
    std::int16_t LaserCollisionJudgment(const D3DXVECTOR3* center, float radius) const;
    static bool CollisionJudgment(const D3DXVECTOR3* a, const D3DXVECTOR3* b, float radiusA, float radiusB);
    // Releases the lasers and forgets targets, texture and origin.
    void LaserDeleteProcess();

    bool InFlight() const { return m_lpLaser && m_lpTexture && m_Pattern != 0 && m_Type != 0; }

    std::int32_t m_Pattern;
    std::int32_t m_Type;
    std::int16_t m_Count;
    D3DXMATRIX* m_lpCharaMatrix;
    IDirect3DTexture9* m_lpTexture;
    CLaser* m_lpLaser;
    std::int32_t m_Alpha;
    D3DXMATRIX* m_lpTarget[LASER_COUNT];
};
