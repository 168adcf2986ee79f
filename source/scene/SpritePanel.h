// The game scene's heads-up display and its two end screens, drawn with the
// device's sprite batch on the 800 x 600 screen. Besides drawing, it runs the
// mission's countdown (60 drawn frames to a second, refilled while a combo
// runs), decides the end of the mission (clear when the countdown is out,
// game over when the player's life is gone) and writes the last result.
//
// The game scene owns it by value and, every update, hands it what it shows:
// the engaged enemies' positions (Set3DPos, SetEnemyPosTo2D), the arrow's
// target (m_AreaWayTarget), the kill count (m_Score) and the combo (m_Combo).
#pragma once
#include <cstdint>
#include <list>

#include "game/GameState.h"
#include "game/PlayerStatus.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/win32/wintypes.h"

class CDirectGraphics;
class CTextureManager;
class IDirect3DTexture9;

class CSpritePanel {
public:
    CSpritePanel();

    // Starts a mission: countdown 60 s, fades, best combo and score at 0.
    // Loads the HUD's pictures into the texture cache. Returns 1.
    int InitProc(D3DXMATRIXA16* playerWorld, GAME_STATE* state);
    void SetPlayerStatusAddress(PlayerStatus* status) { m_lpPlayerStatus = status; }
    // The enemy manager's list of Curry positions, read by the minimap.
    void SetAreaPosListAddress(std::list<D3DXVECTOR3>* positions) { m_lpAreaPosList = positions; }
    // Replace the marker lists by the screen projections of these world
    // positions (through the device's current view and projection).
    void Set3DPos(const std::list<D3DXVECTOR3>& curryPositions);
    void SetEnemyPosTo2D(const std::list<D3DXVECTOR3>& hitoPositions);

    // One frame of a running mission: advances the countdown (not while
    // paused), draws the HUD or the pause picture, runs the game-over fade.
    int RenderProc();
    // One frame of the clear screen: the mission-clear picture fades in.
    int ClearRenderProc();
    int EndProc() { return 1; }

    void NumberCount(unsigned value, short x, short y, D3DCOLOR colour);
    void AreaWayRenderProc();
    void MiniMapRender(float left, float top);
    // Writes the score and best combo to "GlobalData/Global.qdf". False when
    // the file could not be written; a stale file is then removed, so the
    // ranking never counts an older mission twice.
    bool SaveToGlobalData();

    std::int16_t m_GameOverAlpha = 0;
    CDirectGraphics* m_lpGraphics = nullptr;
    std::list<D3DXVECTOR3> m_CurryScreenList;
    std::list<D3DXVECTOR3> m_HitoScreenList;
    PlayerStatus* m_lpPlayerStatus = nullptr;
    GAME_STATE* m_lpGameState = nullptr;
    CTextureManager* m_lpTextureManager = nullptr;
    std::int16_t m_TimeLeft = 60;
    std::int16_t m_FrameCount = 60;
    std::int16_t m_ClearAlpha = 0;
    std::int16_t m_BestCombo = 0;
    std::list<D3DXVECTOR3>* m_lpAreaPosList = nullptr;
    D3DXVECTOR3 m_AreaWayTarget;
    D3DXMATRIXA16* m_lpPlayerMatrix = nullptr;
    std::int32_t m_Score = 0;
    std::int16_t m_Combo = 0;

private:
    void AdvanceCountdown();
    void RunGameOverFade();
    void DrawGauges();
    void DrawMarkers(std::list<D3DXVECTOR3>* screenList, const RECT& region, float shiftX, float shiftY);
    void ProjectToScreen(const std::list<D3DXVECTOR3>& world, std::list<D3DXVECTOR3>* screen);
    // p - the player's position, turned into the player's own frame.
    D3DXVECTOR3 InPlayerFrame(const D3DXVECTOR3& p) const;
    IDirect3DTexture9* Texture(const char* fileName);
};
