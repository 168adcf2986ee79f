// The scene in which a mission is played: the player, the enemies among
// their areas and every projectile run in a fixed order each frame, the sky
// and sea are drawn around them with the HUD on top, and the mission's state
// turns into a change of scene when it is over.
#pragma once
#include "game/GameState.h"
#include "game/EnemyManager.h"
#include "lib/BaseShader.h"
#include "lib/Camera.h"
#include "lib/Object.h"
#include "lib/ShadowMap.h"
#include "scene/Scene.h"
#include "scene/SpritePanel.h"

class CDragoon;
class CBeam;
class CFlameGenerator;
class CDirectGraphics;
class CTextureManager;
class CBillBoardManager;
class CFireBallGenerator;
class CDirectAudio;
class CDirectSound;

class CScene_Game : public CScene {
public:
    CScene_Game();
    ~CScene_Game() override;

    int InitProc() override;
    // Dispatches on the mission state; returns the retry value.
    int MainProc() override;
    int UpdateProc() override;
    int RenderProc() override;
    int EndProc() override;

    // The clear screen's confirmation: saves the result and leaves for the
    // ranking.
    void ClearInput();
    void MapRender();

    GAME_STATE GetGameState() const { return m_GameState; }
    float GetSkyAngle() const { return m_SkyAngle; }
    CEnemyManager& EnemyManager() { return m_EnemyManager; }
    CSpritePanel& SpritePanel() { return m_SpritePanel; }

private:
    GAME_STATE m_GameState;
    CCamera m_Camera;
    CDragoon* m_lpPlayer;
    CEnemyManager m_EnemyManager;
    CObject m_Sky;
    CObject m_Sea;
    float m_SkyAngle;
    D3DXMATRIXA16 m_Projection;
    CBeam* m_lpBeamGenerator;
    CSpritePanel m_SpritePanel;
    BaseShader m_BaseShader;
    CShadowMap m_ShadowMap;
    CBumpMap m_BumpMap;
    CFlameGenerator* m_lpFlame;
    CDirectGraphics* m_lpGraphics;
    CTextureManager* m_lpTextureManager;
    CBillBoardManager* m_lpBillBoard;
    CFireBallGenerator* m_lpFireBall;
    CDirectAudio* m_lpAudio;
    CDirectSound* m_lpSound;
};
