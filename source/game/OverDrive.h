// The OverDrive launcher the dragon carries: it drops a burning shell that
// flies on from the dragon's pose, sinks and trails fire bursts, and where it
// comes down (or after 200 frames) turns into the fire spiral (kind 0) or the
// ring bursts (kind 1).
#pragma once
#include "game/BillBoard.h"

class CBeam;
class CShot;

class COverDrive : public BillBoardNode {
public:
    COverDrive() = default;

    // launchPose is the dragon's committed matrix, read at every launch.
    // Brings up the beam and shot generators with their textures.
    void OverDriveInit(D3DXMATRIX* launchPose);
    // A shell of kind 0 (fire spiral) or 1 (ring bursts) flying with
    // velocity in its own frame; any other kind launches nothing.
    void CreateOverDrive(D3DXVECTOR3* velocity, unsigned kind);
    // Deletes the shot generator; 1.
    int EndProc();

    // Node callbacks: the two shell kinds, their trail bursts, and the
    // drawing of all three.
    static int ConflagrationEvilUpdate(BillBoardNode* shell);
    static int InfinityEvilUpdate(BillBoardNode* shell);
    static int ExplodeProcess(BillBoardNode* burst);
    static int RenderOverDrive(BillBoardNode* node);

    D3DXMATRIX* m_lpCharaMatrix = nullptr;  // not owned
    CBeam* m_lpBeamObject = nullptr;        // not owned
    CShot* m_lpShotObject = nullptr;        // deleted by EndProc
};
