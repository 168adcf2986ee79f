#include "scene/Title_Scene.h"

#include "lib/DirectAudio.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectInput.h"
#include "lib/DirectSound.h"
#include "lib/SkinXFile.h"
#include "lib/StaticMeshManager.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/crt/random.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/process.h"

namespace {
// The mesh cache tells meshes apart by the address of their name, so each
// name lives in exactly one place.
const char* const kSkyMesh = "Sky.x";
const char* const kSeaMesh = "sea.x";
const char* const kDragoonMesh = "Dragoon.x";
const char* const kMapDirectory = ".\\XFile\\Map\\";
const char* const kCharacterDirectory = ".\\XFile\\Character\\";

const char* const kTitleSprite = "Texture/Title/TitleSprite.png";
const char* const kLoadPicture = "Texture/Title/Load.png";
const char* const kAdvicePicture = "Texture/Title/Advice/Advice.png";
const char* const kDragoonHeights = "Texture/Bump/Dragoon.png";

const char* const kMusic = "Sound/BGM/反逆.ogg";
constexpr int kMusicSlot = 1;
const char* const kDecideSound = "Sound/SE/skilTrig_blow.wav";
const char* const kMoveSound = "Sound/SE/Key_shift.wav";

constexpr UINT kShadowMapSize = 512;
constexpr float kNormalMapAmplitude = 10.0f;
constexpr float kBumpScale = 1.5f;
// The dragon's animation step per frame, in seconds of its animation.
constexpr double kDragoonAnimationStep = 0.0055;
constexpr float kDragoonSpeed = 0.08f;
constexpr float kFlightLoopLength = 200.0f;
constexpr float kSkyScale = 2000.0f;
constexpr float kSkyTurnPerFrame = 0.1f;
constexpr float kFogDepth = 2000.0f;
constexpr D3DCOLOR kFogColour = 0xffb9a191;
constexpr D3DCOLOR kClearColour = 0xff646464;
constexpr D3DCOLOR kWhite = 0xffffffff;
constexpr D3DCOLOR kGrey = 0xff7f7f7f;
constexpr D3DCOLOR kBarColour = 0x80ffffff;
// The controller's vertical axis reads -6 ... 6; beyond 5 it counts as pushed.
constexpr LONG kAxisDeadZone = 5;
constexpr int kConfirmButtons = 10;

struct SpritePart {
    RECT source;
    D3DXVECTOR3 position;
};
const SpritePart kLogo{{0, 0, 700, 65}, {50, 20, 0}};
const SpritePart kStartItem{{0, 77, 209, 136}, {296, 350, 0}};
const SpritePart kEndItem{{0, 136, 140, 195}, {330, 450, 0}};
const SpritePart kBar{{0, 200, 227, 228}, {289, 315, 0}};
const SpritePart kAdvice[3] = {
    {{0, 0, 403, 54}, {50, 50, 0}},
    {{0, 64, 472, 112}, {50, 50, 0}},
    {{0, 120, 611, 162}, {50, 50, 0}},
};

// The loader's default size: the file's own.
constexpr float kDefaultSize = 4294967296.0f;

IDirect3DTexture9* CachedTexture(CTextureManager* cache, IDirect3DDevice9* device, const char* file) {
    return cache->GetTexture(device, file, D3DX_FILTER_NONE, D3DX_FILTER_NONE, kDefaultSize, kDefaultSize, 0, 0);
}

// Runs load with dir as the current directory, then goes back.
template <class Load>
void InDirectory(const char* dir, Load load) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir);
    load();
    SetCurrentDirectoryA(previous);
}

void PlayFromStart(CDirectSound* sound, const char* path) {
    IDirectSoundBuffer8* buffer = sound->GetSecondryBuffer(path);
    if (!buffer) return;
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
}

bool KeyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// rand() / 32768 * 0.018 - 0.009: the camera's shake.
float Jitter() { return static_cast<float>(CrtRand()) / 32768.0f * 0.018f - 0.009f; }
}  // namespace

CTitle_Scene::CTitle_Scene()
    : m_Decided(0),
      m_LoadCount(0),
      m_SkyAngle(0.0f),
      m_AdviceNo(0),
      m_KeyLatch(0),
      m_PadLatch(0),
      m_Select(MENU_START),
      m_LightPos(0.0f, 0.0f, 0.0f),
      m_lpDragoonSkin(nullptr),
      m_lpTextureManager(nullptr),
      m_lpInput(nullptr),
      m_lpGraphics(nullptr),
      m_lpSavedTarget(nullptr),
      m_lpSavedDepth(nullptr),
      m_lpSky(nullptr),
      m_lpAudio(nullptr),
      m_lpSound(nullptr) {
    D3DXMatrixIdentity(&m_Projection);
}

CTitle_Scene::~CTitle_Scene() {
    // Normally EndProc has run; a scene deleted while entered still frees
    // what it owns.
    delete m_lpSky;
    m_Dragoon.Unload();
    if (m_lpDragoonSkin) m_lpDragoonSkin->UnloadXFile();
    delete m_lpDragoonSkin;
}

int CTitle_Scene::InitProc() {
    m_LoadCount = 0;
    m_Decided = 0;
    m_SkyAngle = 0.0f;
    m_KeyLatch = 0;
    m_PadLatch = 0;
    m_Select = MENU_START;
    m_NextScene = SCENE_GAME;
    m_RetryScene = RETRY_CONTINUE;

    m_lpGraphics = CDirectGraphics::GetInstance();
    m_lpInput = CDirectInput::GetInstance();
    m_lpTextureManager = CTextureManager::GetInst();
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    CachedTexture(m_lpTextureManager, device, kTitleSprite);
    CachedTexture(m_lpTextureManager, device, kLoadPicture);
    CachedTexture(m_lpTextureManager, device, kAdvicePicture);
    m_BumpMap.SetNormalMap(m_lpTextureManager->GetNormalMap(device, kDragoonHeights, kNormalMapAmplitude));

    CStaticMeshManager* meshes = Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance();
    InDirectory(kMapDirectory, [&] {
        delete m_lpSky;
        m_lpSky = new CObject;
        m_lpSky->SetXFile(meshes->GetXFileAddress(device, kSkyMesh, 0));
        m_Sea.SetXFile(meshes->GetXFileAddress(device, kSeaMesh, 1));
    });
    InDirectory(kCharacterDirectory, [&] {
        delete m_lpDragoonSkin;
        m_lpDragoonSkin = new CSkinXFile;
        m_lpDragoonSkin->LoadXFile(device, kDragoonMesh);
    });

    m_Dragoon.SetSkinXFile(m_lpDragoonSkin);
    m_Dragoon.ChangeAnimation(0, 0);
    m_Dragoon.SetTrackEnable(0, 1);
    m_Dragoon.Identity();
    m_Dragoon.Move(0.0f, 4.0f, 0.0f);
    m_Dragoon.m_OldWorld = m_Dragoon.m_World;

    m_BaseShader.CreateBaseEffect("Shader/BaseHLSL.fx", device);
    m_ShadowMap.CreateShadowMapEffect("Shader/staticShadow.fx", kShadowMapSize, kShadowMapSize, device);
    m_BumpMap.CreateBumpTexture("Shader/BumpMap.fx", device);
    m_HDR.CreateHDREffect("Shader/HDR.fx", device, 800.0f, 600.0f);

    m_lpAudio = CDirectAudio::GetInstance();
    m_lpSound = CDirectSound::GetInstance();
    m_lpAudio->LoadFile2Segment(kMusic, kMusicSlot, CDirectAudio::FILE_KIND_OGG_VORBIS);
    m_lpSound->GetSecondryBuffer(kDecideSound);
    m_lpSound->GetSecondryBuffer(kMoveSound);
    m_lpAudio->PlaySegment(kMusicSlot, 1, 0, 0);
    return 1;
}

int CTitle_Scene::MainProc() {
    UpdateProc();
    RenderProc();
    return m_RetryScene;
}

int CTitle_Scene::UpdateProc() {
    D3DXVECTOR3 dragoonPos;
    m_Dragoon.GetPos(&dragoonPos);
    m_lpSky->Identity();
    m_lpSky->RotateY(m_SkyAngle);
    m_SkyAngle += kSkyTurnPerFrame;
    m_lpSky->Scale(kSkyScale, kSkyScale, kSkyScale);
    m_lpSky->m_World._41 = dragoonPos.x;
    m_lpSky->m_World._42 = dragoonPos.y;
    m_lpSky->m_World._43 = dragoonPos.z;
    m_Sea.Identity();

    m_Dragoon.Identity();
    m_Dragoon.Move(0.0f, 0.0f, kDragoonSpeed);
    m_Dragoon.m_World *= m_Dragoon.m_OldWorld;
    if (m_Dragoon.m_World._43 > kFlightLoopLength) m_Dragoon.m_World._43 = 0.0f;

    InputProc();

    const float sideways = Jitter();
    const float upwards = Jitter();
    m_Camera.Identity();
    m_Camera.RotateY(180.0f);
    m_Camera.Move(0.0f + sideways, 2.9f + upwards, 10.9f);
    m_Camera.m_World *= m_Dragoon.m_World;
    m_Camera.SetTransform(m_lpGraphics->m_lpDevice);

    m_Dragoon.GetPos(&dragoonPos);
    m_LightPos = dragoonPos + D3DXVECTOR3(0.0f, 10.3f, 15.9f);

    const float fogStart = D3DXVec3Length(&dragoonPos);
    m_lpGraphics->SetPixelFogLinear(fogStart, fogStart + kFogDepth, kFogColour);
    return 1;
}

void CTitle_Scene::ToggleSelection() {
    PlayFromStart(m_lpSound, kMoveSound);
    m_Select = m_Select == MENU_START ? MENU_END : MENU_START;
}

void CTitle_Scene::Confirm() {
    if (IDirectSoundBuffer8* buffer = m_lpSound->GetSecondryBuffer(kDecideSound)) buffer->Play(0, 0, 0);
    m_Decided = 1;
    if (m_Select == MENU_START) {
        m_LoadCount = 1;
    } else {
        m_NextScene = SCENE_NONE;
        m_RetryScene = RETRY_CHANGE;
    }
}

void CTitle_Scene::InputProc() {
    if (CDirectInput::DirectInputState && m_lpInput->GetInputDevice()) {
        const LONG vertical = m_lpInput->lY;
        if (vertical < -kAxisDeadZone || vertical > kAxisDeadZone) {
            if (!m_PadLatch) {
                ToggleSelection();
                m_PadLatch = 1;
            }
        } else {
            m_PadLatch = 0;
        }
        for (int button = 0; button < kConfirmButtons; ++button) {
            if ((m_lpInput->rgbButtons[button] & 0x80) && !m_Decided) {
                Confirm();
                break;
            }
        }
    }

    if (KeyDown(VK_UP) || KeyDown(VK_DOWN)) {
        if (!m_KeyLatch) {
            ToggleSelection();
            m_KeyLatch = 1;
        }
    } else {
        m_KeyLatch = 0;
    }
    if (KeyDown(VK_RETURN) && !m_Decided) Confirm();

    if (m_LoadCount > 0 && m_LoadCount < LOAD_FRAMES) {
        ++m_LoadCount;
        if (m_LoadCount == LOAD_FRAMES) {
            m_lpGraphics->ResetRenderTarget();
            m_NextScene = SCENE_GAME;
            m_RetryScene = RETRY_CHANGE;
        }
    }
}

int CTitle_Scene::RenderProc() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    D3DXMatrixPerspectiveFovLH(&m_Projection, 1.3962634f, 1.3333333f, 1.0f, 5000.0f);
    device->SetTransform(D3DTS_PROJECTION, &m_Projection);

    GeneratShadowMap();

    if (SUCCEEDED(device->BeginScene())) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
        MapRender();
        m_BumpMap.BumpMapSetParam(m_Camera.m_View, m_Dragoon.m_World, m_Projection, m_LightPos, kBumpScale);
        if (m_lpDragoonSkin) m_lpDragoonSkin->m_lpEffect = m_BumpMap.GetEffect();
        m_Dragoon.Draw(device);
        SpriteRender();
        device->EndScene();
    }
    if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) m_lpGraphics->m_DeviceLost = 1;
    return 1;
}

void CTitle_Scene::GeneratShadowMap() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    // Only the pointers are kept: the device holds the surfaces meanwhile.
    m_lpSavedTarget = nullptr;
    m_lpSavedDepth = nullptr;
    if (SUCCEEDED(device->GetRenderTarget(0, &m_lpSavedTarget))) m_lpSavedTarget->Release();
    if (SUCCEEDED(device->GetDepthStencilSurface(&m_lpSavedDepth))) m_lpSavedDepth->Release();
    if (FAILED(device->BeginScene())) return;

    m_ShadowMap.ChabgeRenderTarget(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xffffffff, 1.0f, 0);

    m_Dragoon.ResetTime();
    m_Dragoon.Animation(kDragoonAnimationStep);
    m_Dragoon.CalcMatrix();
    m_Dragoon.SetTransform();

    D3DXVECTOR3 dragoonPos;
    m_Dragoon.GetPos(&dragoonPos);
    if (m_lpDragoonSkin) m_lpDragoonSkin->m_lpEffect = m_ShadowMap.GetEffect();
    m_ShadowMap.SkinObjectCreateShadowMap(m_LightPos, dragoonPos);
    m_Dragoon.Draw(device);

    device->SetRenderTarget(0, m_lpSavedTarget);
    device->SetDepthStencilSurface(m_lpSavedDepth);
    device->EndScene();
}

void CTitle_Scene::MapRender() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    m_BaseShader.StaticMeshSetParam(m_lpSky->m_World, m_Camera.m_View, m_Projection);
    m_lpSky->SetToEffectAddress(m_BaseShader.GetEffect());
    m_lpSky->DrawHLSL(device);

    D3DXVECTOR3 dragoonPos;
    m_Dragoon.GetPos(&dragoonPos);
    m_ShadowMap.ShadowMapSetParam(m_Sea.m_World, m_Camera.m_View, m_Projection, m_LightPos, dragoonPos, kShadowMapSize,
                                  kShadowMapSize);
    m_Sea.SetToEffectAddress(m_ShadowMap.GetEffect());
    m_Sea.DrawHLSL(device);
}

void CTitle_Scene::SpriteRender() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    m_lpGraphics->Blend_Alpha();
    if (!sprite || FAILED(sprite->Begin(D3DXSPRITE_ALPHABLEND))) return;
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    m_lpGraphics->AlphaTestEnable(true);
    m_lpGraphics->Blend_Alpha();

    IDirect3DTexture9* sheet = CachedTexture(m_lpTextureManager, device, kTitleSprite);
    auto draw = [&](IDirect3DTexture9* texture, const SpritePart& part, D3DCOLOR colour) {
        sprite->Draw(texture, &part.source, nullptr, &part.position, colour);
    };
    draw(sheet, kLogo, kWhite);
    draw(sheet, kStartItem, m_Select == MENU_START ? kWhite : kGrey);
    draw(sheet, kEndItem, m_Select == MENU_END ? kWhite : kGrey);
    draw(sheet, kBar, kBarColour);
    if (m_LoadCount > 0) {
        const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
        const D3DCOLOR loadColour = (static_cast<D3DCOLOR>(m_LoadCount) << 24) | 0x00ffffffu;
        sprite->Draw(CachedTexture(m_lpTextureManager, device, kLoadPicture), nullptr, nullptr, &origin, loadColour);
        if (m_LoadCount == 2) m_AdviceNo = static_cast<std::int16_t>(CrtRand() % 3);
        draw(CachedTexture(m_lpTextureManager, device, kAdvicePicture), kAdvice[m_AdviceNo], kWhite);
    }
    sprite->End();
}

int CTitle_Scene::EndProc() {
    m_lpSound->FreeBuffer();
    m_BaseShader.Release();
    m_ShadowMap.UnLoadStaticShadowMap();
    m_BumpMap.UnLoadBumpData();
    m_HDR.EndProc();

    delete m_lpSky;
    m_lpSky = nullptr;
    // The dragon lets go of its animation before the mesh it was cloned from.
    m_Dragoon.Unload();
    if (m_lpDragoonSkin) m_lpDragoonSkin->UnloadXFile();
    delete m_lpDragoonSkin;
    m_lpDragoonSkin = nullptr;

    m_lpTextureManager->Release();
    // The choice made decides, not the item lit now: the selection may still
    // move after it.
    if (m_NextScene == SCENE_NONE) {
        CTextureManager::DeleteInst();
        m_lpTextureManager = nullptr;
        CDirectInput::DeleteInstance(m_lpInput);
        m_lpInput = nullptr;
    }

    m_lpAudio->StopSegment(kMusicSlot);
    m_lpAudio->ReleaseSegment(kMusicSlot);
    return 1;
}
