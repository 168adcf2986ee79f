// The two area attacks that end an OverDrive: the fire spiral (CBeam), an
// invisible emitter that throws out one long ray of fire per frame while it
// sweeps twice around its place, and the ring bursts (CShot), rings of 18
// glowing shots fired every second step of a 40-ring sequence. Every ray and
// shot is a damaging player hit.
#pragma once
#include <cstdint>

#include "game/BillBoard.h"

class CBeam : public BillBoardNode {
public:
    static CBeam* GetInstance();
    static void DeleteInstance();

    // Starts a spiral at place: an emitter node that lives 146 updates and
    // leaves 145 rays.
    void CreateBeam(D3DXMATRIX* place);

    // Node callbacks: the emitter's update, a ray's update, and the drawing
    // of both (the emitter itself is invisible).
    static int BeamProcess(BillBoardNode* emitter);
    static int UpdateBeam(BillBoardNode* ray);
    static int RenderBeam(BillBoardNode* node);

    static CBeam* m_lpBeam;

private:
    CBeam() = default;
};

class CShot : public BillBoardNode {
public:
    static CShot* GetInstance();
    static void DeleteInstance();

    // Back to idle, with the generator's own texture loaded.
    void ShotInit();
    // Arms an idle launcher for a new sequence; an armed one is left as it is.
    void ShotLaunching(D3DXMATRIX* matrix);
    // One step of the ring sequence at place (a ring every second step):
    // true while the sequence goes on, false once it is over or when the
    // launcher was never armed.
    bool CreateShotEx(D3DXMATRIX* place);

    static int UpdateShotEx(BillBoardNode* shot);
    static int RenderShot(BillBoardNode* shot);

    std::int32_t m_TextureToggle = 0;        // 0: the next ring uses Shot_09, 1: DEATH
    std::int16_t m_ShotCount = 0;            // +5 per step, the sequence ends at 400
    std::int32_t m_ShotState = 0;            // 0 idle, 1 armed
    D3DXMATRIX* m_lpLaunchMatrix = nullptr;  // recorded when armed; not used by the rings

    static CShot* m_lpShot;

private:
    CShot() = default;
};
