// The player dragon over the generated model, driven through input scripts
// frame by frame as the game scene drives it: update (or pause), then draw.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "game/Beam.h"
#include "game/BillBoardManager.h"
#include "game/Dragoon.h"
#include "game/FireBall.h"
#include "game/OverDrive.h"
#include "game/SphereHit.h"
#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/DirectInput.h"
#include "lib/DirectSound.h"
#include "lib/SkinXFile.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/automation.h"
#include "platform/crt/random.h"
#include "support/graphics_fixture.h"

namespace {

D3DXVECTOR3 Position(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }
double Sin(double degrees) { return std::sin(degrees * 3.14159265358979 / 180.0); }
double Cos(double degrees) { return std::cos(degrees * 3.14159265358979 / 180.0); }

class DragoonTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        ASSERT_NE(getcwd(m_previous, sizeof m_previous), nullptr);
        ASSERT_EQ(chdir(VORTWING_DATA_DIR), 0);
        automation::ResetSceneFrames();
        CBillBoardManager::GetInstance()->Init(Device(), &m_camera.m_World);
        m_dragoon = CDragoon::GetInstance();
    }
    void TearDown() override {
        if (CDragoon::m_lpDragoon) {
            CDragoon::m_lpDragoon->EndProc();
            CDragoon::DeleteInstance(nullptr);
        }
        CFireBallGenerator::DeleteInstance();
        CBeam::DeleteInstance();
        CBillBoardManager::UnLoad();
        CTextureManager::GetInst()->Release();
        CTextureManager::DeleteInst();
        automation::UnloadInputScript();
        CDirectInput::UninitDirectInput();
        CDirectInput::DeleteInstance(nullptr);
        CDirectInput::DirectInputState = 0;
        CDirectSound::DeleteInstance();
        ASSERT_EQ(chdir(m_previous), 0);
        GraphicsTest::TearDown();
    }

    // Loads the script (one naming PAD inputs brings up its controller), then
    // starts the mission in script frame 0 as the game scene does.
    void Start(const std::string& script = "") {
        if (!script.empty()) {
            std::string error;
            ASSERT_TRUE(automation::LoadInputScriptText(script, "test", &error)) << error;
            CDirectInput::GetInstance();
            CDirectInput::InitDirectInput(m_window);
        }
        automation::BeginSceneFrame();
        m_dragoon->InitProc(Device(), &m_state);
        m_dragoon->SetViewObject(&m_camera);
        ASSERT_NE(m_dragoon->m_lpSkinXFile, nullptr);
    }
    // One game frame on the input of the current script frame.
    void Frame() {
        if (m_state == GAME_STATE_PAUSE)
            m_dragoon->PauseProcess(Device());
        else
            m_dragoon->UpdateProc(Device());
        m_camera.SetTransform(Device());
        m_dragoon->RenderProc(Device());
        automation::BeginSceneFrame();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    // Runs the frames up to and including script frame `last`.
    void RunTo(std::uint64_t last) {
        while (automation::SceneFrame() <= last) Frame();
    }

    D3DXVECTOR3 Pos() const { return Position(m_dragoon->m_World); }
    PlayerStatus& Status() const { return *m_dragoon->GetPlayerStatusAddress(); }
    void LockOn(D3DXMATRIX* target) {
        D3DXMATRIX* targets[CLaserType::LASER_COUNT];
        std::fill(std::begin(targets), std::end(targets), target);
        m_dragoon->m_LaserType.SetMultiRockMatrix(targets);
    }
    // Live billboards run by this update callback.
    static int Nodes(BillBoardProc update) {
        const CList<BillBoardNode>& list = CBillBoardManager::GetInstance()->m_List;
        int n = 0;
        for (BillBoardNode* node = list.m_lpHead->m_lpNext; node != list.m_lpTail; node = node->m_lpNext)
            n += node->m_UpdateProc == update;
        return n;
    }
    // A still billboard whose hit sphere reaches well over the dragon.
    static BillBoardNode* Touching(USE_TYPE use, EFFECT_TYPE effect) {
        BillBoardNode* node = CBillBoardManager::GetInstance()->AddNode();
        D3DXMatrixTranslation(&node->m_World, 0.0f, 4.0f, 0.0f);
        const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
        const float radius = 50.0f;
        node->m_lpSphereHit = new CSphereHit(&centre, &radius);
        node->m_UseType = use;
        node->m_EffectType = effect;
        return node;
    }

    char m_previous[1024] = {};
    CDragoon* m_dragoon = nullptr;
    CCamera m_camera;
    GAME_STATE m_state = GAME_STATE_PLAY;
};

TEST_F(DragoonTest, StartsFullAtHeightFourFliesStraightAndEachMissionGetsAFreshDragon) {
    Start();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 4.0f, 0.0f), Position(m_dragoon->m_OldWorld));
    EXPECT_NE(m_dragoon->m_lpNeckFrame, nullptr);
    const PlayerStatus s = Status();
    EXPECT_EQ(400, s.Life);
    EXPECT_EQ(400, s.Energy);
    EXPECT_EQ(1, s.AttackMode);
    EXPECT_EQ(8, s.PauseButton);
    EXPECT_FLOAT_EQ(m_dragoon->GetBoundingSphereData() - 7.0f, m_dragoon->m_lpSphereHit->GetRadius());
    EXPECT_GT(m_dragoon->m_lpSphereHit->GetRadius(), 0.0f);

    Frames(100);
    EXPECT_NEAR(8.0f, Pos().z, 1e-4f);
    EXPECT_EQ(4.0f, Pos().y);
    EXPECT_EQ(0.0f, Pos().x);
    EXPECT_EQ(m_dragoon->m_World, m_dragoon->m_OldWorld);
    Frame();  // the mouth is the neck bone of the last drawn pose
    EXPECT_GT(m_dragoon->m_MouthMatrix._43, 8.0f);

    m_dragoon->EndProc();
    EXPECT_EQ(nullptr, m_dragoon->m_lpSphereHit);
    EXPECT_EQ(nullptr, m_dragoon->m_lpSkinXFile);
    EXPECT_EQ(nullptr, m_dragoon->m_lpAnimController);
    CDragoon::DeleteInstance(nullptr);
    EXPECT_EQ(nullptr, CDragoon::m_lpDragoon);
    m_dragoon = CDragoon::GetInstance();
    Start();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 4.0f, 0.0f), Position(m_dragoon->m_OldWorld));
}

TEST_F(DragoonTest, KeysAndStickSteerWhileHeldAndTheHeightStaysWithinThreeAndSeven) {
    // The stick at +-5 all along does nothing; at its ends it steers too.
    Start(
        "0 PAD.X 5\n0 PAD.Y 5\n0 RIGHT 1\n0 DOWN 1\n80 DOWN 0\n100 RIGHT 0\n100 UP 1\n190 UP 0\n"
        "200 PAD.X -6\n200 PAD.Y 6\n210 PAD.X 0\n210 PAD.Y 0\n");
    ASSERT_TRUE(CDirectInput::DirectInputState);
    RunTo(29);
    EXPECT_NEAR(5.5f, Pos().y, 1e-4f);  // Down arrow climbs 0.05 a frame
    RunTo(79);
    EXPECT_EQ(7.0f, Pos().y);
    RunTo(99);
    EXPECT_NEAR(Sin(30.0), m_dragoon->m_World._31, 1e-3);  // 0.3 degrees a frame
    EXPECT_NEAR(Cos(30.0), m_dragoon->m_World._33, 1e-3);
    RunTo(179);
    EXPECT_NEAR(3.0f, Pos().y, 1e-4f);  // Up arrow dives
    RunTo(189);
    EXPECT_EQ(3.0f, Pos().y);
    const D3DXVECTOR3 before = Pos();
    RunTo(199);
    const D3DXVECTOR3 step = (Pos() - before) * 0.1f;
    EXPECT_NEAR(0.08f, D3DXVec3Length(&step), 1e-4f);
    RunTo(209);  // stick left and back: turn left, climb
    EXPECT_NEAR(3.5f, Pos().y, 1e-4f);
    EXPECT_NEAR(Sin(27.0), m_dragoon->m_World._31, 1e-3);
}

TEST_F(DragoonTest, DashMovesThreeThenLessEachFrameForThirtyOneFramesAndRestartsOnANewPress) {
    Start("1 N 1\n2 N 0\n40 PAD.BUTTON6 1\n50 PAD.BUTTON6 0\n45 B 1\n");
    RunTo(0);
    EXPECT_EQ(0u, m_dragoon->m_CurrentAnimation);
    RunTo(1);
    EXPECT_EQ(1, Status().DashState);
    EXPECT_EQ(1u, m_dragoon->m_CurrentAnimation);
    EXPECT_NEAR(3.0f, Pos().x, 1e-5f);
    float previous = Pos().x;
    int framesMoved = 1;
    while (Status().DashState == 1 && framesMoved < 40) {
        Frame();
        EXPECT_NEAR(3.0f - 0.1f * framesMoved, Pos().x - previous, 1e-4f) << framesMoved;
        previous = Pos().x;
        ++framesMoved;
    }
    EXPECT_EQ(31, framesMoved);
    EXPECT_NEAR(46.5f, Pos().x, 1e-3f);
    EXPECT_EQ(0.0f, m_dragoon->m_DashSpeed);
    EXPECT_EQ(0u, m_dragoon->m_CurrentAnimation);

    // Button 6 held dashes left once; B restarts the dash at full speed.
    RunTo(44);
    EXPECT_EQ(2, Status().DashState);
    EXPECT_EQ(2u, m_dragoon->m_CurrentAnimation);
    EXPECT_NEAR(46.5f - 14.0f, Pos().x, 1e-3f);
    RunTo(45);
    EXPECT_NEAR(46.5f - 17.0f, Pos().x, 1e-3f);
    RunTo(90);
    EXPECT_EQ(0, Status().DashState);
    EXPECT_EQ(0u, m_dragoon->m_CurrentAnimation);
}

TEST_F(DragoonTest, ChaseCameraTrailsThePoseOfTwentyNineUpdatesAgoAndCloseUpWhileDashing) {
    Start("60 N 1\n");
    Frame();  // the log starts full of the starting pose
    D3DXVECTOR3 eye = Position(m_camera.m_World);
    EXPECT_NEAR(0.0f, eye.x, 0.009f);
    EXPECT_NEAR(6.9f, eye.y, 0.009f);
    EXPECT_NEAR(-6.9f, eye.z, 1e-5f);
    EXPECT_EQ(m_dragoon->m_World, m_dragoon->m_MatrixLog[0]);
    Frames(49);
    EXPECT_NEAR(21 * 0.08f - 6.9f, Position(m_camera.m_World).z, 1e-4f);
    for (int i = 0; i < 10; ++i) {  // a shake below 0.009 on x and y
        Frame();
        const D3DXVECTOR3 offset = Position(m_camera.m_World) - Position(m_dragoon->m_MatrixLog[29]);
        EXPECT_LT(std::fabs(offset.x), 0.009f);
        EXPECT_LT(std::fabs(offset.y - 2.9f), 0.009f);
    }
    Frame();  // the dash press
    ASSERT_EQ(1, Status().DashState);
    eye = Position(m_camera.m_World);
    EXPECT_NEAR(m_dragoon->m_MatrixLog[3]._43 - 6.9f, eye.z, 1e-4f);
    EXPECT_NEAR(m_dragoon->m_MatrixLog[3]._41, eye.x, 0.009f);
}

TEST_F(DragoonTest, ClearedMissionIgnoresInputKeepsFlyingAndSwingsTheCameraTo160Point5) {
    Start("1 N 1\n2 N 0\n5 V 1\n6 LEFT 1\n");
    Touching(USE_ENEMY, EFFECT_DAMAGE);
    RunTo(1);  // a dash starts before the clear
    m_state = GAME_STATE_CLEAR;
    CrtRandomGenerator expected(CrtRandState());
    const int16_t life = Status().Life;
    Frame();
    EXPECT_EQ(0.5f, m_dragoon->m_ClearAngle);
    expected.Next();  // the shake only: no hit test
    expected.Next();
    EXPECT_EQ(expected.State(), CrtRandState());
    Frames(400);
    EXPECT_EQ(160.5f, m_dragoon->m_ClearAngle);
    EXPECT_EQ(GAME_STATE_CLEAR, m_state);
    EXPECT_EQ(life, Status().Life);
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_EQ(0, Status().DashState);  // the dash ran out on its own
    EXPECT_NEAR(46.5f, Pos().x, 1e-3f);
    EXPECT_EQ(1.0f, m_dragoon->m_World._33);
    const D3DXVECTOR3 offset = Position(m_camera.m_World) - Pos();
    EXPECT_NEAR(10.9 * Sin(160.5), -offset.x, 0.02);
    EXPECT_NEAR(-10.9 * Cos(160.5), offset.z, 0.02);
}

TEST_F(DragoonTest, AttacksFireOncePerPressOncePerDeviceAndOnlyWithTheEnergyTheyNeed) {
    Start(
        "1 Z 1\n10 Z 0\n11 Z 1\n11 PAD.BUTTON1 1\n12 Z 0\n12 PAD.BUTTON1 0\n"
        "13 V 1\n14 V 0\n15 Z 1\n16 Z 0\n17 Z 1\n18 Z 0\n19 Z 1\n20 Z 0\n"
        "21 C 1\n22 C 0\n23 C 1\n24 C 0\n25 C 1\n26 C 0\n27 V 1\n27 PAD.BUTTON0 1\n28 V 0\n28 PAD.BUTTON0 0\n"
        "29 V 1\n30 V 0\n31 PAD.BUTTON3 1\n");
    D3DXMATRIX target;
    D3DXMatrixTranslation(&target, 0.0f, 4.0f, 60.0f);
    PlayerStatus& s = Status();
    RunTo(10);  // Z held: one fireball
    EXPECT_EQ(1, Nodes(&CFireBallGenerator::FireBallProcess));
    RunTo(11);  // Z and button 1 in one frame: two
    EXPECT_EQ(3, Nodes(&CFireBallGenerator::FireBallProcess));
    EXPECT_EQ(400, s.Energy);

    RunTo(15);  // power mode without any target locked: nothing
    EXPECT_EQ(2, s.AttackMode);
    EXPECT_EQ(0, Nodes(&CFireBallGenerator::FireBallExProcess));
    EXPECT_EQ(400, s.Energy);
    LockOn(&target);
    s.Energy = 20;
    RunTo(17);  // ten homing fireballs for 20
    EXPECT_EQ(10, Nodes(&CFireBallGenerator::FireBallExProcess));
    EXPECT_EQ(0, s.Energy);
    s.Energy = 19;
    RunTo(19);
    EXPECT_EQ(10, Nodes(&CFireBallGenerator::FireBallExProcess));
    EXPECT_EQ(19, s.Energy);
    EXPECT_EQ(3, Nodes(&CFireBallGenerator::FireBallProcess));

    s.Energy = 80;
    RunTo(21);  // OverDrive needs 80, costs 40: the power kind
    EXPECT_EQ(1, Nodes(&COverDrive::InfinityEvilUpdate));
    EXPECT_EQ(40, s.Energy);
    RunTo(23);
    s.Energy = 79;
    RunTo(25);
    EXPECT_EQ(1, Nodes(&COverDrive::InfinityEvilUpdate));
    EXPECT_EQ(79, s.Energy);
    RunTo(27);  // V and button 0 together change the mode twice
    EXPECT_EQ(2, s.AttackMode);
    s.Energy = 400;
    RunTo(31);  // normal mode from button 3: the fire-spiral kind
    EXPECT_EQ(1, s.AttackMode);
    EXPECT_EQ(1, Nodes(&COverDrive::ConflagrationEvilUpdate));
    EXPECT_EQ(360, s.Energy);
}

TEST_F(DragoonTest, LaserPressLaunchesOneVolleyAndOnlyThePowerVolleyCostsEnergy) {
    Start("1 V 1\n2 X 1\n3 X 0\n3 V 0\n4 V 1\n5 V 0\n5 X 1\n6 X 0\n8 X 1\n9 X 0\n500 V 1\n501 X 1\n");
    RunTo(2);  // power laser without a target: paid, no volley
    EXPECT_EQ(380, Status().Energy);
    EXPECT_EQ(0u, m_dragoon->m_LaserType.GetLaserType());
    D3DXMATRIX target;
    D3DXMatrixTranslation(&target, 0.0f, 4.0f, 60.0f);
    LockOn(&target);
    RunTo(5);  // normal mode
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(CTextureManager::GetInst()->GetTexture(Device(), "Texture/Laser/BlueRedBeam_.png", D3DX_DEFAULT,
                                                     D3DX_DEFAULT, 4294967296.0f, 4294967296.0f, 0, 0),
              m_dragoon->m_LaserType.m_lpTexture);
    RunTo(8);  // a press while the volley flies does nothing
    EXPECT_EQ(4, m_dragoon->m_LaserType.m_Count);
    RunTo(469);  // the volley ends in its 466th update
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    RunTo(470);
    EXPECT_EQ(0u, m_dragoon->m_LaserType.GetLaserType());
    Status().Energy = 20;
    RunTo(501);
    EXPECT_EQ(4u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(0, Status().Energy);
}

TEST_F(DragoonTest, PauseHoldsTheDragonStillButTheAnimationRunsUntilTheNextPress) {
    // Enter held when the mission starts is no press.
    Start("0 RETURN 1\n2 RETURN 0\n3 RETURN 1\n4 RETURN 0\n5 V 1\n5 N 1\n5 DOWN 1\n6 PAD.BUTTON8 1\n");
    RunTo(2);
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
    RunTo(3);  // paused; the rest of the frame still ran
    EXPECT_EQ(GAME_STATE_PAUSE, m_state);
    const D3DXMATRIX still = m_dragoon->m_World;
    EXPECT_NEAR(4 * 0.08f, still._43, 1e-5f);
    const double animation = m_dragoon->GetNowAnimePos();
    RunTo(5);  // steering, dash and mode do nothing while paused
    EXPECT_EQ(still, m_dragoon->m_World);
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_EQ(0, Status().DashState);
    RunTo(6);  // button 8 resumes
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
    EXPECT_GT(m_dragoon->GetNowAnimePos(), animation);
    EXPECT_EQ(still, m_dragoon->m_World);
    RunTo(7);  // keys held through the pause are no new presses
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_EQ(0, Status().DashState);
    EXPECT_NEAR(still._42 + 0.05f, Pos().y, 1e-5f);
    RunTo(10);  // button 8 still held: no new pause
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
}

TEST_F(DragoonTest, EnemyProjectilesCostAPointOnOneFrameInFiveAndRecoveryFlashesRefillEnergy) {
    Start();
    // Nodes that are not enemy damage or item recovery never count.
    Touching(USE_PLAYER, EFFECT_DAMAGE);
    Touching(USE_ENEMY, EFFECT_EXPLODE);
    Touching(USE_ITEM, EFFECT_DAMAGE);
    Touching(USE_ENEMY, EFFECT_RECOVERY);
    Status().Energy = 390;
    CrtRandomGenerator quiet(CrtRandState());
    Frames(50);
    EXPECT_EQ(400, Status().Life);
    EXPECT_EQ(390, Status().Energy);
    for (int i = 0; i < 100; ++i) quiet.Next();  // the shake draws only
    EXPECT_EQ(quiet.State(), CrtRandState());

    // Two enemy bursts cost no more than one; two flashes give 1 a frame.
    Touching(USE_ENEMY, EFFECT_DAMAGE);
    Touching(USE_ENEMY, EFFECT_DAMAGE);
    Touching(USE_ITEM, EFFECT_RECOVERY);
    Touching(USE_ITEM, EFFECT_RECOVERY);
    CrtRandomGenerator expected(CrtRandState());
    int16_t life = 400;
    for (int frame = 0; frame < 100; ++frame) {
        expected.Next();
        expected.Next();
        if (expected.Next() % 5 == 0) --life;
    }
    Frames(4);
    EXPECT_EQ(394, Status().Energy);
    Frames(96);
    EXPECT_EQ(life, Status().Life);
    EXPECT_EQ(expected.State(), CrtRandState());
    EXPECT_GE(Status().Life, 400 - 30);
    EXPECT_LE(Status().Life, 400 - 10);
    EXPECT_EQ(400, Status().Energy);
}

TEST_F(DragoonTest, IsDrawnThroughTheBaseEffectInFrontOfTheChaseCamera) {
    Start();
    D3DXMATRIXA16 projection;
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4.0f, 800.0f / 600.0f, 1.0f, 1000.0f);
    Device()->SetTransform(D3DTS_PROJECTION, &projection);
    BaseShader shader;
    shader.CreateBaseEffect("Shader/BaseHLSL.fx", Device());
    ASSERT_NE(nullptr, shader.GetEffect());
    auto drawnPixels = [&] {
        Device()->BeginScene();
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF646464, 1.0f, 0);
        Frame();
        Device()->EndScene();
        const d3d9::Pixels pixels = ReadTarget();
        int drawn = 0;
        for (unsigned y = 0; y < pixels.height; ++y)
            for (unsigned x = 0; x < pixels.width; ++x) drawn += (pixels.At(x, y) & 0xFFFFFF) != 0x646464;
        return drawn;
    };
    EXPECT_EQ(0, drawnPixels());  // a skinned mesh needs the effect
    m_dragoon->SetHLSL(&shader, nullptr, nullptr);
    const int drawn = drawnPixels();
    EXPECT_GT(drawn, 800 * 600 / 50);
    EXPECT_LT(drawn, 800 * 600 / 2);
    EXPECT_EQ(shader.GetEffect(), m_dragoon->m_lpSkinXFile->m_lpEffect);
    shader.Release();
    m_dragoon->m_lpSkinXFile->m_lpEffect = nullptr;
}

}  // namespace
