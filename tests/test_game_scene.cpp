// Whole missions in the game scene on the real device, with the generated
// assets, scripted input and a GlobalData of the test's own.
#include <cmath>
#include <filesystem>
#include <list>
#include <memory>
#include <string>

#include "game/Dragoon.h"
#include "platform/automation.h"
#include "platform/d3d9/presentation.h"
#include "scene/Game_Scene.h"
#include "support/graphics_fixture.h"
#include "support/scene_fixture.h"
#include "support/scoped_directory.h"
#include "support/virtual_pad.h"

namespace {
class GameSceneTest : public SceneTest {
protected:
    void Script(const char* text) {
        std::string error;
        ASSERT_TRUE(automation::LoadInputScriptText(text, "test", &error)) << error;
    }
    int Frame() {
        automation::BeginSceneFrame();
        return m_scene.MainProc();
    }
    // A frame as the scene loop runs it, after the waiting messages (and
    // with them the pads' news).
    int LoopFrame() {
        VirtualPad::Pump();
        return Frame();
    }
    // Presses and releases a pad button over two frames.
    void Tap(VirtualPad& pad, int button) {
        pad.Set(button, true);
        LoopFrame();
        pad.Set(button, false);
        LoopFrame();
    }
    // Frames until the state is reached (or the limit runs out).
    int FramesUntil(GAME_STATE state, int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            Frame();
            if (m_scene.GetGameState() == state) return frame;
        }
        return -1;
    }
    PlayerStatus* Status() { return CDragoon::GetInstance()->GetPlayerStatusAddress(); }
    static bool ResultSaved() { return std::filesystem::exists("GlobalData/Global.qdf"); }

    CScene_Game m_scene;
};

struct Target {
    float x, y;
};

// The screen points of the given world positions, through the view and
// projection the HUD is handed.
std::vector<Target> Projected(D3DVIEWPORT9 viewport, const D3DXMATRIX& view, const D3DXMATRIX& projection,
                              const std::list<D3DXVECTOR3>& world) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    std::vector<Target> screen;
    for (const D3DXVECTOR3& position : world) {
        D3DXVECTOR3 projected;
        D3DXVec3Project(&projected, &position, &viewport, &projection, &view, &identity);
        screen.push_back({projected.x, projected.y});
    }
    return screen;
}

// Targets whose marker lies wholly on the screen and away from every other
// marker of its kind (the two kinds differ in colour), so that its pixels are
// its own.
std::vector<Target> Apart(const std::vector<Target>& targets) {
    std::vector<Target> apart;
    for (const Target& t : targets) {
        if (t.x < 90 || t.x > 560 || t.y < 90 || t.y > 560) continue;
        int near = 0;
        for (const Target& o : targets) near += std::hypot(o.x - t.x, o.y - t.y) < 80.0f;
        if (near == 1) apart.push_back(t);
    }
    return apart;
}

// Where a marker's ring of the given radius is centred: the point near the
// target on whose circle most of the marker's pixels lie.
template <typename IsMarker>
Target RingCentre(const d3d9::Pixels& frame, const Target& target, float radius, IsMarker isMarker) {
    std::vector<Target> lit;
    const int reach = static_cast<int>(radius) + 16;
    for (int y = static_cast<int>(target.y) - reach; y <= static_cast<int>(target.y) + reach; ++y)
        for (int x = static_cast<int>(target.x) - reach; x <= static_cast<int>(target.x) + reach; ++x)
            if (isMarker(frame.At(x, y))) lit.push_back({x + 0.5f, y + 0.5f});
    Target best{-1.0f, -1.0f};
    int bestCount = 0;
    for (float dy = -14.0f; dy <= 14.0f; dy += 0.5f)
        for (float dx = -14.0f; dx <= 14.0f; dx += 0.5f) {
            const Target centre{target.x + dx, target.y + dy};
            int count = 0;
            for (const Target& p : lit) count += std::fabs(std::hypot(p.x - centre.x, p.y - centre.y) - radius) < 1.5f;
            if (count > bestCount) {
                bestCount = count;
                best = centre;
            }
        }
    return best;
}

unsigned Channel(std::uint32_t colour, int shift) { return (colour >> shift) & 0xFF; }
bool Red(std::uint32_t c) { return Channel(c, 16) > 190 && Channel(c, 8) < 110 && Channel(c, 0) < 110; }
bool Green(std::uint32_t c) { return Channel(c, 8) > 190 && Channel(c, 16) < 140 && Channel(c, 0) < 170; }
}  // namespace

// The HUD moves each marker up and left of its target's screen point by a
// fixed amount; the marker pictures must have their centres there.
TEST_F(GameSceneTest, LockOnMarkersAreCentredOnTheirTargets) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    // Turning left towards the nearest areas brings soldiers and then a Curry into view.
    Script("100 LEFT 1\n185 LEFT 0\n");
    const D3DXMATRIX& view = *m_graphics->m_lpViewMatrix;
    const D3DXMATRIX& projection = *m_graphics->m_lpProjMatrix;
    D3DVIEWPORT9 full{};
    Device()->GetViewport(&full);
    D3DVIEWPORT9 tiny = full;
    tiny.Width = tiny.Height = 1;
    auto targets = [&](std::vector<Target>* humans, std::vector<Target>* curries) {
        std::list<D3DXVECTOR3> world;
        *humans = Apart(Projected(full, view, projection, *m_scene.EnemyManager().GetEnemyPos(&world)));
        world.clear();
        *curries = Apart(Projected(full, view, projection, *m_scene.EnemyManager().GetCurryPos(&world)));
        return !humans->empty() || !curries->empty();
    };
    int humansChecked = 0, curriesChecked = 0;
    std::vector<Target> humans, curries;
    for (int frame = 0; frame < 900 && (humansChecked < 3 || curriesChecked < 1); ++frame) {
        // Frames before any target comes into view are drawn into one pixel.
        const bool looking = targets(&humans, &curries);
        Device()->SetViewport(looking ? &full : &tiny);
        Frame();
        Device()->SetViewport(&full);
        if (!looking || !targets(&humans, &curries)) continue;
        const d3d9::Pixels pixels = ReadTarget();
        d3d9::SavePng(m_directory->Previous("game_scene_markers.png").c_str(), pixels);
        for (const Target& t : humans) {
            const Target centre = RingCentre(pixels, t, 16.0f, Red);
            EXPECT_NEAR(centre.x, t.x, 3.0f) << "soldier at " << t.x << ", " << t.y;
            EXPECT_NEAR(centre.y, t.y, 3.0f) << "soldier at " << t.x << ", " << t.y;
            ++humansChecked;
        }
        for (const Target& t : curries) {
            const Target centre = RingCentre(pixels, t, 34.0f, Green);
            EXPECT_NEAR(centre.x, t.x, 3.0f) << "Curry at " << t.x << ", " << t.y;
            EXPECT_NEAR(centre.y, t.y, 3.0f) << "Curry at " << t.x << ", " << t.y;
            ++curriesChecked;
        }
    }
    EXPECT_GE(humansChecked, 3);
    EXPECT_GE(curriesChecked, 1);
    m_scene.EndProc();
}

TEST_F(GameSceneTest, SurvivingTheCountdownClearsTheMissionAndConfirmingSavesAndLeavesForTheRanking) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Frame(), RETRY_CONTINUE);
    EXPECT_NEAR(m_scene.GetSkyAngle(), 20 * 0.05f, 1e-4f);
    EXPECT_EQ(m_scene.SpritePanel().m_TimeLeft, 60);  // 20 frames: not yet a second

    const d3d9::Pixels frame = ReadTarget();
    d3d9::SavePng(m_directory->Previous("game_scene_play.png").c_str(), frame);
    // The sky above the horizon and the sea below differ; the grey clear
    // colour shows nowhere in the middle of the picture.
    EXPECT_FALSE(ColourNear(frame.At(400, 150), 0xFF646464, 6));
    EXPECT_FALSE(ColourNear(frame.At(400, 450), 0xFF646464, 6));

    // Skip to the last second of the countdown; no combo is running.
    m_scene.SpritePanel().m_TimeLeft = 1;
    const int framesToClear = FramesUntil(GAME_STATE_CLEAR, 200);
    ASSERT_GT(framesToClear, 0);
    EXPECT_LE(framesToClear, 61);
    EXPECT_FALSE(ResultSaved());
    const float angle = m_scene.GetSkyAngle();
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_CLEAR);  // waits for the confirmation
    EXPECT_GT(m_scene.GetSkyAngle(), angle);              // the sky keeps turning

    Script("0 RETURN 1\n");
    Frame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_TO_RANKING);
    EXPECT_TRUE(ResultSaved());
    EXPECT_EQ(Frame(), RETRY_CHANGE);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_RANKING);
    CScene::SetRetryScene(RETRY_CONTINUE);
    EXPECT_EQ(m_scene.EndProc(), 1);
}

TEST_F(GameSceneTest, LosingAllLifeFadesToTheTitleWithoutSavingAndItsLastFramePresentsNothing) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    Frame();
    Status()->Life = 0;
    const int frames = FramesUntil(GAME_STATE_TO_TITLE, 2000);
    ASSERT_GT(frames, 1);
    EXPECT_EQ(Frame(), RETRY_CHANGE);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_TITLE);
    EXPECT_FALSE(ResultSaved());
    CScene::SetRetryScene(RETRY_CONTINUE);
    m_scene.EndProc();
}

TEST_F(GameSceneTest, PauseFreezesTheCountdownAndTheSkyButKeepsDrawing) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    // Enter pauses on frame 2 and resumes on frame 200.
    Script("2 RETURN 1\n3 RETURN 0\n200 RETURN 1\n201 RETURN 0\n");
    for (int i = 0; i < 10; ++i) Frame();
    ASSERT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    const float angle = m_scene.GetSkyAngle();
    const auto timeLeft = m_scene.SpritePanel().m_TimeLeft;
    const auto frameCount = m_scene.SpritePanel().m_FrameCount;
    const std::uint64_t presented = d3d9::PresentCount();
    for (int i = 0; i < 150; ++i) Frame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    EXPECT_EQ(m_scene.GetSkyAngle(), angle);
    EXPECT_EQ(m_scene.SpritePanel().m_TimeLeft, timeLeft);
    EXPECT_EQ(m_scene.SpritePanel().m_FrameCount, frameCount);
    EXPECT_EQ(d3d9::PresentCount(), presented + 150);
    for (int i = 0; i < 60; ++i) Frame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);
    m_scene.EndProc();
}

TEST_F(GameSceneTest, EnteringAgainStartsAFreshMission) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    for (int i = 0; i < 30; ++i) Frame();
    Status()->Energy = 10;
    m_scene.SpritePanel().m_Score = 7;
    m_scene.EndProc();

    ASSERT_EQ(m_scene.InitProc(), 1);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);
    EXPECT_EQ(m_scene.GetSkyAngle(), 0.0f);
    EXPECT_EQ(Status()->Energy, 400);
    EXPECT_EQ(Status()->Life, 400);
    EXPECT_EQ(m_scene.EnemyManager().GetKillCount(), 0);
    Frame();
    EXPECT_EQ(m_scene.SpritePanel().m_Score, 0);
    m_scene.EndProc();
}

TEST_F(GameSceneTest, StartOnAPadPluggedInDuringTheMissionPausesAndResumes) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    for (int i = 0; i < 5; ++i) LoopFrame();
    VirtualPad pad(true, 0x0201);
    LoopFrame();
    Tap(pad, VirtualPad::kStart);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    const auto frameCount = m_scene.SpritePanel().m_FrameCount;
    for (int i = 0; i < 10; ++i) LoopFrame();
    EXPECT_EQ(m_scene.SpritePanel().m_FrameCount, frameCount);
    Tap(pad, VirtualPad::kStart);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);
    // Back pauses as well; the face buttons do not.
    Tap(pad, VirtualPad::kSouth);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);
    Tap(pad, VirtualPad::kBack);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    m_scene.EndProc();
}

TEST_F(GameSceneTest, UnpluggingThePadMidMissionLeavesTheKeyboardAndAnotherPadIsTakenUp) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    auto pad = std::make_unique<VirtualPad>(true, 0x0202);
    LoopFrame();
    // Unplugged while its stick was held left: the dragon stops turning.
    const float heading = CDragoon::GetInstance()->m_World._31;
    pad->SetAxis(VirtualPad::kLeftX, -32768);
    LoopFrame();
    const float turned = CDragoon::GetInstance()->m_World._31;
    EXPECT_LT(turned, heading);
    pad.reset();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(LoopFrame(), RETRY_CONTINUE);
    EXPECT_EQ(CDragoon::GetInstance()->m_World._31, turned);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);

    // The keyboard still pauses and resumes.
    const std::uint64_t frame = automation::SceneFrame() + 1;
    const std::string keys = std::to_string(frame) + " RETURN 1\n" + std::to_string(frame + 1) + " RETURN 0\n" +
                             std::to_string(frame + 2) + " RETURN 1\n" + std::to_string(frame + 3) + " RETURN 0\n";
    Script(keys.c_str());
    LoopFrame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    for (int i = 0; i < 3; ++i) LoopFrame();
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PLAY);

    // A pad without a mapping plugged in now: its own button 8 pauses.
    VirtualPad other(false, 0x0203);
    LoopFrame();
    Tap(other, 8);
    EXPECT_EQ(m_scene.GetGameState(), GAME_STATE_PAUSE);
    m_scene.EndProc();
}
