#include <gtest/gtest.h>

#include <vector>

#include "game/BillBoardManager.h"
#include "game/SphereHit.h"
#include "lib/ViewFrustumCulling.h"
#include "platform/d3d9/texture.h"
#include "support/graphics_fixture.h"

namespace {
// Which nodes the callbacks saw, by their m_Count tag, in order.
std::vector<int> g_visited;

int RecordAndKeep(BillBoardNode* node) {
    g_visited.push_back(node->m_Count);
    return 0;
}
int RecordAndRemove(BillBoardNode* node) {
    g_visited.push_back(node->m_Count);
    return 1;
}
int RecordAndSpawn(BillBoardNode* node) {
    g_visited.push_back(node->m_Count);
    BillBoardNode* child = CBillBoardManager::GetInstance()->AddNode();
    child->m_Count = node->m_Count + 100;
    child->m_UpdateProc = RecordAndRemove;
    return 0;
}

class BillBoardManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_visited.clear();
        m_manager = CBillBoardManager::GetInstance();
        m_manager->Init(nullptr, &m_camera);
    }
    void TearDown() override { CBillBoardManager::UnLoad(); }

    BillBoardNode* Add(int tag, BillBoardProc update) {
        BillBoardNode* node = m_manager->AddNode();
        node->m_Count = tag;
        node->m_UpdateProc = update;
        return node;
    }
    // Tags of the live nodes from head to tail.
    std::vector<int> LiveTags() const {
        std::vector<int> tags;
        const CList<BillBoardNode>& list = m_manager->m_List;
        for (BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext)
            tags.push_back(node->m_Count);
        return tags;
    }
    // A node with a hit sphere of radius at x along the world x axis.
    BillBoardNode* AddHitting(float x, float radius, USE_TYPE use, EFFECT_TYPE effect) {
        BillBoardNode* node = m_manager->AddNode();
        node->Move(x, 0, 0);
        const D3DXVECTOR3 centre(0, 0, 0);
        node->m_lpSphereHit = new CSphereHit(&centre, &radius);
        node->m_UseType = use;
        node->m_EffectType = effect;
        return node;
    }

    CBillBoardManager* m_manager = nullptr;
    D3DXMATRIX m_camera;
};
}  // namespace

TEST(BillBoardQuad, SheetFramesRunAcrossThenDown) {
    CBillBoard board;
    board.Init(2.0f, 0xFFFFFFFF);
    // Frame 9 of an 8 x 8 sheet: second column, second row.
    board.SetAnimationInfo(8, 8);
    board.SetAnimation(9);
    EXPECT_FLOAT_EQ(board.m_Vertex[0].u, 0.125f);
    EXPECT_FLOAT_EQ(board.m_Vertex[0].v, 0.25f);
    EXPECT_FLOAT_EQ(board.m_Vertex[1].v, 0.125f);
    EXPECT_FLOAT_EQ(board.m_Vertex[3].u, 0.25f);
    EXPECT_FLOAT_EQ(board.m_Vertex[3].v, 0.125f);
    // A sheet wider than tall steps rows by the across count.
    board.SetAnimationInfo(4, 2);
    board.SetAnimation(5);
    EXPECT_FLOAT_EQ(board.m_Vertex[1].u, 0.25f);
    EXPECT_FLOAT_EQ(board.m_Vertex[1].v, 0.5f);
    EXPECT_FLOAT_EQ(board.m_Vertex[2].v, 1.0f);
}

TEST(BillBoardQuad, AsymmetricQuadWidensOutwardButNeverAcrossTheOrigin) {
    CBillBoard board;
    board.Init(0.05f, 0.05f, 1.0f, 0.0f, 0xFFFFFFFF);
    EXPECT_EQ(board.m_Vertex[0].y, 0.0f);
    EXPECT_EQ(board.m_Vertex[1].y, 1.0f);
    board.AddSizeX(0.1f, 0.1f);
    EXPECT_FLOAT_EQ(board.m_Vertex[0].x, -0.15f);
    EXPECT_FLOAT_EQ(board.m_Vertex[1].x, -0.15f);
    EXPECT_FLOAT_EQ(board.m_Vertex[2].x, 0.15f);
    EXPECT_FLOAT_EQ(board.m_Vertex[3].x, 0.15f);
    // The bottom right corner follows b, the top right corner a.
    board.AddSizeX(0.0f, 0.2f);
    EXPECT_FLOAT_EQ(board.m_Vertex[2].x, 0.35f);
    EXPECT_FLOAT_EQ(board.m_Vertex[3].x, 0.15f);
    // Shrinking stops at the origin on each side.
    board.AddSizeX(-1.0f, -1.0f);
    for (const BBVERTEX& vertex : board.m_Vertex) EXPECT_EQ(vertex.x, 0.0f);
}

TEST_F(BillBoardManagerTest, EmptyListWalksDoNothing) {
    m_manager->UpdateProcess();
    m_manager->RendreProcess();
    CSphereHit sphere;
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_NONE, EFFECT_DAMAGE), 0);
    EXPECT_TRUE(LiveTags().empty());
    // A second Init starts afresh rather than leaking or linking twice.
    Add(1, RecordAndKeep);
    m_manager->Init(nullptr, &m_camera);
    EXPECT_TRUE(LiveTags().empty());
    EXPECT_EQ(m_manager->GetCameraMatrix(), &m_camera);
}

TEST_F(BillBoardManagerTest, WalkRemovesOnRequestAndVisitsNodesBornInTheSameWalk) {
    Add(1, RecordAndKeep);
    Add(2, RecordAndRemove);
    Add(3, RecordAndSpawn);
    Add(4, nullptr);  // never removed by the walk
    Add(5, RecordAndKeep);
    m_manager->UpdateProcess();
    // The child of 3 lands before the tail and is updated (and removed) in
    // the same walk.
    EXPECT_EQ(g_visited, (std::vector<int>{1, 2, 3, 5, 103}));
    EXPECT_EQ(LiveTags(), (std::vector<int>{1, 3, 4, 5}));

    g_visited.clear();
    m_manager->UpdateProcess();
    EXPECT_EQ(g_visited, (std::vector<int>{1, 3, 5, 103}));
    EXPECT_EQ(LiveTags(), (std::vector<int>{1, 3, 4, 5}));
}

TEST_F(BillBoardManagerTest, ListKeepsKeyOrderAndRefusesSentinels) {
    CList<BillBoardNode>& list = m_manager->m_List;
    list.Add(5)->m_Count = 1;
    list.Add(1)->m_Count = 2;
    list.Add(5)->m_Count = 3;       // equal keys: newest last
    list.AddFront(5)->m_Count = 4;  // equal keys: newest first
    list.Add(0xFFFFFFFEu)->m_Count = 5;
    EXPECT_EQ(LiveTags(), (std::vector<int>{2, 4, 1, 3, 5}));
    EXPECT_EQ(list.Add(0xFFFFFFFFu), nullptr);

    EXPECT_EQ(list.DelNode(list.m_lpHead), nullptr);
    EXPECT_EQ(list.DelNode(list.m_lpTail), nullptr);
    BillBoardNode* third = list.m_lpHead->m_lpNext->m_lpNext->m_lpNext;
    EXPECT_EQ(list.DelNode(third)->m_Count, 3);
    EXPECT_EQ(LiveTags(), (std::vector<int>{2, 4, 3, 5}));
    // The back links stay consistent after an unlink.
    EXPECT_EQ(list.m_lpTail->m_lpPrev->m_lpPrev->m_Count, 3);
    EXPECT_EQ(list.m_lpTail->m_lpPrev->m_lpPrev->m_lpPrev->m_Count, 4);
}

TEST_F(BillBoardManagerTest, JudgmentCountsOnlyTouchingNodesOfTheExactUseAndEffect) {
    AddHitting(0.0f, 1.0f, USE_PLAYER, EFFECT_DAMAGE);
    AddHitting(2.5f, 1.0f, USE_PLAYER, EFFECT_DAMAGE);   // touches at the edge
    AddHitting(10.0f, 1.0f, USE_PLAYER, EFFECT_DAMAGE);  // too far
    AddHitting(0.0f, 1.0f, USE_ENEMY, EFFECT_DAMAGE);
    AddHitting(0.0f, 1.0f, USE_PLAYER, EFFECT_EXPLODE);
    BillBoardNode* noSphere = m_manager->AddNode();
    noSphere->m_UseType = USE_PLAYER;
    noSphere->m_EffectType = EFFECT_DAMAGE;

    const D3DXVECTOR3 centre(0, 0, 0);
    const float radius = 1.5f;
    CSphereHit sphere(&centre, &radius);
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_PLAYER, EFFECT_DAMAGE), 2);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_ENEMY, EFFECT_DAMAGE), 1);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_PLAYER, EFFECT_EXPLODE), 1);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_ENEMY, EFFECT_RECOVERY), 0);
    // The query's sphere is carried by its matrix.
    matrix._41 = 10.0f;
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_PLAYER, EFFECT_DAMAGE), 1);
    EXPECT_EQ(m_manager->JudgmentProcess(sphere, matrix, USE_ENEMY, EFFECT_DAMAGE), 0);
}

namespace {
int RenderWithRadiusFive(BillBoardNode* node) { return RenderBillBoardNode(node, 5.0f); }

class BillBoardRenderTest : public GraphicsTest {
protected:
    // A 2 x 2 sheet of solid 8 x 8 frames.
    IDirect3DTexture9* Sheet(const std::uint32_t (&frames)[4]) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(Device()->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked{};
        texture->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < 16; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (int x = 0; x < 16; ++x) row[x] = frames[(y / 8) * 2 + x / 8];
        }
        texture->UnlockRect(0);
        return texture;
    }
    BillBoardNode* AddBoard(float x, int blend, D3DCOLOR colour, int frame) {
        BillBoardNode* node = CBillBoardManager::GetInstance()->AddNode();
        node->Init(4.0f, colour);
        node->SetTexture(m_sheet);
        node->SetAnimationInfo(2, 2);
        node->SetAnimation(frame);
        node->Move(x, 0, 10);
        node->m_Blend = blend;
        node->m_RenderProc = RenderWithRadiusFive;
        return node;
    }
    IDirect3DTexture9* m_sheet = nullptr;
};
}  // namespace

TEST_F(BillBoardRenderTest, BlendModesDrawTheChosenFrameOverTheScene) {
    m_sheet = Sheet({0xFFFF0000, 0xFF0040A0, 0xFF00FF00, 0xFFFFFFFF});
    D3DXMATRIX view, projection;
    D3DXMatrixIdentity(&view);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 4.0f / 3.0f, 1.0f, 100.0f);
    Device()->SetTransform(D3DTS_VIEW, &view);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    CViewFrustumCulling::CreateFrustum(&view, 90.0f, 4.0f / 3.0f, 1.0f, 100.0f);
    CBillBoardManager* manager = CBillBoardManager::GetInstance();
    manager->Init(Device(), &view);

    BillBoardNode* additive = AddBoard(-6.0f, 1, 0xFFFFFFFF, 1);
    AddBoard(6.0f, 2, 0x80FFFFFF, 1);
    AddBoard(0.0f, 0, 0xFFFFFFFF, 3);
    BillBoardNode* outside = AddBoard(0.0f, 1, 0xFFFFFFFF, 3);
    outside->Move(0, 0, -30);

    m_graphics->LightEnable(false);
    m_graphics->ZWriteEnable(false);
    Device()->BeginScene();
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    manager->RendreProcess();
    Device()->EndScene();
    const d3d9::Pixels pixels = ReadTarget();
    EXPECT_TRUE(d3d9::SavePng("billboard_blend_modes.png", pixels));

    // Additive: background plus frame 1's colour; alpha: half way between.
    EXPECT_TRUE(ColourNear(pixels.At(220, 300) & 0xFFFFFF, 0x2060C0, 2));
    EXPECT_TRUE(ColourNear(pixels.At(580, 300) & 0xFFFFFF, 0x103060, 3));
    // Not drawn: blend mode 0, and the node behind the camera.
    EXPECT_EQ(pixels.At(400, 300) & 0xFFFFFF, 0x202020u);
    // Every node commits its matrix whether drawn or not.
    EXPECT_EQ(D3DXMATRIX(additive->m_OldWorld), D3DXMATRIX(additive->m_World));
    EXPECT_EQ(outside->m_OldWorld._43, -20.0f);

    CBillBoardManager::UnLoad();
    EXPECT_EQ(CBillBoardManager::lpBillBoardManager, nullptr);
    m_sheet->Release();
}
