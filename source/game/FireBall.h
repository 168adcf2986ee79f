// Fireballs: the player's straight shot, the homing fireball of the power
// attack and of the enemies, and the explosion burst where an enemy dies.
// A fireball is an invisible carrier with a small hit sphere that drops a
// large animated burst every second frame; the bursts are what is seen and
// what does most of the damage.
#pragma once
#include "game/BillBoard.h"

class CFireBallGenerator : public BillBoardNode {
public:
    static CFireBallGenerator* GetInstance();
    static void DeleteInstance();

    // A straight fireball from origin, moving by velocity in its own frame
    // and sinking under gravity; plays the fireball sound.
    void CreateFireBall(D3DXMATRIX* origin, D3DXVECTOR3* velocity);
    // A fireball that turns towards target by up to 5 degrees a frame. An
    // enemy's (use not USE_PLAYER) vanishes when it reaches the player.
    void CreateFireBallEx(D3DXMATRIX& origin, D3DXVECTOR3& velocity, D3DXMATRIX* target, USE_TYPE use);
    // A harmless explosion drifting upwards from position.
    void CreateExplode(D3DXVECTOR3* position);

    // Node callbacks.
    static int FireBallProcess(BillBoardNode* node);
    static int FireBallExProcess(BillBoardNode* node);
    static int ExplodeProcess(BillBoardNode* node);
    static int RenderFireBall(BillBoardNode* node);

    static CFireBallGenerator* lpFireBallGenerator;

private:
    CFireBallGenerator() = default;
    BillBoardNode* CreateCarrier(const D3DXMATRIX& origin, const D3DXVECTOR3& velocity);
    static void CreateTrailBurst(BillBoardNode* fireBall, IDirect3DTexture9* texture, USE_TYPE use);
};
