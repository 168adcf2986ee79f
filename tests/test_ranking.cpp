#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "game/Beam.h"
#include "game/BillBoardManager.h"
#include "lib/DirectAudio.h"
#include "lib/DirectSound.h"
#include "lib/StaticMeshManager.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/automation.h"
#include "platform/win32/messagebox.h"
#include "scene/GlobalData.h"
#include "scene/Ranking.h"
#include "support/graphics_fixture.h"
#include "support/scene_fixture.h"
#include "support/results_directory.h"
#include "support/scoped_directory.h"

namespace {
namespace fs = std::filesystem;

void WriteTable(std::int16_t first, std::int16_t second, std::int16_t third) {
    RANKING_TABLE table;
    table.Score[0] = first;
    table.Score[1] = second;
    table.Score[2] = third;
    ASSERT_TRUE(SaveRankingTable(table));
}

void WriteMission(std::int32_t score) {
    LAST_RESULT result;
    result.Score = score;
    result.BestCombo = 12;
    ASSERT_TRUE(SaveLastResult(result));
}

::testing::AssertionResult TableIs(std::int16_t first, std::int16_t second, std::int16_t third) {
    const RANKING_TABLE table = LoadRankingTable();
    if (table.Score[0] == first && table.Score[1] == second && table.Score[2] == third)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "table is " << table.Score[0] << ", " << table.Score[1] << ", "
                                         << table.Score[2];
}

// The beam needs a device and the billboard list; sound effects without a
// sound device play silently.
class RankMemberTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_directory = std::make_unique<ScopedDirectory>(VORTWING_DATA_DIR);
        CBillBoardManager::GetInstance()->Init(Device(), &m_camera);
    }
    void TearDown() override {
        m_member.EndProc();
        CBillBoardManager::UnLoad();
        CTextureManager::GetInst()->Release();
        CTextureManager::DeleteInst();
        CDirectSound::DeleteInstance();
        m_directory.reset();
        GraphicsTest::TearDown();
    }
    int BeamEmitters() const {
        const CList<BillBoardNode>& list = CBillBoardManager::GetInstance()->m_List;
        int emitters = 0;
        for (const BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext)
            emitters += node->m_UpdateProc == &CBeam::BeamProcess;
        return emitters;
    }
    std::string RankingFile() const { return (m_directory->Path() / "GlobalData" / "Ranking.qdf").string(); }
    std::unique_ptr<ScopedDirectory> m_directory;
    D3DXMATRIX m_camera{};
    RANKING_STATE m_state = RANKING_SLIDE_IN;
    CRankMember m_member;
};
}  // namespace

TEST_F(RankMemberTest, NewScoreEntersAtItsPlaceBelowEqualScoresOrNotAtAll) {
    struct Case {
        std::int32_t mission;
        std::int16_t first, second, third;
    };
    const Case cases[] = {
        {40, 40, 30, 20},
        {25, 30, 25, 20},
        {15, 30, 20, 15},
        {10, 30, 20, 10},
        {3, 30, 20, 10},
        {20, 30, 20, 20},
        {30, 30, 30, 20},
        // The table is 16-bit: 65536 + 50 keeps 50, 40000 turns negative.
        {65536 + 50, 50, 30, 20},
        {40000, 30, 20, 10},
    };
    for (const Case& c : cases) {
        WriteTable(30, 20, 10);
        WriteMission(c.mission);
        m_member.InitProc(&m_state);
        EXPECT_EQ(m_member.m_Rank[3].Combo, 12);
        EXPECT_TRUE(m_member.ChangeRanking());
        EXPECT_TRUE(TableIs(c.first, c.second, c.third)) << "mission " << c.mission;
        // Only the scores move; the plates stay in their rows.
        EXPECT_EQ(m_member.m_Rank[3].Pos.y, 400.0f);
        EXPECT_EQ(m_member.m_Rank[0].SrcRect.bottom, 54);
    }
    EXPECT_EQ(ReadBytes("GlobalData/Ranking.qdf").size(), 6u);
    EXPECT_FALSE(fs::exists("GlobalData/Ranking.qdf.tmp"));
}

TEST_F(RankMemberTest, DamagedShortOrMissingTableReadsAsDefaultAndAFailedSaveKeepsTheOldOne) {
    WriteBytes("GlobalData/Ranking.qdf", std::string("\x1E\x00\x14\x00\x0A\x00", 6));
    EXPECT_TRUE(TableIs(30, 20, 10));
    for (const std::string& damaged :
         {std::string("\x1E\x00\x14\x00\x0A", 5), std::string("\x1E\x00\x14\x00\x0A\x00\x00", 7), std::string(),
          std::string("\x0A\x00\x1E\x00\x14\x00", 6), std::string("\x1E\x00\x14\x00\xF6\xFF", 6)}) {
        WriteBytes("GlobalData/Ranking.qdf", damaged);
        EXPECT_TRUE(TableIs(0, 0, 0)) << damaged.size();
    }
    fs::remove("GlobalData/Ranking.qdf");
    fs::remove("GlobalData/Global.qdf");
    m_member.InitProc(&m_state);
    EXPECT_EQ(m_member.m_Rank[0].Score, 0);
    EXPECT_EQ(m_member.m_Rank[3].Score, 0);

    WriteTable(30, 20, 10);
    WriteMission(99);
    m_member.InitProc(&m_state);
    PlantLinksAtTemporaryNames(RankingFile(), (m_directory->Path() / "elsewhere").string());
    EXPECT_FALSE(m_member.ChangeRanking());
    EXPECT_TRUE(TableIs(30, 20, 10));
}

// Earlier versions wrote the table through the fixed name "Ranking.qdf.tmp":
// a link planted there made the save overwrite the file it points to.
TEST_F(RankMemberTest, ALinkAtTheTemporaryNameIsNeverWrittenThroughAndAFailedSaveIsShownOnce) {
    const fs::path victim = m_directory->Path() / "unrelated.txt";
    WriteBytes(victim, "keep me");
    fs::create_symlink(victim, "GlobalData/Ranking.qdf.tmp");
    WriteTable(30, 20, 10);
    WriteMission(25);
    m_member.InitProc(&m_state);
    EXPECT_TRUE(m_member.ChangeRanking());
    EXPECT_TRUE(TableIs(30, 25, 20));
    EXPECT_FALSE(fs::is_symlink("GlobalData/Ranking.qdf"));
    EXPECT_EQ(ReadBytes(victim), "keep me");

    // With links at every name a save could take, the save fails; the table
    // and the linked file stay as they were, and the player is told once.
    globaldata::ForgetReportedSaveFailure();
    const unsigned boxes = win32::MessageBoxCount();
    PlantLinksAtTemporaryNames(RankingFile(), victim.string());
    WriteMission(40);
    m_member.InitProc(&m_state);
    EXPECT_FALSE(m_member.ChangeRanking());
    EXPECT_TRUE(TableIs(30, 25, 20));
    EXPECT_EQ(ReadBytes(victim), "keep me");
    ASSERT_EQ(win32::MessageBoxCount(), boxes + 1);
    const std::string text = win32::LastMessageBoxText();
    EXPECT_NE(text.find(RankingFile()), std::string::npos) << text;
    EXPECT_NE(text.find("File exists"), std::string::npos) << text;
    m_member.InitProc(&m_state);
    EXPECT_FALSE(m_member.ChangeRanking());
    EXPECT_EQ(win32::MessageBoxCount(), boxes + 1);
}

TEST_F(RankMemberTest, PlatesSlideInThenNumbersCountUntilTheTopAndThePlayerAreDone) {
    WriteTable(3, 2, 1);
    WriteMission(5);
    m_member.InitProc(&m_state);
    int frames = 0;
    while (m_state == RANKING_SLIDE_IN && frames < 5000) {
        m_member.UpdateProc();
        ++frames;
        if (frames == 699) {
            EXPECT_EQ(m_member.m_Rank[0].Pos.x, 101.0f);
        }
        if (frames == 700) {
            EXPECT_EQ(m_member.m_Rank[0].Pos.x, 100.0f);
        }
    }
    EXPECT_EQ(frames, 1200);
    EXPECT_EQ(m_state, RANKING_COUNT_UP);
    for (const RANK& rank : m_member.m_Rank) EXPECT_EQ(rank.Pos.x, 100.0f);

    frames = 0;
    while (m_state == RANKING_COUNT_UP && frames < 100) {
        m_member.UpdateProc();
        ++frames;
    }
    // Five frames to count the player's 5, the sixth sees both done and
    // fires the beam.
    EXPECT_EQ(frames, 6);
    EXPECT_EQ(m_state, RANKING_WAIT_KEY);
    EXPECT_EQ(BeamEmitters(), 1);
    for (const RANK& rank : m_member.m_Rank) EXPECT_EQ(rank.DispScore, rank.Score);

    // Nothing counts for zeros: the first counting frame ends it.
    WriteTable(0, 0, 0);
    WriteMission(0);
    m_member.InitProc(&m_state);
    m_state = RANKING_COUNT_UP;
    m_member.UpdateProc();
    EXPECT_EQ(m_state, RANKING_WAIT_KEY);
}

namespace {
class RankingSceneTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        Device()->GetViewport(&m_full);
    }
    // Frames whose pixels nobody reads are drawn into one pixel.
    void Tiny(bool tiny) {
        D3DVIEWPORT9 viewport = m_full;
        if (tiny) viewport.Width = viewport.Height = 1;
        Device()->SetViewport(&viewport);
    }
    D3DVIEWPORT9 m_full{};
    CRanking m_scene;
};
}  // namespace

TEST_F(RankingSceneTest, ShowsTheTableThenSavesOnConfirmAndFadesToTheTitle) {
    WriteTable(120, 64, 7);
    WriteMission(88);
    ASSERT_EQ(m_scene.InitProc(), 1);
    CRankMember& member = m_scene.m_RankMember;
    for (RANK& rank : member.m_Rank) rank.Pos.x = 101.0f;
    Tiny(true);
    for (int frame = 0; frame < 130 && m_scene.m_RankingState != RANKING_WAIT_KEY; ++frame) m_scene.MainProc();
    ASSERT_EQ(m_scene.m_RankingState, RANKING_WAIT_KEY);
    for (int frame = 0; frame < 59; ++frame) m_scene.MainProc();  // the beam spirals out
    Tiny(false);
    m_scene.MainProc();
    const d3d9::Pixels shown = ReadTarget();
    int digitPixels = 0;  // the last digit of rank 1's 120, 160 pixels right of its plate
    for (int y = 100; y < 150; ++y)
        for (int x = 380; x < 420; ++x) digitPixels += !ColourNear(shown.At(x, y), 0xFF646464, 8);
    EXPECT_GT(digitPixels, 100);
    EXPECT_FALSE(ColourNear(shown.At(600, 40), 0xFF646464, 8));  // sky, not the cleared grey
    int firePixels = 0;                                          // the beam's rays on the sea below the camera
    for (int y = 500; y < 600; ++y)
        for (int x = 0; x < 800; ++x) firePixels += ((shown.At(x, y) >> 16) & 0xFF) > 200;
    EXPECT_GT(firePixels, 5000);
    EXPECT_TRUE(d3d9::SavePng(m_directory->Previous("showcase_ranking.png"), shown));

    std::string error;
    ASSERT_TRUE(automation::LoadInputScriptText("0 RETURN 1\n", "confirm", &error)) << error;
    automation::BeginSceneFrame();
    m_scene.MainProc();
    EXPECT_EQ(m_scene.m_RankingState, RANKING_FADE_OUT);
    EXPECT_TRUE(TableIs(120, 88, 64));
    // The numbers stay in their rows while the screen fades out.
    EXPECT_EQ(member.m_Rank[3].DispScore, 88);

    int frames = 1;
    Tiny(true);
    while (CScene::GetNextScene() != SCENE_TITLE && frames < 400) {
        m_scene.MainProc();
        ++frames;
    }
    EXPECT_EQ(frames, 255);
    EXPECT_EQ(m_scene.EndProc(), 1);
}
