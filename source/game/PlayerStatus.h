// The dragon's status record. The HUD, the enemy manager and the friendly
// characters read and write it through the dragon's pointer to it.
#pragma once
#include <cstdint>

struct PlayerStatus {
    int16_t Life;    // the dragon never clamps it; the HUD ends the game at <= 0
    int16_t Energy;  // at most 400
    int32_t FireButton;
    int32_t LaserButton;
    int32_t OverDriveButton;
    int32_t ChangeButton;
    int32_t PauseButton;
    int32_t LeftDashButton;
    int32_t RightDashButton;
    // Press latches of the seven buttons above, same order.
    bool FireLatch;
    bool LaserLatch;
    bool OverDriveLatch;
    bool ChangeLatch;
    bool PauseLatch;
    bool LeftDashLatch;
    bool RightDashLatch;
    int32_t AttackMode;  // 1 normal, 2 power
    int32_t DashState;   // 0 none, 1 right, 2 left
};

// The values a mission starts with.
inline PlayerStatus StartingPlayerStatus() {
    PlayerStatus s{};
    s.Life = 400;
    s.Energy = 400;
    s.FireButton = 1;
    s.LaserButton = 2;
    s.OverDriveButton = 3;
    s.ChangeButton = 0;
    s.PauseButton = 8;
    s.LeftDashButton = 6;
    s.RightDashButton = 7;
    s.AttackMode = 1;
    s.DashState = 0;
    return s;
}
