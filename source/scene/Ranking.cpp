#include "scene/Ranking.h"

#include "game/Beam.h"
#include "game/BillBoardManager.h"
#include "lib/DirectAudio.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectSound.h"
#include "lib/StaticMeshManager.h"
#include "lib/ViewFrustumCulling.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/crt/random.h"
#include "platform/win32/process.h"
#include "scene/ConfirmInput.h"
#include "scene/GlobalData.h"
#include "scene/SpriteDraw.h"

namespace {
const char* const kRankingSheet = "Texture/Ranking/RankingSprite.png";
const char* const kBlack = "Texture/Ranking/Black.bmp";
const char* const kDigitSheet = "Texture/Sprite/TexTmp.png";
const char* const kSkyMesh = "Sky.x";
const char* const kSeaMesh = "sea.x";
const char* const kBaseEffect = "Shader/BaseHLSL.fx";
const char* const kMemberSound = "Sound/SE/Ranking/Member.wav";
const char* const kCountSound = "Sound/SE/cursor_move.wav";
const char* const kCountedSound = "Sound/SE/Ranking/power32.wav";
const char* const kMetalSound = "Sound/SE/Ranking/metal07.wav";
const char* const kBeamSound = "Sound/SE/FireDrive.wav";
const char* const kMusic = "Sound/BGM/Korvenhymn.ogg";
const char* const kBeamTexture = "Texture/Laser/FireLaser.png";
// Straight ahead of the camera, low over the sea.
const D3DXVECTOR3 kBeamPlace(0.0f, 2.5f, 25.9f);
constexpr int kMusicSlot = 2;

struct RowStart {
    float x, y;
    RECT plate;
};
constexpr RowStart kRowStarts[CRankMember::ROWS] = {
    {800.0f, 100.0f, {0, 0, 118, 54}},
    {1000.0f, 200.0f, {0, 56, 142, 120}},
    {1200.0f, 300.0f, {0, 121, 127, 183}},
    {1300.0f, 400.0f, {0, 184, 187, 256}},
};
constexpr float kPlateStop = 100.0f;
constexpr float kNumberOffset = 160.0f;
constexpr std::int16_t kFadeFrames = 255;

void PlaySound(const char* path, bool rewind) {
    IDirectSoundBuffer8* buffer = CDirectSound::GetInstance()->GetSecondryBuffer(path);
    if (!buffer) return;
    if (rewind) buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
}

// rand() / 32768 x 0.02 - 0.01: a slight shake of the camera.
float Jitter() { return static_cast<float>(CrtRand()) / 32768.0f * 0.02f - 0.01f; }
}  // namespace

void CRankMember::InitProc(RANKING_STATE* state) {
    for (int row = 0; row < ROWS; ++row) {
        m_Rank[row].Pos = D3DXVECTOR3(kRowStarts[row].x, kRowStarts[row].y, 0.0f);
        m_Rank[row].SrcRect = kRowStarts[row].plate;
        m_Rank[row].DispScore = 0;
    }
    m_lpState = state;
    LoadPlayerData();
    m_lpRankBeam = CBeam::GetInstance();
    m_lpRankBeam->SetTexture(BillBoardTexture(kBeamTexture));
    CDirectSound::GetInstance()->GetSecondryBuffer(kBeamSound);
}

void CRankMember::FireBeam() {
    D3DXMATRIXA16 place;
    D3DXMatrixTranslation(&place, kBeamPlace.x, kBeamPlace.y, kBeamPlace.z);
    m_lpRankBeam->CreateBeam(&place);
}

void CRankMember::EndProc() {
    CBeam::DeleteInstance();
    m_lpRankBeam = nullptr;
}

bool CRankMember::LoadPlayerData() {
    const LAST_RESULT result = LoadLastResult();
    // The table holds 16-bit scores: the mission's count keeps its low bits.
    m_Rank[PLAYER_ROW].Score = static_cast<std::int16_t>(static_cast<std::uint16_t>(result.Score));
    m_Rank[PLAYER_ROW].Combo = result.BestCombo;
    const RANKING_TABLE table = LoadRankingTable();
    for (int place = 0; place < RANKING_PLACES; ++place) m_Rank[place].Score = table.Score[place];
    return true;
}

void CRankMember::SlideIn() {
    for (int row = 0; row < ROWS; ++row) {
        D3DXVECTOR3& position = m_Rank[row].Pos;
        if (position.x <= kPlateStop) continue;
        position.x -= 1.0f;
        if (position.x > kPlateStop) continue;
        PlaySound(kMemberSound, true);
        position.x = kPlateStop;
        if (row == PLAYER_ROW) {
            *m_lpState = RANKING_COUNT_UP;
            return;
        }
    }
}

void CRankMember::CountUp() {
    const RANK& top = m_Rank[0];
    const RANK& player = m_Rank[PLAYER_ROW];
    for (int row = 0; row < ROWS; ++row) {
        RANK& rank = m_Rank[row];
        if (rank.DispScore < rank.Score) {
            if (row == 0) PlaySound(kCountSound, false);
            if (++rank.DispScore == rank.Score) PlaySound(kCountedSound, true);
        } else if ((row == 0 && player.DispScore >= player.Score) ||
                   (row == PLAYER_ROW && top.DispScore >= top.Score)) {
            *m_lpState = RANKING_WAIT_KEY;
            PlaySound(kBeamSound, true);
            FireBeam();
            return;
        }
    }
}

void CRankMember::UpdateProc() {
    switch (*m_lpState) {
    case RANKING_SLIDE_IN: SlideIn(); break;
    case RANKING_COUNT_UP: CountUp(); break;
    case RANKING_WAIT_KEY:
        if (ConfirmInputHeld()) {
            ChangeRanking();
            *m_lpState = RANKING_FADE_OUT;
        }
        break;
    default: break;
    }
}

bool CRankMember::ChangeRanking() {
    for (int i = 0; i < ROWS - 1; ++i)
        for (int j = ROWS - 1; j > i; --j)
            if (m_Rank[j].Score > m_Rank[j - 1].Score) std::swap(m_Rank[j].Score, m_Rank[j - 1].Score);
    RANKING_TABLE table;
    for (int place = 0; place < RANKING_PLACES; ++place) table.Score[place] = m_Rank[place].Score;
    return SaveRankingTable(table);
}

int CRanking::InitProc() {
    m_RankingState = RANKING_LOADING;
    m_FadeCount = 0;
    m_lpGraphics = CDirectGraphics::GetInstance();
    m_lpSound = CDirectSound::GetInstance();
    m_lpAudio = CDirectAudio::GetInstance();
    m_lpTextureManager = CTextureManager::GetInst();
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    Texture(kRankingSheet);
    Texture(kBlack);

    m_lpBillBoard = CBillBoardManager::GetInstance();
    m_lpBillBoard->Init(device, &m_Camera.m_World);

    char previous[256] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(".\\XFile\\Map\\");
    CStaticMeshManager* meshes = Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance();
    m_lpSky = new CObject;
    m_lpSky->SetXFile(meshes->GetXFileAddress(device, kSkyMesh, 0));
    m_lpSea = new CObject;
    m_lpSea->SetXFile(meshes->GetXFileAddress(device, kSeaMesh, 0));
    SetCurrentDirectoryA(previous);

    m_BaseShader.CreateBaseEffect(kBaseEffect, device);
    m_SkyAngle = 0.0f;

    m_lpSound->GetSecondryBuffer(kMetalSound);
    m_lpSound->GetSecondryBuffer(kCountedSound);
    m_lpSound->GetSecondryBuffer(kMemberSound);

    m_lpAudio->LoadFile2Segment(kMusic, kMusicSlot, CDirectAudio::FILE_KIND_OGG_VORBIS);
    m_lpAudio->PlaySegment(kMusicSlot, 1, 0, 0);

    m_RankingState = RANKING_SLIDE_IN;
    m_RankMember.InitProc(&m_RankingState);
    return 1;
}

IDirect3DTexture9* CRanking::Texture(const char* fileName) {
    return SpriteTexture(m_lpTextureManager, m_lpGraphics->m_lpDevice, fileName);
}

int CRanking::MainProc() {
    UpdateProc();
    RenderProc();
    if (m_FadeCount >= kFadeFrames) {
        m_NextScene = SCENE_TITLE;
        m_RetryScene = RETRY_CHANGE;
    }
    return m_RetryScene;
}

int CRanking::UpdateProc() {
    m_lpSky->Identity();
    m_lpSky->RotateY(m_SkyAngle);
    m_SkyAngle += 0.1f;
    m_lpSky->Scale(2000.0f, 2000.0f, 2000.0f);
    m_lpSea->Identity();

    const float shakeX = Jitter();
    const float shakeY = Jitter();
    m_Camera.Identity();
    m_Camera.Move(0.0f + shakeX, 7.0f + shakeY, 10.9f);
    m_Camera.SetTransform(m_lpGraphics->m_lpDevice);

    m_RankMember.UpdateProc();
    m_lpBillBoard->UpdateProcess();
    return 1;
}

int CRanking::RenderProc() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    D3DXMatrixPerspectiveFovLH(&m_Projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 5000.0f);
    // The beam's billboards are drawn with the device's transforms; without
    // this they would use whatever projection the previous scene left there.
    device->SetTransform(D3DTS_PROJECTION, &m_Projection);
    CViewFrustumCulling::CreateFrustum(&m_Camera.m_View, 80.0f, 4.0f / 3.0f, 1.0f, 5000.0f);
    if (SUCCEEDED(device->BeginScene())) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF646464, 1.0f, 0);
        m_lpGraphics->ZWriteEnable(true);
        MapRender();
        m_lpGraphics->LightEnable(false);
        m_lpGraphics->ZWriteEnable(false);
        m_lpGraphics->FogEnable(false);
        m_lpGraphics->Blend_Add();
        m_lpBillBoard->RendreProcess();
        SpriteRender();
        device->EndScene();
    }
    if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) m_lpGraphics->m_DeviceLost = 1;
    return 1;
}

void CRanking::MapRender() {
    IDirect3DDevice9* device = m_lpGraphics->m_lpDevice;
    m_BaseShader.DrawSkyAndSea(device, *m_lpSky, *m_lpSea, m_Camera.m_View, m_Projection);
}

void CRanking::SpriteRender() {
    m_lpGraphics->Blend_Alpha();
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    if (FAILED(sprite->Begin(D3DXSPRITE_ALPHABLEND))) return;
    for (const RANK& rank : m_RankMember.m_Rank)
        DrawSpriteAt(sprite, Texture(kRankingSheet), &rank.SrcRect, rank.Pos.x, rank.Pos.y);
    if (m_RankingState != RANKING_SLIDE_IN)
        for (const RANK& rank : m_RankMember.m_Rank)
            NumberCount(rank.DispScore, static_cast<short>(rank.Pos.x + kNumberOffset), static_cast<short>(rank.Pos.y),
                        SPRITE_WHITE);
    if (m_RankingState == RANKING_FADE_OUT) {
        const RECT screen{0, 0, 800, 600};
        DrawSpriteAt(sprite, Texture(kBlack), &screen, 0.0f, 0.0f, AlphaWhite(m_FadeCount));
        ++m_FadeCount;
    }
    sprite->End();
}

void CRanking::NumberCount(int value, short x, short y, D3DCOLOR colour) {
    DrawFourDigitNumber(m_lpGraphics->m_lpSprite, Texture(kDigitSheet), value, x, y, colour);
}

int CRanking::EndProc() {
    m_BaseShader.Release();
    m_RankMember.EndProc();
    m_lpSound->FreeBuffer();
    delete m_lpSky;
    delete m_lpSea;
    m_lpSky = nullptr;
    m_lpSea = nullptr;
    m_lpTextureManager->Release();
    CTextureManager::DeleteInst();
    m_lpTextureManager = nullptr;
    CBillBoardManager::UnLoad();
    m_lpBillBoard = nullptr;
    m_lpAudio->StopAllSegment();
    m_lpAudio->ReleaseAllSegment();
    return 1;
}
