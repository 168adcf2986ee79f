// The state of a running mission. The game scene owns the value; the dragon,
// the enemy manager and the HUD get its address and change it.
#pragma once
#include <cstdint>

enum GAME_STATE : int32_t {
    GAME_STATE_PLAY = 0,
    GAME_STATE_PAUSE = 1,
    GAME_STATE_CLEAR = 2,       // time ran out: the clear screen shows
    GAME_STATE_TO_RANKING = 3,  // clear screen confirmed
    GAME_STATE_TO_TITLE = 4,    // game-over screen finished
};
