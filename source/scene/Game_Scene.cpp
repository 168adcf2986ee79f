#include "scene/Game_Scene.h"

#include "game/Beam.h"
#include "game/BillBoardManager.h"
#include "game/Dragoon.h"
#include "game/FireBall.h"
#include "game/Flame.h"
#include "lib/DirectAudio.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectSound.h"
#include "lib/StaticMeshManager.h"
#include "lib/ViewFrustumCulling.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/dsound/dsound.h"
#include "platform/win32/process.h"
#include "scene/ConfirmInput.h"

namespace {
// The names are kept as objects: the mesh cache knows its meshes by the
// identity of the name text.
const char kSkyMesh[] = "Sky.x";
const char kSeaMesh[] = "sea.x";
const char* const kEngineSound = "Sound/SE/burner_f15.wav";
const char* const kBattleMusic = "Sound/BGM/Galewrath.ogg";
const char* const kMissionSounds[] = {
    "Sound/SE/Wing.wav",      "Sound/SE/MultiRock.wav",  "Sound/SE/FireDrive.wav",       "Sound/SE/FireBall.wav",
    "Sound/SE/Bomb3.wav",     "Sound/SE/SanderType.wav", "Sound/SE/ChangeOverDrive.wav", "Sound/SE/unison_ok.wav",
    "Sound/SE/explode_l.wav",
};
constexpr float kFieldOfView = 1.3962634f;  // 80 degrees
constexpr float kAspect = 4.0f / 3.0f;
constexpr float kSkyScale = 2000.0f;
constexpr float kSkyTurnPerFrame = 0.05f;  // degrees
}  // namespace

CScene_Game::CScene_Game()
    : m_GameState(GAME_STATE_PLAY),
      m_lpPlayer(nullptr),
      m_SkyAngle(0.0f),
      m_lpBeamGenerator(nullptr),
      m_lpFlame(nullptr),
      m_lpGraphics(nullptr),
      m_lpTextureManager(nullptr),
      m_lpBillBoard(nullptr),
      m_lpFireBall(nullptr),
      m_lpAudio(nullptr),
      m_lpSound(nullptr) {
    D3DXMatrixIdentity(&m_Projection);
}

CScene_Game::~CScene_Game() = default;

int CScene_Game::InitProc() {
    m_GameState = GAME_STATE_PLAY;
    m_RetryScene = RETRY_CONTINUE;
    m_SkyAngle = 0.0f;

    m_lpGraphics = CDirectGraphics::GetInstance();
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    m_lpTextureManager = CTextureManager::GetInst();
    m_lpBillBoard = CBillBoardManager::GetInstance();
    m_lpBillBoard->Init(device, &m_Camera.m_World);
    m_lpBillBoard->SetShader(&m_BaseShader);

    m_lpFireBall = CFireBallGenerator::GetInstance();
    m_lpBeamGenerator = CBeam::GetInstance();
    m_lpFlame = CFlameGenerator::GetInstance();
    m_lpFlame->FlameInit();
    m_lpFireBall->SetTexture(BillBoardTexture("Texture/FireBall.png"));
    BillBoardTexture("Texture/Effect/Shot.png");
    BillBoardTexture("Texture/Effect/BlueFlash.png");
    BillBoardTexture("Texture/EnemyFireBall.png");

    m_lpPlayer = CDragoon::GetInstance();
    m_lpPlayer->InitProc(device, &m_GameState);
    m_lpPlayer->SetHLSL(&m_BaseShader, &m_ShadowMap, &m_BumpMap);
    m_lpPlayer->m_LaserType.SetLaserTexture(BillBoardTexture("Texture/Laser/MultyRock.png"));
    m_lpPlayer->m_LaserType.SetLaserTexture(BillBoardTexture("Texture/Laser/BlueRedBeam_.png"));

    char previous[256];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(".\\XFile\\Map\\");
    m_Sky.SetXFile(
        Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance()->GetXFileAddress(device, kSkyMesh, 0));
    m_Sea.SetXFile(
        Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance()->GetXFileAddress(device, kSeaMesh, 0));
    SetCurrentDirectoryA(previous);

    m_EnemyManager.InitProc(&m_Camera, &m_Projection, &m_GameState);
    m_EnemyManager.SetHLSL(&m_BaseShader, &m_BumpMap);

    m_BaseShader.CreateBaseEffect("Shader/BaseHLSL.fx", device);
    m_ShadowMap.CreateShadowMapEffect("Shader/staticShadow.fx", 512, 512, device);
    m_BumpMap.CreateBumpTexture("Shader/BumpMap.fx", device);
    BillBoardTexture("Texture/Explode.png");

    m_lpPlayer->SetViewObject(&m_Camera);

    m_lpAudio = CDirectAudio::GetInstance();
    m_lpSound = CDirectSound::GetInstance();
    for (const char* sound : kMissionSounds) m_lpSound->GetSecondryBuffer(sound);

    m_SpritePanel.SetPlayerStatusAddress(m_lpPlayer->GetPlayerStatusAddress());
    m_lpGraphics->m_lpViewMatrix = &m_Camera.m_View;
    m_lpGraphics->m_lpProjMatrix = &m_Projection;
    m_SpritePanel.InitProc(static_cast<D3DXMATRIXA16*>(&m_lpPlayer->m_World), &m_GameState);
    m_SpritePanel.SetAreaPosListAddress(m_EnemyManager.GetEnemyPosListAddress());

    m_lpAudio->StopAllSegment();
    m_lpAudio->LoadFile2Segment(kBattleMusic, 0, CDirectAudio::FILE_KIND_OGG_VORBIS);
    m_lpAudio->PlaySegment(0, 1, 0, 0);

    if (IDirectSoundBuffer8* engine = m_lpSound->GetSecondryBuffer(kEngineSound)) engine->Play(0, 0, DSBPLAY_LOOPING);
    return 1;
}

int CScene_Game::MainProc() {
    switch (m_GameState) {
    case GAME_STATE_PLAY:
    case GAME_STATE_CLEAR:
        UpdateProc();
        RenderProc();
        break;
    case GAME_STATE_PAUSE:
        m_lpPlayer->PauseProcess(m_lpGraphics->m_lpDevice);
        RenderProc();
        break;
    case GAME_STATE_TO_RANKING:
        m_NextScene = SCENE_RANKING;
        m_RetryScene = RETRY_CHANGE;
        break;
    case GAME_STATE_TO_TITLE:
        m_NextScene = SCENE_TITLE;
        m_RetryScene = RETRY_CHANGE;
        break;
    default: break;
    }
    return m_RetryScene;
}

int CScene_Game::UpdateProc() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    m_Sky.Identity();
    m_Sky.RotateY(m_SkyAngle);
    m_Sky.Scale(kSkyScale, kSkyScale, kSkyScale);
    m_Sky.m_World._41 = m_lpPlayer->m_World._41;
    m_Sky.m_World._42 = m_lpPlayer->m_World._42;
    m_Sky.m_World._43 = m_lpPlayer->m_World._43;
    m_SkyAngle += kSkyTurnPerFrame;
    m_Sea.Identity();

    m_lpPlayer->UpdateProc(device);
    m_Camera.SetTransform(device);

    if (m_GameState != GAME_STATE_CLEAR) {
        m_EnemyManager.UpdateProc();
        m_lpBillBoard->UpdateProcess();
        m_EnemyManager.GetAreaNearPosition(&m_SpritePanel.m_AreaWayTarget);
        std::list<D3DXVECTOR3> positions;
        m_SpritePanel.Set3DPos(*m_EnemyManager.GetCurryPos(&positions));
        positions.clear();
        m_SpritePanel.SetEnemyPosTo2D(*m_EnemyManager.GetEnemyPos(&positions));
        m_SpritePanel.m_Score = m_EnemyManager.GetKillCount();
        m_SpritePanel.m_Combo = m_EnemyManager.GetCombo();
    } else {
        ClearInput();
    }
    return 1;
}

int CScene_Game::RenderProc() {
    if (m_GameState == GAME_STATE_TO_TITLE) return 1;
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;

    D3DXMatrixPerspectiveFovLH(&m_Projection, kFieldOfView, kAspect, 1.0f, 10000.0f);
    device->SetTransform(D3DTS_PROJECTION, &m_Projection);
    // The shared frustum: this replaces the short one the enemies used.
    CViewFrustumCulling::CreateFrustum(&m_Camera.m_View, 80.0f, kAspect, 1.0f, 5000.0f);

    if (SUCCEEDED(device->BeginScene())) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF646464, 1.0f, 0);
        m_lpGraphics->ZWriteEnable(true);
        MapRender();
        m_lpPlayer->RenderProc(device);
        if (m_GameState != GAME_STATE_CLEAR) {
            m_EnemyManager.RenderProc();
            m_lpGraphics->LightEnable(false);
            m_lpGraphics->ZWriteEnable(false);
            const D3DXVECTOR3 eye(m_Camera.m_World._41, m_Camera.m_World._42, m_Camera.m_World._43);
            m_lpPlayer->m_LaserType.LaserRenderProcess(device, &eye);
            m_lpBillBoard->RendreProcess();
        }
        m_lpGraphics->Blend_Alpha();
        if (m_GameState == GAME_STATE_CLEAR || m_GameState == GAME_STATE_TO_RANKING)
            m_SpritePanel.ClearRenderProc();
        else
            m_SpritePanel.RenderProc();
        device->EndScene();
    }
    if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) m_lpGraphics->m_DeviceLost = 1;
    return 1;
}

void CScene_Game::MapRender() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    D3DXMATRIXA16 view;
    device->GetTransform(D3DTS_VIEW, &view);
    m_BaseShader.DrawSkyAndSea(device, m_Sky, m_Sea, view, m_Projection);
}

void CScene_Game::ClearInput() {
    if (!ConfirmInputHeld()) return;
    m_SpritePanel.SaveToGlobalData();
    m_GameState = GAME_STATE_TO_RANKING;
}

int CScene_Game::EndProc() {
    m_EnemyManager.EndProc();
    m_SpritePanel.EndProc();
    m_BaseShader.Release();
    m_BumpMap.UnLoadBumpData();
    m_ShadowMap.UnLoadStaticShadowMap();
    m_lpPlayer->EndProc();
    CDragoon::DeleteInstance(m_lpPlayer);
    m_lpPlayer = nullptr;
    CBeam::DeleteInstance();
    CFlameGenerator::DeleteInstance();
    m_lpAudio->StopAllSegment();
    // The engine drone belongs to the mission; the title and ranking are quiet.
    if (IDirectSoundBuffer8* engine = m_lpSound->GetSecondryBuffer(kEngineSound)) engine->Stop();
    m_lpTextureManager->Release();
    CTextureManager::DeleteInst();
    CFireBallGenerator::DeleteInstance();
    CBillBoardManager::UnLoad();
    return 1;
}
