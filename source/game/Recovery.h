// Recovery items: a glowing item that chases the dragon from where a friendly
// character gave it, and bursts into a blue flash when it reaches it. While
// the dragon is inside the flash its energy refills (a USE_ITEM,
// EFFECT_RECOVERY query of the billboard manager).
#pragma once
#include "game/BillBoard.h"

class CRecovery : public BillBoardNode {
public:
    static CRecovery* GetInstance();
    static void DeleteInstance();

    // An item at place's position that homes on target (the dragon's
    // committed matrix, which must outlive the item).
    void CreateRecovery(D3DXMATRIX* target, D3DXMATRIX* place);

    // Node callbacks: the item's chase, the flash's fade, and the drawing of
    // both.
    static int RecoveryUpdateProcess(BillBoardNode* item);
    static int RecoveryFlash(BillBoardNode* flash);
    static int RecoveryRenderProcess(BillBoardNode* node);

    static CRecovery* m_lpRecovery;

private:
    CRecovery() = default;
};
