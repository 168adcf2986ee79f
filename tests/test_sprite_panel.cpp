#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "lib/texturemanager/TextureManager.h"
#include "scene/GlobalData.h"
#include "scene/SpritePanel.h"
#include "support/graphics_fixture.h"
#include "support/results_directory.h"
#include "support/scoped_directory.h"

namespace {
namespace fs = std::filesystem;

// Pixels in [x0, x1) x [y0, y1) that are not black.
int LitPixels(const d3d9::Pixels& pixels, int x0, int x1, int y0, int y1) {
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) lit += (pixels.At(x, y) & 0xFFFFFF) != 0;
    return lit;
}

bool SameRows(const d3d9::Pixels& a, const d3d9::Pixels& b, int x0, int x1, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (a.At(x, y) != b.At(x, y)) return false;
    return true;
}

class HudTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_directory = std::make_unique<ScopedDirectory>(ScopedDirectory::Into{}, VORTWING_DATA_DIR);
        D3DXMatrixIdentity(&m_player);
        D3DXMatrixIdentity(&m_view);
        D3DXMatrixPerspectiveFovLH(&m_projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 10000.0f);
        m_graphics->m_lpViewMatrix = &m_view;
        m_graphics->m_lpProjMatrix = &m_projection;
        Start();
    }
    void TearDown() override {
        CTextureManager::GetInst()->Release();
        CTextureManager::DeleteInst();
        m_directory.reset();
        GraphicsTest::TearDown();
    }
    void Start() {
        m_status = StartingPlayerStatus();
        m_state = GAME_STATE_PLAY;
        m_panel.InitProc(&m_player, &m_state);
        m_panel.SetPlayerStatusAddress(&m_status);
        m_panel.SetAreaPosListAddress(&m_areas);
    }
    d3d9::Pixels Frame() {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        m_panel.RenderProc();
        return ReadTarget();
    }
    // Many frames whose pixels nobody reads: drawn into one pixel.
    void Run(int frames) {
        D3DVIEWPORT9 full{};
        Device()->GetViewport(&full);
        D3DVIEWPORT9 tiny = full;
        tiny.Width = tiny.Height = 1;
        Device()->SetViewport(&tiny);
        for (int i = 0; i < frames; ++i) m_panel.RenderProc();
        Device()->SetViewport(&full);
    }

    std::unique_ptr<ScopedDirectory> m_directory;
    CSpritePanel m_panel;
    PlayerStatus m_status{};
    GAME_STATE m_state = GAME_STATE_PLAY;
    D3DXMATRIXA16 m_player, m_view, m_projection;
    std::list<D3DXVECTOR3> m_areas;
};
}  // namespace

TEST_F(HudTest, CountdownClearsAfterSixtySecondsUnlessAComboRunsAtTheTick) {
    Run(3599);
    EXPECT_EQ(m_state, GAME_STATE_PLAY);
    EXPECT_EQ(m_panel.m_TimeLeft, 1);
    Run(1);
    EXPECT_EQ(m_state, GAME_STATE_CLEAR);

    Start();
    Run(59);
    m_panel.m_Combo = 3;
    Run(1);  // the tick of the first second sees the combo
    EXPECT_EQ(m_panel.m_TimeLeft, 60);
    m_panel.m_Combo = 9;
    Run(30);
    m_panel.m_Combo = 0;  // expired between two ticks: no refill
    Run(30);
    EXPECT_EQ(m_panel.m_TimeLeft, 59);
    EXPECT_EQ(m_panel.m_BestCombo, 9);

    m_state = GAME_STATE_PAUSE;
    Run(200);
    EXPECT_EQ(m_panel.m_TimeLeft, 59);
    EXPECT_EQ(m_panel.m_FrameCount, 60);
}

TEST_F(HudTest, GameOverEndsTheMissionAfter255FramesEvenWhilePausedButNotAfterAClear) {
    m_status.Life = 0;
    Run(254);
    EXPECT_EQ(m_state, GAME_STATE_PLAY);
    Run(1);
    EXPECT_EQ(m_state, GAME_STATE_TO_TITLE);

    Start();
    m_status.Life = -30;
    m_state = GAME_STATE_PAUSE;
    Run(255);
    EXPECT_EQ(m_state, GAME_STATE_TO_TITLE);

    Start();
    m_status.Life = 0;
    Run(254);
    m_panel.m_TimeLeft = 1;
    m_panel.m_FrameCount = 1;
    Run(1);  // the countdown runs out on the fade's last frame
    EXPECT_EQ(m_state, GAME_STATE_CLEAR);
}

TEST_F(HudTest, PauseShowsOnlyThePausePicture) {
    const d3d9::Pixels playing = Frame();
    m_state = GAME_STATE_PAUSE;
    const d3d9::Pixels paused = Frame();
    // The score label and the minimap are gone; the pause band shows.
    EXPECT_GT(LitPixels(playing, 10, 380, 20, 90), 1000);
    EXPECT_EQ(LitPixels(paused, 10, 380, 20, 90), 0);
    EXPECT_EQ(LitPixels(paused, 600, 780, 380, 560), 0);
    EXPECT_GT(LitPixels(paused, 250, 550, 240, 320), 1000);
}

TEST_F(HudTest, NumbersShowFourPlacesWithLeadingZerosBlank) {
    auto number = [&](unsigned value) {
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        m_graphics->m_lpSprite->Begin(D3DXSPRITE_ALPHABLEND);
        m_panel.NumberCount(value, 100, 100, 0xFFFFFFFF);
        m_graphics->m_lpSprite->End();
        return ReadTarget();
    };
    for (unsigned single : {7u, 0u}) {
        const d3d9::Pixels pixels = number(single);
        EXPECT_EQ(LitPixels(pixels, 100, 220, 100, 150), 0) << single;
        EXPECT_GT(LitPixels(pixels, 220, 260, 100, 150), 100) << single;
    }
    const d3d9::Pixels thousand = number(1000);
    for (int place = 0; place < 4; ++place)
        EXPECT_GT(LitPixels(thousand, 100 + 40 * place, 140 + 40 * place, 100, 150), 100) << place;
    const d3d9::Pixels most = number(9999);
    EXPECT_TRUE(SameRows(number(123456), most, 0, 800, 100, 150));
    EXPECT_TRUE(SameRows(number(static_cast<unsigned>(-5)), number(0), 0, 800, 100, 150));
}

TEST_F(HudTest, GaugesMarkersArrowAndMinimapLandWhereTheyShould) {
    const d3d9::Pixels full = Frame();
    m_status.Life = 100;
    const d3d9::Pixels quarter = Frame();
    EXPECT_FALSE(SameRows(full, quarter, 16, 48, 100, 400));
    EXPECT_TRUE(SameRows(full, quarter, 16, 48, 400, 500));

    // Straight ahead of the camera projects to the screen centre; the Curry
    // marker's corner sits 64 pixels up and left of it.
    m_panel.Set3DPos({D3DXVECTOR3(0.0f, 0.0f, 100.0f)});
    ASSERT_EQ(m_panel.m_CurryScreenList.size(), 1u);
    EXPECT_NEAR(m_panel.m_CurryScreenList.front().x, 400.0f, 0.01f);
    EXPECT_NEAR(m_panel.m_CurryScreenList.front().y, 300.0f, 0.01f);
    const d3d9::Pixels marked = Frame();
    EXPECT_NEAR(m_panel.m_CurryScreenList.front().x, 336.0f, 0.01f);
    EXPECT_FALSE(SameRows(quarter, marked, 336, 400, 236, 278));
    EXPECT_TRUE(SameRows(quarter, marked, 0, 800, 0, 230));

    m_panel.m_AreaWayTarget = D3DXVECTOR3(100.0f, 0.0f, 0.0f);
    const d3d9::Pixels right = Frame();
    m_panel.m_AreaWayTarget = D3DXVECTOR3(-100.0f, 0.0f, 0.0f);
    const d3d9::Pixels left = Frame();
    EXPECT_GT(LitPixels(right, 600, 666, 300, 364), 500);
    EXPECT_EQ(LitPixels(left, 600, 666, 300, 364), 0);
    EXPECT_GT(LitPixels(left, 134, 200, 236, 300), 500);

    // 1000 ahead is 50 pixels above the minimap's centre, drawn in red.
    m_areas = {D3DXVECTOR3(0.0f, 0.0f, 1000.0f)};
    const d3d9::Pixels point = Frame();
    const std::uint32_t red = point.At(689, 419);
    EXPECT_GT((red >> 16) & 0xFF, 200u);
    EXPECT_LT((red >> 8) & 0xFF, 60u);
    m_areas = {D3DXVECTOR3(0.0f, 0.0f, 3000.0f)};
    EXPECT_TRUE(SameRows(Frame(), left, 590, 790, 370, 570));
}

TEST_F(HudTest, RenderedFrameAndClearScreen) {
    m_status.Life = 260;
    m_status.Energy = 150;
    m_status.AttackMode = 2;
    m_panel.m_Score = 42;
    m_panel.m_Combo = 7;
    m_panel.m_AreaWayTarget = D3DXVECTOR3(100.0f, 60.0f, 50.0f);
    m_areas = {D3DXVECTOR3(500.0f, 0.0f, 800.0f), D3DXVECTOR3(-900.0f, 0.0f, -300.0f)};
    m_panel.SetEnemyPosTo2D({D3DXVECTOR3(-20.0f, 5.0f, 60.0f), D3DXVECTOR3(10.0f, -4.0f, 40.0f)});
    m_panel.Set3DPos({D3DXVECTOR3(15.0f, 10.0f, 70.0f)});
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF304860, 1.0f, 0);
    m_panel.RenderProc();
    EXPECT_TRUE(d3d9::SavePng(m_directory->Previous("showcase_hud.png"), ReadTarget()));

    for (int i = 0; i < 300; ++i) m_panel.ClearRenderProc();
    EXPECT_EQ(m_panel.m_ClearAlpha, 255);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    m_panel.ClearRenderProc();
    const d3d9::Pixels clear = ReadTarget();
    EXPECT_GT(LitPixels(clear, 0, 800, 250, 378), 5000);
    EXPECT_EQ(LitPixels(clear, 0, 800, 0, 250), 0);
    EXPECT_TRUE(d3d9::SavePng(m_directory->Previous("showcase_clear.png"), clear));
}

TEST(LastResultFile, HoldsSixLittleEndianBytesAndAnythingElseReadsAsZero) {
    ScopedDirectory directory;
    CSpritePanel panel;
    panel.m_Score = 0x01020304;
    panel.m_BestCombo = 300;
    ASSERT_TRUE(panel.SaveToGlobalData());
    EXPECT_EQ(ReadBytes("GlobalData/Global.qdf"), std::string("\x04\x03\x02\x01\x2C\x01", 6));
    EXPECT_FALSE(fs::exists("GlobalData/Global.qdf.tmp"));
    EXPECT_EQ(LoadLastResult().Score, 0x01020304);
    EXPECT_EQ(LoadLastResult().BestCombo, 300);

    for (const std::string& damaged : {std::string("\x04\x03\x02\x01\x2C", 5), std::string(7, '\x01'), std::string()}) {
        WriteBytes("GlobalData/Global.qdf", damaged);
        EXPECT_EQ(LoadLastResult().Score, 0) << damaged.size();
        EXPECT_EQ(LoadLastResult().BestCombo, 0) << damaged.size();
    }
    fs::remove("GlobalData/Global.qdf");
    EXPECT_EQ(LoadLastResult().Score, 0);

    // A missing directory is made; a write that fails says so and leaves no
    // older result behind for the ranking to count again.
    fs::remove_all("GlobalData");
    ASSERT_TRUE(panel.SaveToGlobalData());
    EXPECT_EQ(LoadLastResult().Score, 0x01020304);
    PlantLinksAtTemporaryNames((directory.Path() / "GlobalData" / "Global.qdf").string(),
                               (directory.Path() / "elsewhere").string());
    panel.m_Score = 5;
    EXPECT_FALSE(panel.SaveToGlobalData());
    EXPECT_FALSE(fs::exists("GlobalData/Global.qdf"));
    EXPECT_FALSE(fs::exists(directory.Path() / "elsewhere"));
}

// The game names its files "GlobalData/...", and they land in the results
// directory, wherever that is; the data directory's own folder is not used.
TEST(LastResultFile, AndTheRankingLiveInTheResultsDirectory) {
    ScopedDirectory directory;
    const fs::path results = directory.Path() / "home" / "vortwing" / "GlobalData";
    const std::string previous = PointResultsDirectoryAt(results.string());
    LAST_RESULT result;
    result.Score = 7;
    result.BestCombo = 3;
    ASSERT_TRUE(SaveLastResult(result));
    RANKING_TABLE table;
    table.Score[0] = 9;
    ASSERT_TRUE(SaveRankingTable(table));
    EXPECT_EQ(ReadBytes(results / "Global.qdf"), std::string("\x07\x00\x00\x00\x03\x00", 6));
    EXPECT_EQ(ReadBytes(results / "Ranking.qdf"), std::string("\x09\x00\x00\x00\x00\x00", 6));
    EXPECT_TRUE(fs::is_empty("GlobalData"));
    EXPECT_EQ(LoadLastResult().Score, 7);
    EXPECT_EQ(LoadRankingTable().Score[0], 9);
    PointResultsDirectoryAt(previous);
}
