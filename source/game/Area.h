// CArea: one group of enemies on the sea: five humans around a Curry, or
// twenty-five humans on their own. Every update it works out which of its
// enemies are close enough to take part and whether its Curry runs, and
// while engaged it rolls its humans' behaviour, fires their fireballs and
// tests the player's weapons against its enemies.
#pragma once
#include <cstdint>
#include <list>

#include "platform/d3dx9/d3dx9math.h"

class CHito;
class CCurry;
class CSkinXFile;
class CLaserType;

enum AREA_TYPE : uint32_t {
    AREA_TYPE_CURRY = 0,      // a living Curry, or no humans left to threaten it
    AREA_TYPE_HITO_ONLY = 1,  // humans that shoot at the player
};

enum AREA_RESULT : int32_t {
    AREA_RESULT_OPEN = 0,
    AREA_RESULT_HUMANS_DOWN = 1,  // final
    AREA_RESULT_CURRY_LOST = 2,
};

class CArea {
public:
    CArea() = default;
    ~CArea();
    CArea(const CArea&) = delete;
    CArea& operator=(const CArea&) = delete;

    // The lists of the manager that this area adds to every update.
    void InitProc(std::list<CHito*>* hitoList, std::list<CCurry*>* curryList, std::list<D3DXVECTOR3>* curryPosList);
    // Populates the area around position, drawing from the shared random
    // sequence in a fixed order.
    void CreateArea(const D3DXVECTOR3* position, CSkinXFile* hitoMesh, CSkinXFile* curryMesh, int* killCount);
    // Engagement against the current (short-range) frustum; 1.
    int ViewFrustumUpdate();
    // One update of an engaged area; 1.
    int UpdateArea(CLaserType* laser, short* combo, short* comboTimer);
    // Each human faces and shoots at a Curry of the area, taken in turn.
    void HitoSetTarget();
    int EndProc();

    uint32_t GetAreType() const { return m_AreaType; }
    uint32_t GetAreaStatus() const { return m_AreaStatus; }
    D3DXVECTOR3* GetAreaPosition(D3DXVECTOR3* out) const {
        *out = m_Position;
        return out;
    }

    D3DXVECTOR3 m_Position{0.0f, 0.0f, 0.0f};
    std::list<CCurry*>* m_lpCurryList = nullptr;
    std::list<CHito*>* m_lpHitoList = nullptr;
    std::list<CHito*> m_HitoList;
    std::list<CCurry*> m_CurryList;
    D3DXMATRIXA16* m_lpPlayerMatrix = nullptr;
    uint32_t m_AreaStatus = 0;
    uint32_t m_AreaType = AREA_TYPE_HITO_ONLY;
    int32_t m_AreaResult = AREA_RESULT_OPEN;
    std::list<D3DXVECTOR3>* m_lpCurryPosList = nullptr;

private:
    // Sets the run flag of each living Curry: up while the area is engaged
    // and threatened (humans alive), down otherwise.
    void RaiseRunFlags(bool threatened);
    void RollBehaviour(CHito& hito);
    // Hits of the player's projectiles and laser on a human; true if any.
    void TestPlayerHits(CHito& hito, CLaserType* laser, short* combo, short* comboTimer);
    void UpdateCurry(CCurry& curry, CLaserType* laser, short* combo, short* comboTimer);
    void DeleteEnemies();
};
