// The player dragon over the generated model, driven frame by frame through
// input scripts as the game scene drives it: update (or pause), then draw.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "game/BillBoardManager.h"
#include "game/Dragoon.h"
#include "game/SphereHit.h"
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

class DragoonTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        ASSERT_NE(getcwd(m_previous, sizeof m_previous), nullptr);
        ASSERT_EQ(chdir(VORTWING_DATA_DIR), 0);
        automation::ResetSceneFrames();
        m_dragoon = CDragoon::GetInstance();
        CBillBoardManager::GetInstance()->Init(Device(), &m_camera.m_World);
    }
    void TearDown() override {
        if (CDragoon::m_lpDragoon) {
            CDragoon::m_lpDragoon->EndProc();
            CDragoon::DeleteInstance(nullptr);
        }
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

    // Loads the script (naming PAD inputs brings up its controller), then
    // starts the mission as the game scene does.
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

    // One frame as the game scene runs it; the frame number of the script
    // that it consumed is the one before the call.
    void Frame() {
        if (m_state == GAME_STATE_PAUSE) m_dragoon->PauseProcess(Device());
        else m_dragoon->UpdateProc(Device());
        m_camera.SetTransform(Device());
        m_dragoon->RenderProc(Device());
        automation::BeginSceneFrame();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    D3DXVECTOR3 Pos() const { return Position(m_dragoon->m_World); }
    const PlayerStatus& Status() const { return *m_dragoon->GetPlayerStatusAddress(); }
    UINT PlayingSet() const {
        ID3DXAnimationSet* set = nullptr;
        m_dragoon->m_lpAnimController->GetTrackAnimationSet(m_dragoon->m_CurrentTrack, &set);
        UINT index = 99;
        for (UINT i = 0; set && i < m_dragoon->m_lpAnimController->GetNumAnimationSets(); ++i) {
            ID3DXAnimationSet* candidate = nullptr;
            m_dragoon->m_lpAnimController->GetAnimationSet(i, &candidate);
            if (candidate == set) index = i;
            if (candidate) candidate->Release();
        }
        if (set) set->Release();
        return index;
    }

    // A still billboard with a hit sphere of the given radius at a point.
    static BillBoardNode* Touching(const D3DXVECTOR3& at, float radius, USE_TYPE use, EFFECT_TYPE effect) {
        BillBoardNode* node = CBillBoardManager::GetInstance()->AddNode();
        D3DXMatrixTranslation(&node->m_World, at.x, at.y, at.z);
        const D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
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

TEST_F(DragoonTest, StartsAtHeightFourAndFliesForwardOnePointZeroEightPerFrame) {
    Start();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 4.0f, 0.0f), Position(m_dragoon->m_OldWorld));
    EXPECT_NE(m_dragoon->m_lpNeckFrame, nullptr);
    const PlayerStatus s = Status();
    EXPECT_EQ(400, s.Life);
    EXPECT_EQ(400, s.Energy);
    EXPECT_EQ(1, s.AttackMode);
    EXPECT_EQ(0, s.DashState);
    EXPECT_EQ(8, s.PauseButton);
    // The hit sphere is the model's bounding sphere shrunk by 7.
    EXPECT_NEAR(m_dragoon->GetBoundingSphereData() - 7.0f, m_dragoon->m_lpSphereHit->GetRadius(), 1e-6f);
    EXPECT_GT(m_dragoon->m_lpSphereHit->GetRadius(), 0.0f);

    Frames(100);
    EXPECT_NEAR(8.0f, Pos().z, 1e-4f);
    EXPECT_FLOAT_EQ(4.0f, Pos().y);
    EXPECT_FLOAT_EQ(0.0f, Pos().x);
    // The committed pose is the one drawn last, and the mouth follows it.
    EXPECT_EQ(Position(m_dragoon->m_World), Position(m_dragoon->m_OldWorld));
    Frame();
    EXPECT_GT(m_dragoon->m_MouthMatrix._43, 8.0f);
}

TEST_F(DragoonTest, ArrowsAndStickTurnAndClimbWhileHeldAndTheHeightStaysWithinThreeAndSeven) {
    // Right arrow held for 100 frames: 30 degrees of turn, forward keeps going.
    Start("0 RIGHT 1\n100 RIGHT 0\n");
    Frames(100);
    const D3DXMATRIX& w = m_dragoon->m_World;
    EXPECT_NEAR(std::sin(30.0 * 3.14159265 / 180.0), w._31, 1e-3);
    EXPECT_NEAR(std::cos(30.0 * 3.14159265 / 180.0), w._33, 1e-3);
    const D3DXVECTOR3 turned = Pos();
    EXPECT_GT(turned.x, 0.5f);
    Frame();
    const D3DXVECTOR3 step = Pos() - turned;
    EXPECT_NEAR(0.08f, D3DXVec3Length(&step), 1e-4f);
}

TEST_F(DragoonTest, KeyboardClimbStopsAtSevenAndDiveAtThree) {
    // Down arrow climbs 0.05 a frame: 4.0 to 7.0 in 60 frames, then held there.
    Start("0 DOWN 1\n80 DOWN 0\n80 UP 1\n");
    Frames(30);
    EXPECT_NEAR(5.5f, Pos().y, 1e-4f);
    Frames(50);
    EXPECT_EQ(7.0f, Pos().y);
    // Up arrow dives, and stops at 3.0 in the frame it would pass it.
    Frames(80);
    EXPECT_NEAR(3.0f, Pos().y, 1e-4f);
    Frames(5);
    EXPECT_EQ(3.0f, Pos().y);
}

TEST_F(DragoonTest, StickAxesSteerOnlyAtTheirEnds) {
    // +-5 is not pushed, +-6 is; stick back (Y > 5) climbs, left turns.
    Start("0 PAD.X 5\n0 PAD.Y 5\n10 PAD.X -6\n10 PAD.Y 6\n");
    ASSERT_TRUE(CDirectInput::DirectInputState);
    Frames(10);
    EXPECT_FLOAT_EQ(4.0f, Pos().y);
    EXPECT_FLOAT_EQ(0.0f, Pos().x);
    Frames(10);
    EXPECT_NEAR(4.5f, Pos().y, 1e-4f);
    EXPECT_LT(Pos().x, 0.0f);
    EXPECT_NEAR(-std::sin(3.0 * 3.14159265 / 180.0), m_dragoon->m_World._31, 1e-4);
}

TEST_F(DragoonTest, DashMovesThreeThenLessEachFrameForThirtyOneFramesAndSwitchesAnimation) {
    Start("1 N 1\n2 N 0\n");
    Frame();
    EXPECT_EQ(0u, PlayingSet());
    Frame();  // the press
    EXPECT_EQ(1, Status().DashState);
    EXPECT_EQ(1u, PlayingSet());
    // The first frame already moves by the full dash speed.
    EXPECT_NEAR(3.0f, Pos().x, 1e-5f);
    float previous = Pos().x;
    int framesMoved = 1;
    while (Status().DashState == 1 && framesMoved < 40) {
        Frame();
        const float step = Pos().x - previous;
        EXPECT_NEAR(3.0f - 0.1f * framesMoved, step, 1e-4f) << framesMoved;
        previous = Pos().x;
        ++framesMoved;
    }
    EXPECT_EQ(31, framesMoved);
    EXPECT_NEAR(46.5f, Pos().x, 1e-3f);
    EXPECT_EQ(0.0f, m_dragoon->m_DashSpeed);
    EXPECT_EQ(0u, PlayingSet());
    Frame();
    EXPECT_NEAR(46.5f, Pos().x, 1e-3f);
}

TEST_F(DragoonTest, LeftDashFromTheControllerAndARestartInMidDash) {
    Start("1 PAD.BUTTON6 1\n10 PAD.BUTTON6 0\n6 B 1\n");
    Frames(2);
    EXPECT_EQ(2, Status().DashState);
    EXPECT_EQ(2u, PlayingSet());
    EXPECT_NEAR(-3.0f, Pos().x, 1e-5f);
    Frames(4);
    // Holding the button fired once; B now restarts the dash at full speed.
    EXPECT_NEAR(-(3.0f + 2.9f + 2.8f + 2.7f + 2.6f), Pos().x, 1e-4f);
    Frame();
    EXPECT_NEAR(-(14.0f + 3.0f), Pos().x, 1e-4f);
    EXPECT_EQ(2, Status().DashState);
    Frames(40);
    EXPECT_EQ(0, Status().DashState);
    EXPECT_EQ(0u, PlayingSet());
}

TEST_F(DragoonTest, ChaseCameraTrailsThePoseOfTwentyNineUpdatesAgoAndCloseUpWhileDashing) {
    Start("60 N 1\n");
    Frame();
    // The log starts full of the starting pose.
    D3DXVECTOR3 eye = Position(m_camera.m_World);
    EXPECT_NEAR(0.0f, eye.x, 0.009f);
    EXPECT_NEAR(6.9f, eye.y, 0.009f);
    EXPECT_NEAR(-6.9f, eye.z, 1e-5f);
    EXPECT_EQ(m_dragoon->m_World, m_dragoon->m_MatrixLog[0]);

    Frames(49);  // 50 updates: the camera hangs on update 21's pose
    eye = Position(m_camera.m_World);
    EXPECT_NEAR(21 * 0.08f - 6.9f, eye.z, 1e-4f);
    // The camera shake stays below 0.009 on both axes.
    for (int i = 0; i < 10; ++i) {
        Frame();
        eye = Position(m_camera.m_World);
        const D3DXVECTOR3 pose = Position(m_dragoon->m_MatrixLog[29]);
        EXPECT_LT(std::fabs(eye.x - pose.x), 0.009f);
        EXPECT_LT(std::fabs(eye.y - pose.y - 2.9f), 0.009f);
    }
    Frame();  // the dash press: the camera follows the pose 3 updates back
    ASSERT_EQ(1, Status().DashState);
    eye = Position(m_camera.m_World);
    EXPECT_NEAR(m_dragoon->m_MatrixLog[3]._43 - 6.9f, eye.z, 1e-4f);
    EXPECT_NEAR(m_dragoon->m_MatrixLog[3]._41, eye.x, 0.009f);
    // The view transform the device gets looks from there.
    m_camera.SetTransform(Device());
    D3DXMATRIX view;
    Device()->GetTransform(D3DTS_VIEW, &view);
    D3DXVECTOR4 eyeInView;
    D3DXVec3Transform(&eyeInView, &eye, &view);
    EXPECT_NEAR(0.0f, eyeInView.z, 1e-3f);
}

TEST_F(DragoonTest, ClearedMissionIgnoresInputKeepsFlyingAndSwingsTheCameraTo160Point5) {
    Start("1 N 1\n2 N 0\n5 V 1\n6 LEFT 1\n");
    Frames(2);  // a dash starts before the clear
    m_state = GAME_STATE_CLEAR;
    const std::uint32_t rand0 = CrtRandState();
    Frame();
    EXPECT_EQ(0.5f, m_dragoon->m_ClearAngle);
    // Two shake draws per frame, no hit draws.
    CrtRandomGenerator expected(rand0);
    expected.Next();
    expected.Next();
    EXPECT_EQ(expected.State(), CrtRandState());
    Frames(400);
    EXPECT_EQ(160.5f, m_dragoon->m_ClearAngle);
    EXPECT_EQ(GAME_STATE_CLEAR, m_state);
    const PlayerStatus s = Status();
    EXPECT_EQ(1, s.AttackMode);
    EXPECT_EQ(0, s.DashState);  // the dash ran out on its own
    EXPECT_NEAR(46.5f, Pos().x, 1e-3f);
    EXPECT_EQ(1.0f, m_dragoon->m_World._33);  // no turn
    // The camera circles 10.9 behind the dragon's pose, turned by the angle.
    const D3DXVECTOR3 offset = Position(m_camera.m_World) - Pos();
    EXPECT_NEAR(10.9f * std::sin(160.5 * 3.14159265 / 180.0), -offset.x, 0.02);
    EXPECT_NEAR(-10.9f * std::cos(160.5 * 3.14159265 / 180.0), offset.z, 0.02);
}

TEST_F(DragoonTest, ModeChangeFiresOncePerPressAndOncePerDeviceInTheSameFrame) {
    // V held for 10 frames toggles once; the second press toggles back; V and
    // button 0 in the same frame toggle twice.
    Start("1 V 1\n11 V 0\n12 V 1\n13 V 0\n20 V 1\n20 PAD.BUTTON0 1\n");
    Frames(11);
    EXPECT_EQ(2, Status().AttackMode);
    Frames(2);
    EXPECT_EQ(1, Status().AttackMode);
    Frames(7);
    EXPECT_EQ(1, Status().AttackMode);
    Frame();
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_TRUE(Status().ChangeLatch);
}

TEST_F(DragoonTest, PauseHoldsTheDragonStillButTheAnimationRunsUntilTheNextPress) {
    Start("1 RETURN 1\n2 RETURN 0\n3 V 1\n3 N 1\n3 DOWN 1\n4 PAD.BUTTON8 1\n");
    Frame();
    Frame();  // Enter: paused, but the rest of that frame still runs
    EXPECT_EQ(GAME_STATE_PAUSE, m_state);
    const D3DXMATRIX still = m_dragoon->m_World;
    EXPECT_NEAR(0.16f, still._43, 1e-5f);
    const double animation = m_dragoon->GetNowAnimePos();
    Frame();
    Frame();  // steering, dash and mode keys do nothing while paused
    EXPECT_EQ(GAME_STATE_PAUSE, m_state);
    EXPECT_EQ(still, m_dragoon->m_World);
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_EQ(0, Status().DashState);
    Frame();  // button 8 resumes
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
    EXPECT_GT(m_dragoon->GetNowAnimePos(), animation);
    EXPECT_EQ(still, m_dragoon->m_World);
    Frame();  // the keys held through the pause are not new presses now
    EXPECT_EQ(1, Status().AttackMode);
    EXPECT_EQ(0, Status().DashState);
    EXPECT_NEAR(still._42 + 0.05f, Pos().y, 1e-5f);
    // Holding button 8 does not pause again; a new press does.
    Frames(3);
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
}

TEST_F(DragoonTest, EnterHeldWhenTheMissionStartsIsNoPress) {
    Start("0 RETURN 1\n5 RETURN 0\n6 RETURN 1\n");
    Frames(6);
    EXPECT_EQ(GAME_STATE_PLAY, m_state);
    Frame();
    EXPECT_EQ(GAME_STATE_PAUSE, m_state);
}

TEST_F(DragoonTest, EndAndDeleteLeaveNothingBehind) {
    Start();
    Frames(3);
    m_dragoon->EndProc();
    EXPECT_EQ(nullptr, m_dragoon->m_lpSphereHit);
    EXPECT_EQ(nullptr, m_dragoon->m_lpSkinXFile);
    EXPECT_EQ(nullptr, m_dragoon->m_lpAnimController);
    CDragoon::DeleteInstance(nullptr);
    EXPECT_EQ(nullptr, CDragoon::m_lpDragoon);
    // A new mission gets a fresh dragon.
    m_dragoon = CDragoon::GetInstance();
    Start();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 4.0f, 0.0f), Position(m_dragoon->m_OldWorld));
}

TEST_F(DragoonTest, LaserPressLaunchesOneVolleyAndOnlyThePowerVolleyCostsEnergy) {
    // X at frame 1 (normal), again during the volley, then in power mode with
    // 20 and with 19 energy after each volley ended.
    Start("1 X 1\n2 X 0\n3 X 1\n4 X 0\n4 V 1\n5 V 0\n500 X 1\n501 X 0\n1000 X 1\n");
    D3DXMATRIX target;
    D3DXMatrixTranslation(&target, 0.0f, 4.0f, 60.0f);
    D3DXMATRIX* targets[CLaserType::LASER_COUNT];
    std::fill(std::begin(targets), std::end(targets), &target);
    m_dragoon->m_LaserType.SetMultiRockMatrix(targets);
    PlayerStatus& s = *m_dragoon->GetPlayerStatusAddress();
    s.Energy = 20;

    Frames(2);
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(CTextureManager::GetInst()->GetTexture(Device(), "Texture/Laser/BlueRedBeam_.png", D3DX_DEFAULT,
                                                     D3DX_DEFAULT, 4294967296.0f, 4294967296.0f, 0, 0),
              m_dragoon->m_LaserType.m_lpTexture);
    Frames(3);  // the second press while the volley flies does nothing
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(2, s.AttackMode);
    EXPECT_EQ(20, s.Energy);
    EXPECT_EQ(4, m_dragoon->m_LaserType.m_Count);
    // The volley ends in its 466th update.
    Frames(461);
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    Frame();
    EXPECT_EQ(0u, m_dragoon->m_LaserType.GetLaserType());

    Frames(34);  // frame 500: power volley, 20 energy spent
    EXPECT_EQ(4u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(0, s.Energy);

    Frames(500);  // frame 1000 with 0 energy: the normal volley, free
    EXPECT_EQ(7u, m_dragoon->m_LaserType.GetLaserType());
    EXPECT_EQ(0, s.Energy);
}

TEST_F(DragoonTest, PowerLaserIsPaidForEvenWithoutATarget) {
    Start("1 V 1\n2 X 1\n");
    Frames(3);
    EXPECT_EQ(2, Status().AttackMode);
    EXPECT_EQ(380, Status().Energy);
    EXPECT_EQ(0u, m_dragoon->m_LaserType.GetLaserType());
}

TEST_F(DragoonTest, EnemyProjectilesCostALifePointOnOneFrameInFive) {
    Start();
    // Nodes that are not enemy damage never count, however close.
    Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_PLAYER, EFFECT_DAMAGE);
    Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_ENEMY, EFFECT_EXPLODE);
    Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_ITEM, EFFECT_DAMAGE);
    std::uint32_t state = CrtRandState();
    Frames(50);
    EXPECT_EQ(400, Status().Life);
    // Only the two camera-shake draws were made in each frame.
    CrtRandomGenerator quiet(state);
    for (int i = 0; i < 100; ++i) quiet.Next();
    EXPECT_EQ(quiet.State(), CrtRandState());

    // Two enemy bursts at once cost no more than one.
    Touching(D3DXVECTOR3(0.0f, 4.0f, 5.0f), 50.0f, USE_ENEMY, EFFECT_DAMAGE);
    Touching(D3DXVECTOR3(0.0f, 4.0f, 5.0f), 50.0f, USE_ENEMY, EFFECT_DAMAGE);
    CrtRandomGenerator expected(CrtRandState());
    int16_t life = 400;
    for (int frame = 0; frame < 100; ++frame) {
        expected.Next();
        expected.Next();
        if (expected.Next() % 5 == 0) --life;
    }
    Frames(100);
    EXPECT_EQ(life, Status().Life);
    EXPECT_EQ(expected.State(), CrtRandState());
    EXPECT_GE(Status().Life, 400 - 30);
    EXPECT_LE(Status().Life, 400 - 10);

    // A cleared mission is not hit any more.
    m_state = GAME_STATE_CLEAR;
    Frames(50);
    EXPECT_EQ(life, Status().Life);
}

TEST_F(DragoonTest, RecoveryFlashRefillsOneEnergyPerFrameUpToFourHundred) {
    Start();
    PlayerStatus& s = *m_dragoon->GetPlayerStatusAddress();
    s.Energy = 390;
    Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_ITEM, EFFECT_DAMAGE);
    Frames(5);
    EXPECT_EQ(390, s.Energy);
    BillBoardNode* flash = Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_ITEM, EFFECT_RECOVERY);
    Touching(D3DXVECTOR3(0.0f, 4.0f, 0.0f), 50.0f, USE_ITEM, EFFECT_RECOVERY);
    Frames(4);
    EXPECT_EQ(394, s.Energy);
    Frames(20);
    EXPECT_EQ(400, s.Energy);
    EXPECT_EQ(400, s.Life);
    // Out of reach the flash gives nothing.
    s.Energy = 300;
    CBillBoardManager::GetInstance()->m_List.DelNode(flash->m_lpNext);
    CBillBoardManager::GetInstance()->m_List.DelNode(flash);
    Frames(3);
    EXPECT_EQ(300, s.Energy);
}

}  // namespace
