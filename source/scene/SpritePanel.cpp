#include "scene/SpritePanel.h"

#include <algorithm>
#include <cmath>

#include "lib/DirectGraphics.h"
#include "lib/Matrix.h"
#include "lib/texturemanager/TextureManager.h"
#include "scene/GlobalData.h"
#include "scene/SpriteDraw.h"

namespace {
const char* const kGaugeFrame = "Texture/Sprite/gauge2.png";
const char* const kLifeBar = "Texture/SPrite/gauge1.png";
const char* const kEnergyBar = "Texture/SPrite/gauge3.png";
const char* const kSheet = "Texture/Sprite/TexTmp.png";
const char* const kGameOver = "Texture/Sprite/gameover.JPG";
const char* const kMissionClear = "Texture/Sprite/MisstionClear.png";
const char* const kPause = "Texture/Sprite/Pause.png";
const char* const kMiniMap = "Texture/Sprite/MiniMap.png";
const char* const kPoint = "Texture/Sprite/Point.png";
const char* const kAllTextures[] = {kGaugeFrame,   kLifeBar, kEnergyBar, kSheet, kGameOver,
                                    kMissionClear, kPause,   kMiniMap,   kPoint};

constexpr RECT kHitoMarker{268, 66, 318, 127};
constexpr RECT kCurryMarker{0, 64, 64, 106};
constexpr RECT kModeIcon[2] = {{64, 64, 128, 128}, {128, 64, 192, 128}};
constexpr RECT kArrow{192, 64, 258, 128};
constexpr RECT kScoreLabel{0, 176, 377, 252};
constexpr RECT kComboLabel{0, 345, 363, 421};
constexpr RECT kTimeLabel{0, 260, 389, 359};
constexpr RECT kGaugeRegion{0, 0, 32, 400};

constexpr std::int16_t kSecondsPerMission = 60;
constexpr std::int16_t kFramesPerSecond = 60;
constexpr std::int16_t kGameOverFadeFrames = 255;
constexpr int kGaugeFull = 400;
constexpr float kGaugeBottom = 500.0f;
constexpr float kArrowRadius = 200.0f;
constexpr float kMiniMapSize = 200.0f;
constexpr float kMiniMapUnitsPerPixel = 20.0f;
constexpr D3DCOLOR kTimeColour = 0xFFFF8080;
constexpr D3DCOLOR kArrowColour = 0xB4FFFFFF;
constexpr D3DCOLOR kPointColour = 0xFFFF0000;

D3DXMATRIX IdentityMatrix() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return identity;
}

D3DXMATRIX Translation(float x, float y) {
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, 0.0f);
    return translation;
}
}  // namespace

CSpritePanel::CSpritePanel() : m_AreaWayTarget(0.0f, 0.0f, 0.0f) {}

int CSpritePanel::InitProc(D3DXMATRIXA16* playerWorld, GAME_STATE* state) {
    m_lpPlayerMatrix = playerWorld;
    m_lpGameState = state;
    m_GameOverAlpha = 0;
    m_TimeLeft = kSecondsPerMission;
    m_FrameCount = kFramesPerSecond;
    m_ClearAlpha = 0;
    m_BestCombo = 0;
    m_Score = 0;
    m_Combo = 0;
    m_lpGraphics = CDirectGraphics::GetInstance();
    m_lpTextureManager = CTextureManager::GetInst();
    for (const char* name : kAllTextures) Texture(name);
    return 1;
}

IDirect3DTexture9* CSpritePanel::Texture(const char* fileName) {
    return SpriteTexture(m_lpTextureManager, m_lpGraphics->m_lpDevice, fileName);
}

void CSpritePanel::ProjectToScreen(const std::list<D3DXVECTOR3>& world, std::list<D3DXVECTOR3>* screen) {
    screen->clear();
    if (!m_lpGraphics || !m_lpGraphics->m_lpViewMatrix || !m_lpGraphics->m_lpProjMatrix) return;
    D3DVIEWPORT9 viewport{};
    m_lpGraphics->m_lpDevice->GetViewport(&viewport);
    const D3DXMATRIX identity = IdentityMatrix();
    for (const D3DXVECTOR3& position : world) {
        D3DXVECTOR3 projected;
        D3DXVec3Project(&projected, &position, &viewport, m_lpGraphics->m_lpProjMatrix, m_lpGraphics->m_lpViewMatrix,
                        &identity);
        screen->push_back(projected);
    }
}

void CSpritePanel::Set3DPos(const std::list<D3DXVECTOR3>& curryPositions) {
    ProjectToScreen(curryPositions, &m_CurryScreenList);
}

void CSpritePanel::SetEnemyPosTo2D(const std::list<D3DXVECTOR3>& hitoPositions) {
    ProjectToScreen(hitoPositions, &m_HitoScreenList);
}

void CSpritePanel::AdvanceCountdown() {
    if (*m_lpGameState == GAME_STATE_PAUSE) return;
    if (--m_FrameCount > 0) return;
    m_FrameCount = kFramesPerSecond;
    --m_TimeLeft;
    // A combo running at the tick of a second refills the countdown.
    if (m_Combo != 0) m_TimeLeft = kSecondsPerMission;
    if (m_TimeLeft <= 0) *m_lpGameState = GAME_STATE_CLEAR;
}

void CSpritePanel::RunGameOverFade() {
    if (!m_lpPlayerStatus || m_lpPlayerStatus->Life > 0) return;
    ++m_GameOverAlpha;
    // A countdown that ran out in this very frame has already cleared the
    // mission; the fade does not take that back.
    if (m_GameOverAlpha >= kGameOverFadeFrames && *m_lpGameState != GAME_STATE_CLEAR)
        *m_lpGameState = GAME_STATE_TO_TITLE;
}

void CSpritePanel::DrawGauges() {
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    DrawSpriteAt(sprite, Texture(kGaugeFrame), &kGaugeRegion, 16.0f, 100.0f);
    DrawSpriteAt(sprite, Texture(kGaugeFrame), &kGaugeRegion, 48.0f, 100.0f);
    // Values outside 0 ... 400 would turn the bars' regions inside out.
    const int life = std::clamp<int>(m_lpPlayerStatus->Life, 0, kGaugeFull);
    const int energy = std::clamp<int>(m_lpPlayerStatus->Energy, 0, kGaugeFull);
    const RECT lifeRegion{0, kGaugeFull - life, 32, kGaugeFull};
    DrawSpriteAt(sprite, Texture(kLifeBar), &lifeRegion, 16.0f, kGaugeBottom - static_cast<float>(life));
    const RECT energyRegion{0, std::abs(energy - kGaugeFull), 32, kGaugeFull};
    DrawSpriteAt(sprite, Texture(kEnergyBar), &energyRegion, 48.0f, kGaugeBottom - static_cast<float>(energy));
}

void CSpritePanel::DrawMarkers(std::list<D3DXVECTOR3>* screenList, const RECT& region, float shiftX, float shiftY) {
    for (D3DXVECTOR3& position : *screenList) {
        position.x -= shiftX;
        position.y -= shiftY;
        position.z = 0.0f;
        DrawSpriteAt(m_lpGraphics->m_lpSprite, Texture(kSheet), &region, position.x, position.y);
    }
}

int CSpritePanel::RenderProc() {
    m_BestCombo = std::max(m_BestCombo, m_Combo);
    AdvanceCountdown();

    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    if (FAILED(sprite->Begin(D3DXSPRITE_ALPHABLEND))) return 1;

    if (*m_lpGameState == GAME_STATE_PAUSE) {
        DrawSpriteAt(sprite, Texture(kPause), nullptr, 0.0f, 0.0f);
        sprite->End();
        RunGameOverFade();
        return 1;
    }

    if (m_lpPlayerStatus) DrawGauges();
    DrawMarkers(&m_HitoScreenList, kHitoMarker, 50.0f, 40.0f);
    DrawMarkers(&m_CurryScreenList, kCurryMarker, 64.0f, 64.0f);

    DrawSpriteAt(sprite, Texture(kSheet), &kScoreLabel, 10.0f, 20.0f);
    NumberCount(static_cast<unsigned>(m_Score), 176, 29, SPRITE_WHITE);
    if (m_Combo != 0) {
        DrawSpriteAt(sprite, Texture(kSheet), &kComboLabel, 415.0f, 220.0f);
        NumberCount(static_cast<unsigned>(m_Combo), 495, 255, SPRITE_WHITE);
    }
    if (m_lpPlayerStatus && (m_lpPlayerStatus->AttackMode == 1 || m_lpPlayerStatus->AttackMode == 2))
        DrawSpriteAt(sprite, Texture(kSheet), &kModeIcon[m_lpPlayerStatus->AttackMode - 1], 636.0f, 100.0f);
    DrawSpriteAt(sprite, Texture(kSheet), &kTimeLabel, 10.0f, 500.0f);
    NumberCount(static_cast<unsigned>(m_TimeLeft), -10, 509, kTimeColour);

    AreaWayRenderProc();
    MiniMapRender(590.0f, 370.0f);

    if (m_lpPlayerStatus && m_lpPlayerStatus->Life <= 0)
        DrawSpriteAt(sprite, Texture(kGameOver), nullptr, 0.0f, 0.0f, AlphaWhite(m_GameOverAlpha));
    RunGameOverFade();
    sprite->End();
    return 1;
}

int CSpritePanel::ClearRenderProc() {
    m_ClearAlpha = std::min<std::int16_t>(m_ClearAlpha + 1, 255);
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    if (FAILED(sprite->Begin(D3DXSPRITE_ALPHABLEND))) return 1;
    DrawSpriteAt(sprite, Texture(kMissionClear), nullptr, 0.0f, 250.0f, AlphaWhite(m_ClearAlpha));
    sprite->End();
    return 1;
}

void CSpritePanel::NumberCount(unsigned value, short x, short y, D3DCOLOR colour) {
    // The value arrives as the bits of a signed counter: a negative one
    // shows as 0, not as a huge number.
    DrawFourDigitNumber(m_lpGraphics->m_lpSprite, Texture(kSheet), static_cast<int>(value), x, y, colour);
}

D3DXVECTOR3 CSpritePanel::InPlayerFrame(const D3DXVECTOR3& p) const {
    const D3DXVECTOR3 player(m_lpPlayerMatrix->_41, m_lpPlayerMatrix->_42, m_lpPlayerMatrix->_43);
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, m_lpPlayerMatrix);
    const D3DXVECTOR3 offset = p - player;
    D3DXVECTOR3 local;
    D3DXVec3TransformNormal(&local, &offset, &inverse);
    return local;
}

void CSpritePanel::AreaWayRenderProc() {
    if (!m_lpPlayerMatrix) return;
    D3DXVECTOR3 way = InPlayerFrame(m_AreaWayTarget);
    way.z = 0.0f;
    const float degrees = std::atan2(-way.y, way.x) * 57.3f;
    D3DXVec3Normalize(&way, &way);
    way *= kArrowRadius;

    CMatrix transform;
    transform.Identity();
    transform.RotateZ(degrees);
    transform.Move(400.0f + way.x, 300.0f - way.y, 0.0f);
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    sprite->SetTransform(&transform.m_World);
    sprite->Draw(Texture(kSheet), &kArrow, nullptr, nullptr, kArrowColour);
    const D3DXMATRIX identity = IdentityMatrix();
    sprite->SetTransform(&identity);
}

void CSpritePanel::MiniMapRender(float left, float top) {
    ID3DXSprite* sprite = m_lpGraphics->m_lpSprite;
    DrawSpriteAt(sprite, Texture(kMiniMap), nullptr, left, top);
    if (!m_lpAreaPosList || !m_lpPlayerMatrix) return;
    const float half = kMiniMapSize / 2.0f;
    const D3DXMATRIX identity = IdentityMatrix();
    for (const D3DXVECTOR3& position : *m_lpAreaPosList) {
        const D3DXVECTOR3 local = InPlayerFrame(position);
        const float sx = left + half + local.x / kMiniMapUnitsPerPixel - 2.0f;
        const float sy = top + half - local.z / kMiniMapUnitsPerPixel - 2.0f;
        if (sx < left || sx > left + kMiniMapSize || sy < top || sy > top + kMiniMapSize) continue;
        const D3DXMATRIX translation = Translation(sx, sy);
        sprite->SetTransform(&translation);
        sprite->Draw(Texture(kPoint), nullptr, nullptr, nullptr, kPointColour);
        sprite->SetTransform(&identity);
    }
}

bool CSpritePanel::SaveToGlobalData() {
    LAST_RESULT result;
    result.Score = m_Score;
    result.BestCombo = m_BestCombo;
    if (SaveLastResult(result)) return true;
    globaldata::RemoveRecord(globaldata::kLastResultFile);
    return false;
}
