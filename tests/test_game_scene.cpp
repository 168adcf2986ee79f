// Whole missions in the game scene on the real device, with the generated
// assets, scripted input and a GlobalData of the test's own.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <memory>
#include <string>

#include "game/Area.h"
#include "game/Curry.h"
#include "game/Dragoon.h"
#include "game/Hito.h"
#include "platform/automation.h"
#include "platform/d3d9/presentation.h"
#include "scene/Game_Scene.h"
#include "sound_files.h"
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

// The scene heard through OpenAL Soft's wave writer, which writes the
// device's whole mix to a file in real time, as a player would hear it.
class GameSceneMixTest : public GameSceneTest {
protected:
    void SetUp() override {
        m_capture = m_files.Path("mix.wav");
        const std::string config = "[wave]\nfile = " + m_capture + "\n";
        soundfiles::WriteFile(m_files.Path("alsoft.conf"), soundfiles::Bytes(config.begin(), config.end()));
        setenv("ALSOFT_DRIVERS", "wave", 1);
        setenv("ALSOFT_CONF", m_files.Path("alsoft.conf").c_str(), 1);
        GameSceneTest::SetUp();
    }
    // Closes the device, which completes the file, and reads it.
    soundfiles::Waveform Heard() {
        m_services.reset();
        soundfiles::Waveform mix;
        soundfiles::ReadWaveform(soundfiles::ReadFile(m_capture), &mix);
        return mix;
    }
    soundfiles::TempDir m_files;
    std::string m_capture;
};
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

TEST_F(GameSceneTest, ACurryRunsToThePlayerWhileItsHumansLiveAndItsHitCostsThePlayerTenLife) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    Frame();
    // The first Curry area of the mission, brought 20 units ahead of the
    // dragon (which starts at the origin, 4 up, flying along +z): the
    // Curry nearest, its five humans in a row behind it.
    CArea* area = nullptr;
    for (CArea* candidate : m_scene.EnemyManager().m_AreaList)
        if (!candidate->m_CurryList.empty()) {
            area = candidate;
            break;
        }
    ASSERT_NE(area, nullptr);
    auto place = [](CBoneObject& character, float x, float z) {
        D3DXMatrixTranslation(&character.m_World, x, 0.0f, z);
        character.m_OldWorld = character.m_World;
    };
    CCurry* curry = area->m_CurryList.front();
    place(*curry, 0.0f, 20.0f);
    float x = -6.0f;
    for (CHito* hito : area->m_HitoList) place(*hito, x += 2.0f, 26.0f);

    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(area->GetAreaStatus(), 1u);
    EXPECT_EQ(curry->m_pProc, &CCurry::PROC_Run);
    EXPECT_LT(curry->m_OldWorld._43, 20.0f - 25 * 0.02f);  // running at the dragon

    // The player's own laser locks on to the Curry first and hurts it.
    const std::uint64_t frame = automation::SceneFrame() + 1;
    Script((std::to_string(frame) + " X 1\n" + std::to_string(frame + 1) + " X 0\n").c_str());
    int lifeLost = 0;
    for (int i = 0; i < 200 && curry->m_CurryStatus != CURRY_STATUS_DAMAGED; ++i) {
        const int life = Status()->Life;
        Frame();
        lifeLost = life - Status()->Life;
    }
    ASSERT_EQ(curry->m_CurryStatus, CURRY_STATUS_DAMAGED);
    EXPECT_EQ(lifeLost, 10) << "in the frame the Curry was hurt";
    EXPECT_EQ(curry->m_HitPoint, 9);
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

TEST_F(GameSceneMixTest, ABusyMissionOverTheMusicNeverReachesFullScale) {
    ASSERT_EQ(m_scene.InitProc(), 1);
    // Fireballs every other frame, laser volleys, OverDrive shells, dashes
    // (wing beats) and mode changes, over the music and the engine's loop.
    constexpr int kFrames = 300;
    std::string script;
    auto tap = [&](int frame, const char* key) {
        script += std::to_string(frame) + " " + key + " 1\n" + std::to_string(frame + 1) + " " + key + " 0\n";
    };
    for (int frame = 2; frame < kFrames; frame += 2) {
        tap(frame, "Z");
        if (frame % 30 == 2) tap(frame + 1, "X");
        if (frame % 90 == 50) tap(frame + 1, "C");
        if (frame % 150 == 100) tap(frame + 1, "V");
        if (frame % 20 == 10) tap(frame + 1, frame % 40 == 10 ? "B" : "N");
    }
    Script(script.c_str());
    for (int i = 0; i < kFrames; ++i) Frame();
    m_scene.EndProc();

    const soundfiles::Waveform mix = Heard();
    if (mix.samples.empty()) GTEST_SKIP() << "OpenAL was set up before this test could choose its wave writer";
    ASSERT_GT(mix.rate, 0);
    const double seconds = static_cast<double>(mix.samples.size()) / mix.channels / mix.rate;
    EXPECT_GT(seconds, 3.0);
    double energy = 0;
    float peak = 0;
    int fullScale = 0;
    for (const float sample : mix.samples) {
        energy += static_cast<double>(sample) * sample;
        peak = std::max(peak, std::fabs(sample));
        fullScale += std::fabs(sample) >= 32767.0f / 32768.0f;
    }
    const double rmsDb = 10 * std::log10(energy / static_cast<double>(mix.samples.size()));
    std::printf("%.1f s of mix: RMS %.1f dBFS, peak %.2f dBFS\n", seconds, rmsDb, 20 * std::log10(peak));
    EXPECT_GT(rmsDb, -30.0) << "the mission is heard";
    EXPECT_EQ(fullScale, 0) << "samples at full scale; peak " << peak;
}
