// CEnemyManager: the enemies of one mission. It scatters the areas over the
// sea, engages the enemies near the camera every update, keeps the kill
// counter and the hit combo, picks the player's lock-on targets and steps
// and draws the engaged enemies.
#pragma once
#include <cstdint>
#include <list>

#include "game/GameState.h"
#include "platform/d3dx9/d3dx9math.h"

class BaseShader;
class CArea;
class CBillBoardManager;
class CBumpMap;
class CCamera;
class CCurry;
class CDirectGraphics;
class CDirectSound;
class CDragoon;
class CHito;
class CRecovery;
class CSkinXFile;

constexpr int ENEMY_AREA_COUNT = 200;
constexpr int LASER_TARGET_COUNT = 20;
// Updates without a hit after which a combo ends.
constexpr int16_t COMBO_TIME_LIMIT = 120;

class CEnemyManager {
public:
    CEnemyManager();
    ~CEnemyManager();
    CEnemyManager(const CEnemyManager&) = delete;
    CEnemyManager& operator=(const CEnemyManager&) = delete;

    // Builds the mission: meshes, 200 areas, voices, counters, the
    // recovery items. The dragon must exist. 0.
    int InitProc(CCamera* camera, D3DXMATRIXA16* projection, GAME_STATE* state);
    void SetHLSL(BaseShader* baseShader, CBumpMap* bumpMap);
    // Engagement, combo expiry, lock-on targets and the engaged areas; 1.
    int UpdateProc();
    // Steps (unless paused) and draws the engaged enemies; 1.
    int RenderProc();
    int EndProc();
    void UpdateLaserTarget();

    // The current positions of the engaged Curries / humans, in list order;
    // out is emptied first and returned.
    std::list<D3DXVECTOR3>* GetCurryPos(std::list<D3DXVECTOR3>* out) const;
    std::list<D3DXVECTOR3>* GetEnemyPos(std::list<D3DXVECTOR3>* out) const;
    // The Curry area farthest from the player (the later one of equals); the
    // origin when there is none.
    D3DXVECTOR3* GetAreaNearPosition(D3DXVECTOR3* out) const;
    // Per area, where its first living Curry stands; rebuilt every update.
    std::list<D3DXVECTOR3>* GetEnemyPosListAddress() { return &m_CurryPosList; }

    int32_t GetKillCount() const { return m_KillCount; }
    int16_t GetCombo() const { return m_Combo; }

    CDirectGraphics* m_lpGraphics = nullptr;
    CSkinXFile* m_lpHitoMesh = nullptr;
    CSkinXFile* m_lpCurryMesh = nullptr;
    std::list<CHito*> m_HitoList;
    std::list<CCurry*> m_CurryList;
    CCamera* m_lpCamera = nullptr;
    BaseShader* m_lpBaseShader = nullptr;
    CBumpMap* m_lpBumpMap = nullptr;
    D3DXMATRIXA16* m_LaserTarget[LASER_TARGET_COUNT] = {};
    CDragoon* m_lpPlayer = nullptr;
    D3DXMATRIXA16* m_lpProjection = nullptr;
    CBillBoardManager* m_lpBillBoard = nullptr;
    CDirectSound* m_lpSound = nullptr;
    CRecovery* m_lpRecovery = nullptr;
    std::list<CArea*> m_AreaList;
    // Positions of the Curry areas, by value: they stay valid until the next
    // update whatever happens to the areas.
    std::list<D3DXVECTOR3> m_AreaPosList;
    std::list<D3DXVECTOR3> m_CurryPosList;
    int16_t m_ComboTimer = 0;
    GAME_STATE* m_lpGameState = nullptr;
    int32_t m_KillCount = 0;
    int16_t m_Combo = 0;

private:
    void LoadMeshes();
    void DeleteAreas();
    void ReleaseMeshes();
    template <class Character>
    void Draw(Character& character);
};
