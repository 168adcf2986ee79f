#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "lib/DirectAudio.h"
#include "lib/DirectInput.h"
#include "lib/DirectSound.h"
#include "lib/StaticMeshManager.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/automation.h"
#include "platform/d3d9/formats.h"
#include "platform/d3d9/presentation.h"
#include "platform/win32/messagebox.h"
#include "scene/Title_Scene.h"
#include "support/graphics_fixture.h"

namespace {
class TitleTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(VORTWING_DATA_DIR);
        CDirectSound::GetInstance()->DirectSoundInit(m_window);
        CDirectAudio::GetInstance()->DirectAudioInit(m_window);
        Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance()->Init();
    }

    void TearDown() override {
        if (m_entered) m_title.EndProc();
        CStaticMeshManager* meshes = Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance();
        meshes->Release();
        meshes->UnInit();
        Basalt::Singleton::CSingleton<CStaticMeshManager>::DeleteInstance();
        CTextureManager::DeleteInst();
        CDirectSound::GetInstance()->FreeBuffer();
        CDirectSound::GetInstance()->DirectSoundRelease();
        CDirectInput::UninitDirectInput();
        CDirectInput::DeleteInstance(nullptr);
        CDirectAudio::GetInstance()->ReleaseAllSegment();
        CDirectAudio::GetInstance()->DirectAudioUnInit();
        CDirectAudio::DeleteInstance();
        automation::UnloadInputScript();
        automation::ResetSceneFrames();
        std::filesystem::current_path(m_previousDirectory);
        GraphicsTest::TearDown();
    }

    // Loads the input script and starts the program's devices and the title
    // as start-up does.
    void Start(const char* script) {
        std::string error;
        ASSERT_TRUE(automation::LoadInputScriptText(script, "title script", &error)) << error;
        automation::ResetSceneFrames();
        CDirectInput::GetInstance();
        CDirectInput::InitDirectInput(m_window);
        Enter();
    }
    void Enter() {
        ASSERT_EQ(m_title.InitProc(), 1);
        m_entered = true;
    }
    void Leave() {
        EXPECT_EQ(m_title.EndProc(), 1);
        m_entered = false;
    }
    // One scene frame as the scene loop runs it; the scene's retry value.
    int Frame() {
        automation::BeginSceneFrame();
        return m_title.MainProc();
    }

    // Started at least once: a short sound may have ended by the time a slow
    // frame returns.
    bool Sounding(const char* path) {
        return dsound::PlayCalls(CDirectSound::GetInstance()->GetSecondryBuffer(path)) > 0;
    }

    CTitle_Scene m_title;
    bool m_entered = false;
    std::filesystem::path m_previousDirectory;
};

constexpr const char* kMoveSound = "Sound/SE/Key_shift.wav";
constexpr const char* kDecideSound = "Sound/SE/skilTrig_blow.wav";
}  // namespace

TEST_F(TitleTest, KeysMoveTheSelectionOncePerPressAndStartLoadsIntoTheGame) {
    Start(
        "2 DOWN 1\n"
        "6 DOWN 0\n"
        "8 UP 1\n"
        "9 UP 0\n"
        "12 RETURN 1\n"
        "14 RETURN 0\n"
        "20 DOWN 1\n"
        "21 DOWN 0\n"
        "30 UP 1\n"
        "31 UP 0\n");
    EXPECT_EQ(CDirectAudio::GetInstance()->Performance()->IsPlaying(CDirectAudio::GetInstance()->Segment(1), nullptr),
              S_OK);
    for (int frame = 0; frame < 2; ++frame) EXPECT_EQ(Frame(), RETRY_CONTINUE);
    EXPECT_EQ(m_title.m_Select, 0);
    EXPECT_FALSE(Sounding(kMoveSound));
    Frame();  // 2: Down pressed
    EXPECT_EQ(m_title.m_Select, 1);
    EXPECT_TRUE(Sounding(kMoveSound));
    for (int frame = 3; frame < 8; ++frame) Frame();  // held, then released
    EXPECT_EQ(m_title.m_Select, 1);
    Frame();  // 8: Up pressed
    EXPECT_EQ(m_title.m_Select, 0);
    for (int frame = 9; frame < 12; ++frame) Frame();
    EXPECT_EQ(m_title.m_LoadCount, 0);
    EXPECT_FALSE(Sounding(kDecideSound));

    EXPECT_EQ(Frame(), RETRY_CONTINUE);  // 12: Enter confirms the start
    EXPECT_TRUE(Sounding(kDecideSound));
    EXPECT_EQ(m_title.m_Decided, 1);
    EXPECT_EQ(m_title.m_LoadCount, 2);
    const std::int16_t advice = m_title.m_AdviceNo;
    EXPECT_GE(advice, 0);
    EXPECT_LE(advice, 2);

    int drawnLoadingFrames = 1;
    int retry = RETRY_CONTINUE;
    while (retry == RETRY_CONTINUE && drawnLoadingFrames < 100) {
        retry = Frame();
        ++drawnLoadingFrames;
        EXPECT_EQ(m_title.m_AdviceNo, advice);
        EXPECT_EQ(CScene::GetNextScene(), SCENE_GAME);
        // Down during the loading moves the highlight only.
        if (m_title.m_LoadCount == 2 + 20 - 12) {
            EXPECT_EQ(m_title.m_Select, 1);
        }
    }
    EXPECT_EQ(retry, RETRY_CHANGE);
    EXPECT_EQ(drawnLoadingFrames, 59);
    EXPECT_EQ(m_title.m_LoadCount, 60);
    EXPECT_EQ(m_title.m_Select, 0);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_GAME);
    // The screen is the device's own again for the next scene.
    IDirect3DSurface9* target = nullptr;
    Device()->GetRenderTarget(0, &target);
    EXPECT_EQ(target, m_graphics->m_lpBackBuffer);
    target->Release();

    Leave();
    // Leaving for a mission keeps the caches' owners, emptied.
    EXPECT_NE(CTextureManager::g_Inst, nullptr);
    EXPECT_NE(CDirectInput::m_lpDirectInput, nullptr);
    EXPECT_EQ(CDirectAudio::GetInstance()->Segment(1), nullptr);
}

TEST_F(TitleTest, EnterHeldOnArrivalConfirmsAndTheEndItemQuitsAtOnce) {
    Start(
        "0 RETURN 1\n"
        "2 RETURN 0\n"
        "4 DOWN 1\n"
        "5 DOWN 0\n"
        "6 RETURN 1\n"
        "8 RETURN 0\n"
        "8 UP 1\n");
    // Coming from a scene left with Enter still down.
    EXPECT_EQ(Frame(), RETRY_CONTINUE);
    EXPECT_EQ(m_title.m_Decided, 1);
    EXPECT_EQ(m_title.m_LoadCount, 2);
    Frame();
    EXPECT_EQ(m_title.m_LoadCount, 3);
    Leave();

    // The same scene object is entered again from scratch.
    Enter();
    EXPECT_EQ(m_title.m_Decided, 0);
    EXPECT_EQ(m_title.m_LoadCount, 0);
    EXPECT_EQ(m_title.m_SkyAngle, 0.0f);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_GAME);
    for (int frame = 2; frame < 6; ++frame) EXPECT_EQ(Frame(), RETRY_CONTINUE);
    EXPECT_EQ(m_title.m_Select, 1);
    EXPECT_EQ(Frame(), RETRY_CHANGE);  // 6: Enter on the end item
    EXPECT_EQ(CScene::GetNextScene(), SCENE_NONE);
    EXPECT_EQ(m_title.m_LoadCount, 0);
    // Toggling is not blocked after the choice (the start item is lit again);
    // a second Enter changes nothing.
    Frame();
    Frame();
    EXPECT_EQ(m_title.m_Select, 0);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_NONE);
    EXPECT_EQ(m_title.m_LoadCount, 0);

    Leave();
    // The program is ending: the texture cache and the controller go too,
    // whichever item is lit now.
    EXPECT_EQ(CTextureManager::g_Inst, nullptr);
    EXPECT_EQ(CDirectInput::m_lpDirectInput, nullptr);
}

TEST_F(TitleTest, ControllerAxisTogglesOncePerPushAndAnyOfTenButtonsConfirms) {
    Start(
        "1 PAD.Y 6\n"
        "3 PAD.Y 5\n"
        "4 PAD.Y -6\n"
        "6 PAD.Y -5\n"
        "7 PAD.Y -6\n"
        "8 PAD.Y 0\n"
        "10 PAD.BUTTON10 1\n"
        "12 PAD.BUTTON9 1\n");
    ASSERT_TRUE(CDirectInput::DirectInputState);
    const int expected[] = {0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1};
    for (int frame = 0; frame < 12; ++frame) {
        Frame();
        EXPECT_EQ(m_title.m_Select, expected[frame]) << frame;
    }
    // Button 10 is not one of the confirming buttons.
    EXPECT_EQ(m_title.m_Decided, 0);
    Frame();  // 12: button 9 on the end item
    EXPECT_EQ(m_title.m_Decided, 1);
    EXPECT_EQ(CScene::GetNextScene(), SCENE_NONE);
}

TEST_F(TitleTest, DragonFliesOnAndWrapsBackOverTheSameSea) {
    Start("");
    Frame();
    EXPECT_NEAR(m_title.m_Dragoon.m_OldWorld._43, 0.08f, 1e-6f);
    EXPECT_NEAR(m_title.m_Dragoon.m_OldWorld._42, 4.0f, 1e-6f);
    m_title.m_Dragoon.m_OldWorld._43 = 199.95f;
    Frame();
    EXPECT_EQ(m_title.m_Dragoon.m_OldWorld._43, 0.0f);
    // The sky dome travels with the dragon, a frame behind; the camera looks
    // back at the dragon from in front.
    EXPECT_NEAR(m_title.m_lpSky->m_World._43, 0.08f, 1e-6f);
    EXPECT_NEAR(m_title.m_lpSky->m_World._11, 2000.0f * std::cos(0.1f * D3DX_PI / 180.0f), 0.01f);
    EXPECT_NEAR(m_title.m_Camera.m_OldWorld._43, 10.9f, 0.01f);
    EXPECT_NEAR(m_title.m_Camera.m_OldWorld._42, 4.0f + 2.9f, 0.01f);
    EXPECT_NEAR(m_title.m_Camera.m_OldWorld._33, -1.0f, 1e-5f);
    EXPECT_NEAR(m_title.m_LightPos.z, 15.9f, 1e-5f);
}

namespace {
struct Region {
    unsigned left, top, width, height;
};
struct RegionStats {
    double red = 0, green = 0, blue = 0;  // means
    std::uint32_t brightest = 0;          // largest channel anywhere
    int reddish = 0;                      // pixels with red well above blue
    int white = 0;                        // pixels with every channel above 200
};
RegionStats Measure(const d3d9::Pixels& pixels, Region region) {
    RegionStats stats;
    for (unsigned y = region.top; y < region.top + region.height; ++y)
        for (unsigned x = region.left; x < region.left + region.width; ++x) {
            const std::uint32_t pixel = pixels.At(x, y);
            const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
            stats.red += r;
            stats.green += g;
            stats.blue += b;
            stats.brightest = std::max<std::uint32_t>(stats.brightest, std::max({r, g, b}));
            if (r > b + 20) ++stats.reddish;
            if (std::min({r, g, b}) > 200) ++stats.white;
        }
    const double count = region.width * region.height;
    stats.red /= count;
    stats.green /= count;
    stats.blue /= count;
    return stats;
}

constexpr Region kSkyBand{0, 120, 800, 100};
constexpr Region kSeaBand{0, 480, 800, 100};
constexpr Region kDragoonBox{340, 320, 120, 120};
constexpr Region kLogo{50, 20, 700, 65};
constexpr Region kStartItem{296, 350, 209, 59};
constexpr Region kEndItem{330, 450, 140, 59};
}  // namespace

TEST_F(TitleTest, FrameShowsSkySeaDragonAndMenu) {
    Start(
        "20 DOWN 1\n"
        "21 DOWN 0\n");
    for (int frame = 0; frame < 20; ++frame) Frame();
    const d3d9::Pixels menu = ReadTarget();
    const std::string shot = (m_previousDirectory / "title_frame.png").string();
    ASSERT_TRUE(d3d9::SavePng(shot, menu)) << shot;

    // A warm, fogged sky above the horizon, a blue sea below it.
    const RegionStats sky = Measure(menu, kSkyBand);
    EXPECT_GT(sky.red, 120.0);
    EXPECT_GT(sky.red, sky.blue);
    const RegionStats sea = Measure(menu, kSeaBand);
    EXPECT_GT(sea.blue, sea.red + 40.0);
    EXPECT_EQ(sea.reddish, 0);
    // The red dragon in the middle, over the sea.
    EXPECT_GT(Measure(menu, kDragoonBox).reddish, 1000);
    // The orange logo; the lit item in white, the other one in grey (only
    // the dragon's highlights may show white there).
    EXPECT_GT(Measure(menu, kLogo).brightest, 230u);
    const int startLit = Measure(menu, kStartItem).white;
    const int endGrey = Measure(menu, kEndItem).white;
    EXPECT_GT(startLit, 1500);
    EXPECT_EQ(endGrey, 0);

    Frame();  // 20: Down lights the end item instead
    const d3d9::Pixels moved = ReadTarget();
    EXPECT_LT(Measure(moved, kStartItem).white, startLit / 5);
    EXPECT_GT(Measure(moved, kEndItem).white, 1000);
}

TEST_F(TitleTest, LoadingFramesShowTheAdviceOverTheFadingTitle) {
    Start("3 RETURN 1\n");
    for (int frame = 0; frame < 3; ++frame) Frame();
    const RegionStats before = Measure(ReadTarget(), kSkyBand);
    for (int frame = 3; frame < 50; ++frame) Frame();
    ASSERT_EQ(m_title.m_LoadCount, 2 + 46);
    const d3d9::Pixels loading = ReadTarget();
    ASSERT_TRUE(d3d9::SavePng((m_previousDirectory / "title_loading.png").string(), loading));
    // The loading picture darkens the scene by about its alpha.
    const RegionStats during = Measure(loading, kSkyBand);
    EXPECT_LT(during.red, before.red - 10.0);
    EXPECT_GT(during.red, before.red * 0.6);
    // The advice line's box is dark; its text is light.
    const RegionStats advice = Measure(loading, Region{60, 55, 300, 40});
    EXPECT_LT(advice.red, during.red);
    EXPECT_GT(advice.brightest, 200u);
}

TEST_F(TitleTest, RefusedScreenTargetIsReportedOnEveryVisitAndTheTitleRunsOn) {
    d3d9::SetRenderTargetFormatOffered(D3DFMT_A8R8G8B8, false);
    const unsigned boxesBefore = win32::MessageBoxCount();
    Start("");
    EXPECT_EQ(win32::MessageBoxCount(), boxesBefore + 1);
    EXPECT_STREQ(win32::LastMessageBoxText(), "HDRTexture作成失敗");
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(Frame(), RETRY_CONTINUE);
    EXPECT_GT(Measure(ReadTarget(), kDragoonBox).reddish, 1000);
    Leave();
    Enter();
    EXPECT_EQ(win32::MessageBoxCount(), boxesBefore + 2);
    Frame();
    d3d9::SetRenderTargetFormatOffered(D3DFMT_A8R8G8B8, true);
}
