#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "game/Laser.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/d3dx9/texture_loader.h"
#include "support/graphics_fixture.h"

namespace {
D3DXVECTOR3 Position(const CMatrix& object) {
    D3DXVECTOR3 position;
    object.GetPos(&position);
    return position;
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 apart = a - b;
    return D3DXVec3Length(&apart);
}

D3DXMATRIX Placed(float x, float y, float z) {
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

std::vector<D3DXVECTOR3> Trail(const CLaser& laser) {
    std::vector<D3DXVECTOR3> points;
    for (LASERNODE* node = laser.m_PointList.m_lpHead->m_lpNext; node != laser.m_PointList.m_lpTail;
         node = node->m_lpNext)
        points.push_back(node->m_Pos);
    return points;
}

class LaserTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        // A camera far behind the origin sees the whole battle.
        D3DXMATRIX view;
        const D3DXVECTOR3 eye(0, 0, -300), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        CViewFrustumCulling::CreateFrustum(&view, 80.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
        m_texture = SolidTexture(2, 2, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    }
    void TearDown() override {
        if (m_texture) m_texture->Release();
        GraphicsTest::TearDown();
    }

    IDirect3DTexture9* SolidTexture(UINT width, UINT height, std::vector<std::uint32_t> texels) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(Device()->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        for (UINT y = 0; y < height; ++y)
            std::copy_n(&texels[y * width], width,
                        reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch));
        texture->UnlockRect(0);
        return texture;
    }

    // One frame as the game runs it: the player's update, then the scene's
    // draw of the volley.
    void Frame(CLaserType& lasers) {
        lasers.LaserUpdateProcess(Device());
        lasers.LaserRenderProcess(Device(), &m_eye);
    }

    // Arms the launcher as the player does (origin and texture), aims it and
    // fires a volley of the given kind.
    void Launch(CLaserType& lasers, std::vector<D3DXMATRIX*> found, int kind) {
        lasers.SetCharaOldMatrix(&m_origin);
        lasers.SetLaserTexture(m_texture);
        Aim(lasers, found);
        lasers.SetLaser(Device(), 1, kind);
    }

    void Aim(CLaserType& lasers, std::vector<D3DXMATRIX*> found) {
        D3DXMATRIX* targets[CLaserType::LASER_COUNT];
        for (int l = 0; l < CLaserType::LASER_COUNT; ++l) targets[l] = found[l % found.size()];
        lasers.SetMultiRockMatrix(targets);
    }

    IDirect3DTexture9* m_texture = nullptr;
    D3DXVECTOR3 m_eye{0, 0, -300};
    D3DXMATRIX m_origin = Placed(0, 0, 0);
};
}  // namespace

TEST_F(LaserTest, TrailKeepsItsNewestPointsUpToItsLength) {
    CLaser laser;
    laser.SetLen(30);
    laser.DelPoint_Back();  // nothing to drop
    EXPECT_EQ(laser.m_PointNum, 0);
    for (int i = 0; i < 31; ++i) {
        const D3DXVECTOR3 point(static_cast<float>(i), 0, 0);
        laser.AddPoint(&point);
    }
    const std::vector<D3DXVECTOR3> points = Trail(laser);
    ASSERT_EQ(points.size(), 30u);
    EXPECT_EQ(laser.m_PointNum, 30);
    EXPECT_EQ(points.front().x, 30.0f);  // newest first
    EXPECT_EQ(points.back().x, 1.0f);    // the first point went
    laser.DelPoint_Back();
    EXPECT_EQ(Trail(laser).back().x, 2.0f);
    EXPECT_EQ(laser.m_PointNum, 29);

    // Without an argument the laser's own position is added.
    laser.Identity();
    laser.Move(1, 2, 3);
    laser.AddPoint();
    EXPECT_EQ(Trail(laser).front(), D3DXVECTOR3(1, 2, 3));

    laser.Init();
    EXPECT_EQ(laser.m_PointNum, 0);
    EXPECT_TRUE(Trail(laser).empty());
}

TEST_F(LaserTest, RibbonFacesTheEyeWithItsTextureAlongTheTrail) {
    // Quadrants: u < 0.5 red / green (top / bottom of the sheet), u > 0.5
    // blue / white.
    IDirect3DTexture9* sheet = SolidTexture(2, 2, {0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF});
    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2.0f, 4.0f / 3.0f, 1.0f, 100.0f);
    Device()->SetTransform(D3DTS_VIEW, &identity);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    Device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    Device()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    Device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);

    CLaser laser;
    laser.SetLen(30);
    laser.SetTexture(sheet);
    const D3DXVECTOR3 eye(0, 0, 0), older(-5, 0, 10), newest(5, 0, 10);
    laser.AddPoint(&older);
    laser.Draw(Device(), &eye, 0xFFFFFFFF);  // one point: nothing
    EXPECT_EQ(PixelAt(400, 300) & 0xFFFFFF, 0u);
    laser.AddPoint(&newest);
    laser.Draw(Device(), &eye, 0xFFFFFFFF);

    // The ribbon spans x -5 ... 5 and y -1 ... 1 at depth 10: columns 250 to
    // 550, rows 270 to 330. v runs from the newest point (right) to the
    // oldest (left); u from the upper edge to the lower one.
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_EQ(pixels.At(500, 285) & 0xFFFFFF, 0xFF0000u);  // newest, upper edge
    EXPECT_EQ(pixels.At(300, 285) & 0xFFFFFF, 0x00FF00u);  // oldest, upper edge
    EXPECT_EQ(pixels.At(500, 315) & 0xFFFFFF, 0x0000FFu);  // newest, lower edge
    EXPECT_EQ(pixels.At(300, 315) & 0xFFFFFF, 0xFFFFFFu);
    for (auto [x, y] : {std::pair{400, 262}, {400, 338}, {240, 300}, {560, 300}})
        EXPECT_EQ(pixels.At(x, y) & 0xFFFFFF, 0u) << x << "," << y;
    EXPECT_EQ(laser.m_PointList.m_lpHead->m_lpNext->m_Dir, D3DXVECTOR3(1, 0, 0));
    sheet->Release();

    // A trail longer than the buffer draws its newest part and stays in
    // bounds.
    laser.SetLen(700);
    for (int i = 0; i < 700; ++i) {
        const D3DXVECTOR3 point(0, static_cast<float>(i) * 0.01f, 10);
        laser.AddPoint(&point);
    }
    laser.Draw(Device(), &eye, 0xFFFFFFFF);
    EXPECT_EQ(laser.m_PointNum, 700);
}

TEST_F(LaserTest, LaunchNeedsATargetATextureAndNoVolleyInFlight) {
    CLaserType lasers;
    lasers.SetCharaOldMatrix(&m_origin);
    lasers.SetLaserTexture(m_texture);
    lasers.m_Count = 5;
    lasers.SetLaser(Device(), 1, 7);  // no target: untouched
    EXPECT_EQ(lasers.GetLaserType(), 0u);
    EXPECT_EQ(lasers.m_Count, 5);

    D3DXMATRIX target = Placed(0, 0, 50);
    Aim(lasers, {&target});
    lasers.SetLaserTexture(nullptr);
    lasers.SetLaser(Device(), 1, 7);  // no texture: only the counter
    EXPECT_EQ(lasers.GetLaserType(), 0u);
    EXPECT_EQ(lasers.m_Count, 0);

    lasers.SetLaserTexture(m_texture);
    lasers.SetLaser(Device(), 1, 7);
    ASSERT_EQ(lasers.GetLaserType(), 7u);
    for (int i = 0; i < 10; ++i) Frame(lasers);
    const D3DXVECTOR3 before = Position(lasers.m_lpLaser[3]);
    lasers.SetLaser(Device(), 1, 4);  // in flight: only the counter
    EXPECT_EQ(lasers.GetLaserType(), 7u);
    EXPECT_EQ(lasers.m_Pattern, 1);
    EXPECT_EQ(lasers.m_Count, 0);
    EXPECT_EQ(Position(lasers.m_lpLaser[3]), before);
    EXPECT_EQ(lasers.m_lpLaser[3].m_PointNum, 11);
}

TEST_F(LaserTest, VolleyBurstsOutInARingAcrossTheFlight) {
    CLaserType lasers;
    // The dragon at (10, 5, 0) flying along +x.
    D3DXMatrixRotationY(&m_origin, D3DX_PI / 2.0f);
    m_origin._41 = 10;
    m_origin._42 = 5;
    D3DXMATRIX target = Placed(500, 5, 0);
    Launch(lasers, {&target}, 7);

    std::vector<float> angles;
    for (int l = 0; l < CLaserType::LASER_COUNT; ++l) {
        const CLaser& laser = lasers.m_lpLaser[l];
        // All start just ahead of the dragon, with their first trail point.
        EXPECT_NEAR(Distance(Position(laser), D3DXVECTOR3(10.6f, 5, 0)), 0.0f, 1e-4f) << l;
        EXPECT_EQ(laser.m_PointNum, 1);
        EXPECT_EQ(laser.m_Len, 30);
        EXPECT_EQ(laser.m_OldWorld, laser.m_World);
        // Pointing outwards, across the flight direction.
        D3DXVECTOR3 forward;
        laser.GetZAxis(&forward);
        EXPECT_NEAR(forward.x, 0.0f, 1e-5f) << l;
        EXPECT_NEAR(D3DXVec3Length(&forward), 1.0f, 1e-5f);
        angles.push_back(std::atan2(forward.y, forward.z) * 180.0f / D3DX_PI);
    }
    std::sort(angles.begin(), angles.end());
    for (size_t i = 1; i < angles.size(); ++i) EXPECT_NEAR(angles[i] - angles[i - 1], 18.0f, 1e-3f);
}

TEST_F(LaserTest, NormalLasersHomeOnTheirOwnTargets) {
    CLaserType lasers;
    // Two enemies found: the list repeats them, even lasers on the first.
    D3DXMATRIX left = Placed(-40, 0, 60), right = Placed(40, 10, 60);
    Launch(lasers, {&left, &right}, 7);

    std::vector<float> closest(CLaserType::LASER_COUNT, 1e9f), closestToOther(CLaserType::LASER_COUNT, 1e9f);
    int framesWithHits = 0;
    for (int frame = 0; frame < 200; ++frame) {
        Frame(lasers);
        for (int l = 0; l < CLaserType::LASER_COUNT; ++l) {
            const D3DXVECTOR3 at = Position(lasers.m_lpLaser[l]);
            const D3DXMATRIX& own = l % 2 ? right : left;
            const D3DXMATRIX& other = l % 2 ? left : right;
            closest[l] = std::min(closest[l], Distance(at, D3DXVECTOR3(own._41, own._42, own._43)));
            closestToOther[l] = std::min(closestToOther[l], Distance(at, D3DXVECTOR3(other._41, other._42, other._43)));
        }
        const D3DXVECTOR3 leftCentre(left._41, left._42, left._43);
        if (lasers.LaserCollisionJudgment(&leftCentre, 2.0f) > 0) ++framesWithHits;
        // A trail never holds more than its 30 points.
        ASSERT_LE(lasers.m_lpLaser[0].m_PointNum, 30);
    }
    for (int l = 0; l < CLaserType::LASER_COUNT; ++l) {
        EXPECT_LT(closest[l], 1.0f) << l;
        EXPECT_GT(closestToOther[l], 10.0f) << l;
    }
    EXPECT_GT(framesWithHits, 0);
    EXPECT_EQ(lasers.m_lpLaser[0].m_PointNum, 30);
}

TEST_F(LaserTest, OneTargetDrawsAllTwentyAndTheHitTestCountsThem) {
    CLaserType lasers;
    lasers.SetCharaOldMatrix(&m_origin);
    lasers.SetLaserTexture(m_texture);
    const D3DXVECTOR3 centre(0, 0, 0);
    // Before any volley the lasers stand at the origin but are not live.
    EXPECT_EQ(lasers.LaserCollisionJudgment(&centre, 5.0f), 0);

    D3DXMATRIX target = Placed(0, 30, 40);
    Aim(lasers, {&target});
    lasers.SetLaser(Device(), 1, 7);
    // Right after the burst all twenty are within 0.6 of the dragon.
    EXPECT_EQ(lasers.LaserCollisionJudgment(&centre, 0.0f), 20);
    EXPECT_EQ(lasers.LaserCollisionJudgment(&centre, -1.0f), 0);

    for (int frame = 0; frame < 5; ++frame) Frame(lasers);
    // Five steps of 0.6 along a gentle curve put every laser just under 3.0
    // from where the volley started.
    const D3DXVECTOR3 start(0, 0, 0.6f);
    for (int l = 0; l < CLaserType::LASER_COUNT; ++l)
        EXPECT_NEAR(Distance(Position(lasers.m_lpLaser[l]), start), 3.0f, 0.05f);
    EXPECT_EQ(lasers.LaserCollisionJudgment(&start, 2.1f), 20);
    EXPECT_EQ(lasers.LaserCollisionJudgment(&start, 1.9f), 0);

    // Drawn from behind the dragon the ribbons add their light to the frame,
    // scaled by the volley's alpha.
    m_eye = D3DXVECTOR3(0, 0, -20);
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &m_eye, &centre, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 5000.0f);
    Device()->SetTransform(D3DTS_VIEW, &view);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    for (int frame = 0; frame < 15; ++frame) Frame(lasers);
    // Lit pixels, and how many of them hold about the given level.
    auto render = [&](std::uint32_t level, int* atLevel) {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        lasers.LaserRenderProcess(Device(), &m_eye);
        const d3d9::Pixels pixels = ReadTarget();
        int lit = 0;
        *atLevel = 0;
        for (unsigned y = 0; y < pixels.height; y += 2)
            for (unsigned x = 0; x < pixels.width; x += 2) {
                const int blue = static_cast<int>(pixels.At(x, y) & 0xFF);
                if (blue > 0) ++lit;
                if (std::abs(blue - static_cast<int>(level)) <= 3) ++*atLevel;
            }
        return lit;
    };
    int atLevel = 0;
    const int litOpaque = render(0xFF, &atLevel);
    EXPECT_GT(litOpaque, 500);
    EXPECT_EQ(atLevel, litOpaque);
    // Where a single ribbon lies, a quarter alpha gives a quarter of white.
    lasers.m_Alpha = 64;
    const int litFaded = render(64, &atLevel);
    EXPECT_EQ(litFaded, litOpaque);
    EXPECT_GT(atLevel, litFaded * 3 / 4);
    // An idle launcher draws nothing.
    lasers.m_Type = 0;
    EXPECT_EQ(render(0, &atLevel), 0);
}

TEST_F(LaserTest, VolleyFadesAfterItsOpaqueTimeThenEnds) {
    CLaserType lasers;
    D3DXMATRIX target = Placed(0, 0, 80);
    Launch(lasers, {&target}, 7);
    int frames = 0;
    while (lasers.m_Count <= 210) {
        EXPECT_EQ(lasers.m_Alpha, 255) << lasers.m_Count;
        Frame(lasers);
        ++frames;
    }
    EXPECT_EQ(frames, 211);
    while (lasers.GetLaserType() != 0 && frames < 1000) {
        // Each update from frame 211 on takes one step of alpha.
        EXPECT_EQ(lasers.m_Alpha, 255 - std::max(0, lasers.m_Count - 211));
        Frame(lasers);
        ++frames;
    }
    EXPECT_EQ(frames, 466);
    EXPECT_EQ(lasers.m_Alpha, 255);
    EXPECT_EQ(lasers.m_Pattern, 0);
    EXPECT_EQ(lasers.m_Count, 0);

    // The spent lasers keep their places and trails, harmlessly.
    const D3DXVECTOR3 resting = Position(lasers.m_lpLaser[0]);
    EXPECT_EQ(lasers.m_lpLaser[0].m_PointNum, 30);
    EXPECT_EQ(lasers.LaserCollisionJudgment(&resting, 1.0f), 0);
    Frame(lasers);
    EXPECT_EQ(Position(lasers.m_lpLaser[0]), resting);

    // A new volley can go.
    lasers.SetLaser(Device(), 1, 4);
    EXPECT_EQ(lasers.GetLaserType(), 4u);
    EXPECT_EQ(lasers.m_lpLaser[0].m_PointNum, 1);
}

TEST_F(LaserTest, PowerLasersZigzagYetReachTheirTarget) {
    CLaserType lasers;
    D3DXMATRIX target = Placed(20, -10, 60);
    Launch(lasers, {&target}, 4);
    const D3DXVECTOR3 goal(20, -10, 60);
    std::vector<float> closest(CLaserType::LASER_COUNT, 1e9f);
    for (int frame = 0; frame < 300; ++frame) {
        Frame(lasers);
        for (int l = 0; l < CLaserType::LASER_COUNT; ++l)
            closest[l] = std::min(closest[l], Distance(Position(lasers.m_lpLaser[l]), goal));
    }
    for (int l = 0; l < CLaserType::LASER_COUNT; ++l) EXPECT_LT(closest[l], 3.0f) << l;

    // The trail points scatter up to 2 in each axis around the true path,
    // which itself moves 0.6 a frame.
    const std::vector<D3DXVECTOR3> points = Trail(lasers.m_lpLaser[0]);
    ASSERT_EQ(points.size(), 30u);
    float largestStep = 0.0f;
    for (size_t i = 1; i < points.size(); ++i) largestStep = std::max(largestStep, Distance(points[i], points[i - 1]));
    EXPECT_GT(largestStep, 1.5f);
    EXPECT_LT(largestStep, 0.6f + 2.0f * std::sqrt(12.0f));
    const D3DXVECTOR3 newest = points.front();
    const D3DXVECTOR3 at = Position(lasers.m_lpLaser[0]);
    for (float offset : {newest.x - at.x, newest.y - at.y, newest.z - at.z}) EXPECT_LE(std::fabs(offset), 2.0f);
}

// The generated power-laser picture, twenty ribbons deep where the volley
// converges and seen from just behind the dragon as the game's camera sees
// it, lights the sea with bright streaks but never burns it out to white.
TEST_F(LaserTest, PowerVolleyAddsUpToColouredStreaksNotWhite) {
    IDirect3DTexture9* bolt = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(Device(), VORTWING_DATA_DIR "/Texture/Laser/MultyRock.png", &bolt), D3D_OK);
    std::swap(m_texture, bolt);
    CLaserType lasers;
    D3DXMATRIX target = Placed(0, -5, 70);
    Launch(lasers, {&target}, 4);

    m_eye = D3DXVECTOR3(0, 3, -12);
    const D3DXVECTOR3 at(0, 0, 30), up(0, 1, 0);
    D3DXMATRIX view, projection;
    D3DXMatrixLookAtLH(&view, &m_eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 5000.0f);
    Device()->SetTransform(D3DTS_VIEW, &view);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    CViewFrustumCulling::CreateFrustum(&view, 80.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
    const std::uint32_t sea = 0xFF25648B;
    int lit = 0, bright = 0, white = 0;
    for (int frame = 0; frame < 60; ++frame) {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, sea, 1.0f, 0);
        Frame(lasers);
        if (frame % 10 != 9) continue;
        const d3d9::Pixels pixels = ReadTarget();
        for (unsigned y = 0; y < pixels.height; ++y)
            for (unsigned x = 0; x < pixels.width; ++x) {
                const std::uint32_t c = pixels.At(x, y);
                const unsigned r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
                lit += c != sea;
                bright += r > 200 && b > 240;
                white += r > 240 && g > 240 && b > 240;
            }
    }
    EXPECT_GT(lit, 100000);
    EXPECT_GT(bright, 20000);
    EXPECT_EQ(white, 0);
    m_texture->Release();
    m_texture = bolt;
}

TEST_F(LaserTest, LaserOutOfViewWaitsUntilItIsSeen) {
    CLaserType lasers;
    D3DXMATRIX target = Placed(0, 0, 100);
    Launch(lasers, {&target}, 7);
    // Looking away from the volley, far off.
    D3DXMATRIX view;
    const D3DXVECTOR3 eye(0, 0, 500), away(0, 0, 1000), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &away, &up);
    CViewFrustumCulling::CreateFrustum(&view, 80.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
    const D3DXVECTOR3 before = Position(lasers.m_lpLaser[0]);
    for (int frame = 0; frame < 10; ++frame) Frame(lasers);
    EXPECT_LT(Distance(Position(lasers.m_lpLaser[0]), before), 0.61f);
    EXPECT_EQ(lasers.m_lpLaser[0].m_OldWorld._41, before.x);
    EXPECT_EQ(lasers.m_Count, 10);
}

TEST_F(LaserTest, SphereTouchCountsEqualityAndDeleteLeavesItInert) {
    const D3DXVECTOR3 a(0, 0, 0), b(3, 0, 0), c(3.01f, 0, 0);
    EXPECT_TRUE(CLaserType::CollisionJudgment(&a, &b, 1.0f, 2.0f));
    EXPECT_FALSE(CLaserType::CollisionJudgment(&a, &c, 1.0f, 2.0f));

    CLaserType lasers;
    D3DXMATRIX target = Placed(0, 0, 100);
    Launch(lasers, {&target}, 7);
    Frame(lasers);
    lasers.LaserDeleteProcess();
    EXPECT_EQ(lasers.m_lpLaser, nullptr);
    EXPECT_EQ(lasers.GetLaserType(), 0u);
    EXPECT_EQ(lasers.m_lpTarget[0], nullptr);
    // A player torn down mid-volley may still be asked by the areas.
    Frame(lasers);
    EXPECT_EQ(lasers.LaserCollisionJudgment(&a, 100.0f), 0);
    lasers.SetLaser(Device(), 1, 7);
    EXPECT_EQ(lasers.GetLaserType(), 0u);
}
