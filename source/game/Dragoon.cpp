#include "game/Dragoon.h"

#include <cstring>

#include "game/BillBoardManager.h"
#include "game/FireBall.h"
#include "game/SoundEffect.h"
#include "game/SphereHit.h"
#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/DirectInput.h"
#include "lib/InputPress.h"
#include "lib/SkinXFile.h"
#include "platform/crt/random.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/process.h"

namespace {
constexpr double DragoonAnimationTime = 0.0055;  // seconds of animation per drawn frame
constexpr float MoveMentValue = 0.05f;           // vertical step per frame
constexpr float XMoveMax = 3.0f;                 // sideways speed when a dash starts
constexpr float XMove = 0.1f;                    // loss of dash speed per frame
constexpr float TurnStep = 0.3f;                 // degrees per frame
constexpr float MinHeight = 3.0f;
constexpr float MaxHeight = 7.0f;
constexpr float DashFade = 0.01f;  // seconds of the cross-fade into and out of a dash

constexpr int DashNone = 0, DashRight = 1, DashLeft = 2;
constexpr int AttackNormal = 1, AttackPower = 2;
constexpr int16_t MaxEnergy = 400;
constexpr int16_t PowerCost = 20;       // power attack and power laser
constexpr int16_t OverDriveNeeds = 80;  // energy needed to launch OverDrive
constexpr int16_t OverDriveCost = 40;
constexpr int PowerFireBalls = 10;

constexpr const char* SoundChange = "Sound/SE/ChangeOverDrive.wav";
constexpr const char* SoundWing = "Sound/SE/Wing.wav";

// A press of a controller button by the shared latch rules. Indices outside
// the record (the binding is writable through the status record) never fire.
bool ButtonPress(const DIJOYSTATE2& pad, int32_t button, bool* latch) {
    const bool down = button >= 0 && button < static_cast<int32_t>(sizeof pad.rgbButtons) &&
                      (pad.rgbButtons[button] & INPUT_DOWN) != 0;
    BYTE latched = *latch ? 1 : 0;
    const bool pressed = LatchPress(down, &latched);
    *latch = latched != 0;
    return pressed;
}
}  // namespace

CDragoon* CDragoon::m_lpDragoon = nullptr;

CDragoon::CDragoon() : m_Speed(0.08f), m_Status(StartingPlayerStatus()) {
    std::memset(m_KeyState, 0, sizeof m_KeyState);
    D3DXMatrixIdentity(&m_MouthMatrix);
    for (D3DXMATRIX& entry : m_MatrixLog) D3DXMatrixIdentity(&entry);
    m_LaserType.SetCharaOldMatrix(&m_OldWorld);
}

// A dragon deleted without EndProc still gives back its mesh and sphere.
CDragoon::~CDragoon() {
    delete m_lpSphereHit;
    Unload();
    delete m_lpSkinXFile;
}

CDragoon* CDragoon::GetInstance() {
    if (!m_lpDragoon) m_lpDragoon = new CDragoon();
    return m_lpDragoon;
}

void CDragoon::DeleteInstance(CDragoon*) {
    delete m_lpDragoon;
    m_lpDragoon = nullptr;
}

void CDragoon::InitProc(IDirect3DDevice9* device, GAME_STATE* gameState) {
    m_lpInput = CDirectInput::GetInstance();
    m_Speed = 0.08f;
    m_LaserType.SetCharaOldMatrix(&m_OldWorld);
    m_lpBaseShader = nullptr;
    m_lpShadowMap = nullptr;
    m_lpBumpMap = nullptr;
    m_ClearAngle = 0.0f;
    m_DashSpeed = 0.0f;

    // A dragon started twice gives back the first model.
    Unload();
    delete m_lpSkinXFile;
    m_lpSkinXFile = nullptr;

    char previous[256] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(".\\XFile\\Character\\");
    auto* mesh = new CSkinXFile();
    mesh->LoadXFile(device, "Dragoon.x");
    SetCurrentDirectoryA(previous);

    SetSkinXFile(mesh);
    ChangeAnimation(ANIMATION_FLIGHT, 0);
    SetTrackEnable(0, 1);
    // SetSkinXFile drops a mesh whose controller cannot be cloned; the dragon
    // still owns it.
    m_lpSkinXFile = mesh;

    D3DXMatrixIdentity(&m_World);
    Move(0.0f, 4.0f, 0.0f);
    m_OldWorld = m_World;
    m_MouthMatrix = m_OldWorld;

    m_OverDrive.SetTexture(BillBoardTexture("Texture/FireBall.png"));
    m_OverDrive.OverDriveInit(&m_OldWorld);
    for (D3DXMATRIX& entry : m_MatrixLog) entry = m_OldWorld;
    m_Status = StartingPlayerStatus();

    D3DXVECTOR3 center;
    GetBoundingSpheerCenter(&center);
    const float radius = GetBoundingSphereData() - 7.0f;
    delete m_lpSphereHit;
    m_lpSphereHit = new CSphereHit(&center, &radius);

    m_lpGameState = gameState;
    m_lpNeckFrame = mesh->SearchBoneName("Neck_Joint");

    // Keys already down when the mission starts (the title's confirmation)
    // count as pressed only after they were released.
    GetKeyboardState(m_KeyState);
}

void CDragoon::SetHLSL(BaseShader* baseShader, CShadowMap* shadowMap, CBumpMap* bumpMap) {
    m_lpBaseShader = baseShader;
    m_lpShadowMap = shadowMap;
    m_lpBumpMap = bumpMap;
}

void CDragoon::SetViewObject(CCamera* camera) { m_lpViewObject = camera; }

bool CDragoon::PollController() { return CDirectInput::DirectInputState && m_lpInput && m_lpInput->GetInputDevice(); }

BYTE* CDragoon::RefreshKeyboard(BYTE keys[256]) {
    GetKeyboardState(keys);
    MarkKeyChanges(keys, m_KeyState);
    return keys;
}

void CDragoon::UpdateProc(IDirect3DDevice9* device) {
    // The neck's combined matrix is from the last draw, one frame old.
    m_MouthMatrix = m_lpNeckFrame ? m_lpNeckFrame->CombinedTransformationMatrix : m_OldWorld;

    D3DXMatrixIdentity(&m_World);
    const bool cleared = m_lpGameState && *m_lpGameState == GAME_STATE_CLEAR;
    if (!cleared) {
        if (PollController()) JoyStickProcess(device);
        KeyBoardProcess(device);
    }
    m_LaserType.LaserUpdateProcess(device);

    MoveProcess();
    Move(0.0f, 0.0f, m_Speed);
    m_World *= m_OldWorld;

    if (m_World._42 <= MinHeight)
        m_World._42 = MinHeight;
    else if (m_World._42 >= MaxHeight)
        m_World._42 = MaxHeight;

    if (!cleared) {
        UpdateViewObject();
        DragoonJudgmentProcess();
    } else {
        ClearUpdateViewObject();
    }
}

void CDragoon::KeyBoardProcess(IDirect3DDevice9* device) {
    BYTE keys[256];
    RefreshKeyboard(keys);
    if (KeyPressed(keys, VK_RETURN)) Pause();
    if (KeyPressed(keys, 'Z')) Attack();
    if (KeyPressed(keys, 'X')) Laser(device);
    if (KeyPressed(keys, 'C')) OverDrive();
    if (KeyPressed(keys, 'V')) ChangeMode();
    if (KeyPressed(keys, 'B')) Dash(DashLeft);
    if (KeyPressed(keys, 'N')) Dash(DashRight);
    if (keys[VK_LEFT] & INPUT_DOWN) RotateY(-TurnStep);
    if (keys[VK_RIGHT] & INPUT_DOWN) RotateY(TurnStep);
    if (keys[VK_UP] & INPUT_DOWN) Move(0.0f, -MoveMentValue, 0.0f);
    if (keys[VK_DOWN] & INPUT_DOWN) Move(0.0f, MoveMentValue, 0.0f);
}

void CDragoon::JoyStickProcess(IDirect3DDevice9* device) {
    const DIJOYSTATE2& pad = *m_lpInput;
    PlayerStatus& s = m_Status;
    if (ButtonPress(pad, s.PauseButton, &s.PauseLatch)) Pause();
    if (ButtonPress(pad, s.FireButton, &s.FireLatch)) Attack();
    if (ButtonPress(pad, s.LaserButton, &s.LaserLatch)) Laser(device);
    if (ButtonPress(pad, s.OverDriveButton, &s.OverDriveLatch)) OverDrive();
    if (ButtonPress(pad, s.ChangeButton, &s.ChangeLatch)) ChangeMode();
    if (ButtonPress(pad, s.LeftDashButton, &s.LeftDashLatch)) Dash(DashLeft);
    if (ButtonPress(pad, s.RightDashButton, &s.RightDashLatch)) Dash(DashRight);
    if (AxisPushedLow(pad.lX)) RotateY(-TurnStep);
    if (AxisPushedHigh(pad.lX)) RotateY(TurnStep);
    if (AxisPushedLow(pad.lY)) Move(0.0f, -MoveMentValue, 0.0f);
    if (AxisPushedHigh(pad.lY)) Move(0.0f, MoveMentValue, 0.0f);
}

void CDragoon::Pause() {
    PlaySoundEffect(SoundChange);
    if (m_lpGameState) *m_lpGameState = GAME_STATE_PAUSE;
}

void CDragoon::Attack() {
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.6f);
    if (m_Status.AttackMode != AttackPower) {
        CFireBallGenerator::GetInstance()->CreateFireBall(&m_MouthMatrix, &velocity);
        return;
    }
    // The homing fireballs need targets: before the enemy manager has locked
    // anything the list is empty, and the power attack then does nothing.
    D3DXMATRIX* const* targets = m_LaserType.m_lpTarget;
    if (m_Status.Energy < PowerCost || !targets[0]) return;
    PlaySoundEffect("Sound/SE/explode_l.wav");
    velocity.z = 0.8f;
    for (int i = 0; i < PowerFireBalls; ++i)
        if (targets[i])
            CFireBallGenerator::GetInstance()->CreateFireBallEx(m_MouthMatrix, velocity, targets[i], USE_PLAYER);
    m_Status.Energy -= PowerCost;
}

void CDragoon::Laser(IDirect3DDevice9* device) {
    if (m_LaserType.GetLaserType() != 0) return;
    // The power volley is paid for, and sounds, even when no target is locked.
    const bool power = m_Status.AttackMode == AttackPower && m_Status.Energy >= PowerCost;
    PlaySoundEffect(power ? "Sound/SE/SanderType.wav" : "Sound/SE/MultiRock.wav");
    m_LaserType.SetLaserTexture(
        BillBoardTexture(power ? "Texture/Laser/MultyRock.png" : "Texture/Laser/BlueRedBeam_.png"));
    m_LaserType.SetLaser(device, CLaserType::PATTERN_RING, power ? CLaserType::KIND_POWER : CLaserType::KIND_NORMAL);
    if (power) m_Status.Energy -= PowerCost;
}

void CDragoon::OverDrive() {
    if (m_Status.Energy < OverDriveNeeds) return;
    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.5f);
    if (m_Status.AttackMode == AttackPower) {
        PlaySoundEffect("Sound/SE/FireBall.wav");
        m_OverDrive.CreateOverDrive(&velocity, 1);
    } else {
        m_OverDrive.CreateOverDrive(&velocity, 0);
    }
    m_Status.Energy -= OverDriveCost;
}

void CDragoon::ChangeMode() {
    PlaySoundEffect(SoundChange);
    m_Status.AttackMode = m_Status.AttackMode == AttackNormal ? AttackPower : AttackNormal;
}

void CDragoon::Dash(int direction) {
    PlaySoundEffect(SoundWing);
    const bool right = direction == DashRight;
    m_DashSpeed = right ? XMoveMax : -XMoveMax;
    ChangeAnimationEvent(right ? ANIMATION_DASH_RIGHT : ANIMATION_DASH_LEFT, 0.0f, DashFade);
    m_Status.DashState = direction;
}

void CDragoon::MoveProcess() {
    const int32_t dash = m_Status.DashState;
    if (dash != DashRight && dash != DashLeft) return;
    Move(m_DashSpeed, 0.0f, 0.0f);
    bool over;
    if (dash == DashRight) {
        m_DashSpeed -= XMove;
        over = m_DashSpeed <= 0.0f;
    } else {
        m_DashSpeed += XMove;
        over = m_DashSpeed >= 0.0f;
    }
    if (!over) return;
    m_DashSpeed = 0.0f;
    m_Status.DashState = DashNone;
    ChangeAnimationEvent(ANIMATION_FLIGHT, 0.0f, DashFade);
}

void CDragoon::CameraShake(float* x, float* y) const {
    *x = static_cast<float>(CrtRand()) / 32768.0f * 0.018f - 0.009f;
    *y = static_cast<float>(CrtRand()) / 32768.0f * 0.018f - 0.009f;
}

void CDragoon::UpdateViewObject() {
    for (int i = kMatrixLogLength - 1; i > 0; --i) m_MatrixLog[i] = m_MatrixLog[i - 1];
    m_MatrixLog[0] = m_World;
    if (!m_lpViewObject) return;
    float x, y;
    CameraShake(&x, &y);
    m_lpViewObject->Identity();
    m_lpViewObject->Move(x, 2.9f + y, -6.9f);
    // Far behind in the pose of 29 updates ago; close behind while dashing.
    m_lpViewObject->m_World *= m_MatrixLog[m_Status.DashState == DashNone ? kMatrixLogLength - 1 : 3];
}

void CDragoon::ClearUpdateViewObject() {
    if (m_ClearAngle <= 160.0f) m_ClearAngle += 0.5f;
    if (!m_lpViewObject) return;
    float x, y;
    CameraShake(&x, &y);
    m_lpViewObject->Identity();
    m_lpViewObject->Move(x, 2.9f + y, -10.9f);
    m_lpViewObject->RotateY(m_ClearAngle);
    m_lpViewObject->m_World *= m_World;
}

void CDragoon::DragoonJudgmentProcess() {
    if (!m_lpSphereHit) return;
    CBillBoardManager* billboards = CBillBoardManager::GetInstance();
    // However many enemy projectiles touch, a frame costs at most one point,
    // one frame in five on average; the draw is made only on contact.
    if (billboards->JudgmentProcess(*m_lpSphereHit, m_World, USE_ENEMY, EFFECT_DAMAGE) > 0 && CrtRand() % 5 == 0)
        m_Status.Life -= 1;
    if (m_Status.Energy <= MaxEnergy &&
        billboards->JudgmentProcess(*m_lpSphereHit, m_World, USE_ITEM, EFFECT_RECOVERY) > 0) {
        m_Status.Energy += 1;
        if (m_Status.Energy > MaxEnergy) m_Status.Energy = MaxEnergy;
    }
}

void CDragoon::PauseProcess(IDirect3DDevice9*) {
    if (PollController() && ButtonPress(*m_lpInput, m_Status.PauseButton, &m_Status.PauseLatch)) Resume();
    BYTE keys[256];
    if (KeyPressed(RefreshKeyboard(keys), VK_RETURN)) Resume();
}

void CDragoon::Resume() {
    PlaySoundEffect(SoundChange);
    if (m_lpGameState) *m_lpGameState = GAME_STATE_PLAY;
}

void CDragoon::RenderProc(IDirect3DDevice9* device) {
    D3DXMATRIXA16 view, projection;
    device->GetTransform(D3DTS_VIEW, &view);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    if (m_lpBaseShader && m_lpSkinXFile) {
        m_lpBaseShader->SetSkinningParam(&view, &projection);
        m_lpSkinXFile->m_lpEffect = m_lpBaseShader->GetEffect();
    }
    ResetTime();
    CBoneObject::Animation(DragoonAnimationTime);
    CalcMatrix();
    SetTransform();
    Draw(device);
}

void CDragoon::EndProc() {
    m_LaserType.LaserDeleteProcess();
    m_OverDrive.EndProc();
    delete m_lpSphereHit;
    m_lpSphereHit = nullptr;
    // The controller clone is released before the mesh whose frames it drives.
    Unload();
    delete m_lpSkinXFile;
    m_lpSkinXFile = nullptr;
    m_lpNeckFrame = nullptr;
}
