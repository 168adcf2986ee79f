// The ranking scene, entered after a cleared mission: the three best scores
// kept on disk and the mission's own score slide in as four plates over the
// turning sky and sea, count up from zero, a beam is fired into the scene,
// and on confirmation the new score is merged into the table, the table is
// saved and the screen fades to black before the title follows.
#pragma once
#include <cstdint>

#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/Object.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/win32/wintypes.h"
#include "scene/Scene.h"

class CBeam;
class CBillBoardManager;
class CDirectAudio;
class CDirectGraphics;
class CDirectSound;
class CTextureManager;
class IDirect3DTexture9;

enum RANKING_STATE : std::int32_t {
    RANKING_LOADING = 0,
    RANKING_SLIDE_IN = 1,  // plates slide in; no numbers shown
    RANKING_COUNT_UP = 2,  // the numbers count up to their scores
    RANKING_WAIT_KEY = 3,  // beam fired; waiting for confirmation
    RANKING_FADE_OUT = 4,  // table saved; fading to black
};

// One plate of the table.
struct RANK {
    D3DXVECTOR3 Pos;  // top-left corner on screen, in pixels
    RECT SrcRect;     // the plate in the ranking sprite sheet
    std::int16_t Score;
    std::int16_t Combo;      // the mission's best combo (row 3 only)
    std::int16_t DispScore;  // counts up to Score
};

// The four rows (ranks 1 to 3 from the file, row 3 the mission just played),
// the two data files and the rows' animation.
class CRankMember {
public:
    static constexpr int ROWS = 4;
    static constexpr int PLAYER_ROW = 3;

    void InitProc(RANKING_STATE* state);
    // Reads the last result and the table; what cannot be read counts as 0.
    bool LoadPlayerData();
    void UpdateProc();
    // Sorts the mission's score into the table (below equal stored scores)
    // and saves the best three. Only the scores move between rows.
    bool ChangeRanking();
    void EndProc();

    RANK m_Rank[ROWS]{};
    RANKING_STATE* m_lpState = nullptr;
    CBeam* m_lpRankBeam = nullptr;

private:
    void SlideIn();
    void CountUp();
    void FireBeam();
};

class CRanking : public CScene {
public:
    int InitProc() override;
    int MainProc() override;
    int UpdateProc() override;
    int RenderProc() override;
    int EndProc() override;

    void SpriteRender();
    void NumberCount(int value, short x, short y, D3DCOLOR colour);

    std::int16_t m_FadeCount = 0;
    CDirectGraphics* m_lpGraphics = nullptr;
    CTextureManager* m_lpTextureManager = nullptr;
    CDirectSound* m_lpSound = nullptr;
    CDirectAudio* m_lpAudio = nullptr;
    RANKING_STATE m_RankingState = RANKING_LOADING;
    CBillBoardManager* m_lpBillBoard = nullptr;
    CCamera m_Camera;
    CObject* m_lpSea = nullptr;
    CObject* m_lpSky = nullptr;
    BaseShader m_BaseShader;
    float m_SkyAngle = 0.0f;
    D3DXMATRIXA16 m_Projection;
    CRankMember m_RankMember;

private:
    IDirect3DTexture9* Texture(const char* fileName);
    void MapRender();
};
