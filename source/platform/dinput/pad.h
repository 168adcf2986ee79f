// The player's game controller: whichever pad is attached, followed across
// unplugging and plugging in, read into a DIJOYSTATE2 record.
//
// A pad for which SDL has a mapping (its built-in database, the environment
// variable SDL_GAMECONTROLLERCONFIG, or "gamecontrollerdb.txt" in the results
// directory) is opened through SDL's game-controller API and reported in one
// fixed layout, the same on every common pad:
//     buttons  0 west face button (X / Square)    1 south (A / Cross)
//              2 east (B / Circle)                3 north (Y / Triangle)
//              4 left shoulder                    5 right shoulder
//              6 left trigger                     7 right trigger
//              8 Back / Select, and Start too     9 Start
//             10 left stick press                11 right stick press
//     axes     lX, lY left stick (up is the low end); the d-pad drives an
//              axis to its end while the stick rests on that axis
//              lRx, lRy right stick; lZ, lRz left and right trigger (rest is
//              the low end)
//     POV 0    the d-pad
// Face buttons are taken by position, not by label, so a pad whose labels
// differ still has its south button at index 1. A pad without a mapping is
// read raw: SDL's joystick axes, buttons and hats by their own numbers.
#pragma once
#include <vector>

#include "platform/dinput/dinput.h"

struct _SDL_Joystick;
struct _SDL_GameController;

namespace dinput {
constexpr int kPadAxes = 8;  // lX, lY, lZ, lRx, lRy, lRz, two sliders
constexpr int kPadHats = 4;
constexpr int kPadButtons = 128;
constexpr int kStandardPadButtons = 12;

struct AxisRange {
    LONG min = 0;
    LONG max = 65535;
};

// Stick readings within this distance of the centre count as resting (for
// the d-pad); a trigger counts as a pressed button beyond kTriggerPressed.
constexpr int kStickRest = 8000;
constexpr int kTriggerPressed = 8192;

class Pad {
public:
    // A pad that announces says in the log when a pad comes and goes, and
    // how many mappings the player's file held; the recorder's keeps quiet,
    // beside the game's own.
    explicit Pad(bool announce = true);
    ~Pad();
    Pad(const Pad&) = delete;
    Pad& operator=(const Pad&) = delete;

    // Keeps a pad open: drops one that was unplugged and opens the first
    // attached one when none is open. True while a pad is attached.
    bool Connect();
    bool Connected() const;
    // The pad is read in the standard layout above (SDL has a mapping).
    bool Standard() const { return m_controller != nullptr; }
    // Reads the open pad; a record of a resting pad when none is open.
    void Read(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const;

private:
    void Close();
    void ReadStandard(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const;
    void ReadRaw(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const;

    bool m_announce;
    bool m_subsystem = false;
    _SDL_GameController* m_controller = nullptr;
    _SDL_Joystick* m_joystick = nullptr;  // the controller's, or a raw one
    std::vector<int> m_refused;           // instances that failed to open
};

// Adds the mappings of "gamecontrollerdb.txt" in the results directory, when
// the player put one there; every Pad does this when it is made. Returns the
// number of mappings read (0 without the file, -1 for a file SDL refused).
int LoadPlayerMappings(bool announce);
}  // namespace dinput
