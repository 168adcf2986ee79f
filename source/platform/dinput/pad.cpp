#include "platform/dinput/pad.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/fs/user_dirs.h"
#include "platform/log/log.h"

namespace dinput {
namespace {
// The standard layout's buttons, by index in the record.
const SDL_GameControllerButton kStandardButtons[kStandardPadButtons] = {
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_INVALID,  // left trigger, an axis in SDL
    SDL_CONTROLLER_BUTTON_INVALID,  // right trigger
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
};
constexpr int kLeftTriggerButton = 6;
constexpr int kRightTriggerButton = 7;
constexpr int kBackButton = 8;
constexpr int kStartButton = 9;

LONG* AxisField(DIJOYSTATE2* state, int axis) {
    LONG* fields[kPadAxes] = {&state->lX,  &state->lY,  &state->lZ,           &state->lRx,
                              &state->lRy, &state->lRz, &state->rglSlider[0], &state->rglSlider[1]};
    return fields[axis];
}

// Hundredths of degrees clockwise from north; centred is 0xFFFFFFFF.
DWORD PovFromHat(Uint8 hat) {
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFFu;
    }
}

// A record with every axis centred, no button down and every hat centred.
void RestingRecord(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) {
    *state = DIJOYSTATE2{};
    std::fill(std::begin(state->rgdwPOV), std::end(state->rgdwPOV), 0xFFFFFFFFu);
    for (int a = 0; a < kPadAxes; ++a) *AxisField(state, a) = ScaleAxis(0, ranges[a].min, ranges[a].max);
}

const char* NameOr(const char* name) { return name && *name ? name : "unnamed controller"; }
}  // namespace

int LoadPlayerMappings(bool announce) {
    const std::string path = fs::ResultsDirectory() + "/gamecontrollerdb.txt";
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) return 0;
    const int added = SDL_GameControllerAddMappingsFromFile(path.c_str());
    if (added < 0)
        vlog::Warn(vlog::Category::Input, "cannot read controller mappings from '%s': %s", path.c_str(),
                   vlog::SdlError().c_str());
    else if (announce)
        vlog::Info(vlog::Category::Input, "%d controller mappings read from '%s'", added, path.c_str());
    return added;
}

Pad::Pad(bool announce) : m_announce(announce) {
    // Face buttons by position (SDL would swap them on pads labelled the
    // Nintendo way), and the pad is read while another window has the focus,
    // as the game's background cooperative level asks.
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    m_subsystem = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!m_subsystem) {
        vlog::Warn(vlog::Category::Input, "no game controllers: %s", vlog::SdlError().c_str());
        return;
    }
    LoadPlayerMappings(m_announce);
}

Pad::~Pad() {
    Close();
    if (m_subsystem) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Pad::Close() {
    if (m_controller)
        SDL_GameControllerClose(m_controller);
    else if (m_joystick)
        SDL_JoystickClose(m_joystick);
    m_controller = nullptr;
    m_joystick = nullptr;
}

bool Pad::Connected() const { return m_joystick && SDL_JoystickGetAttached(m_joystick); }

bool Pad::Connect() {
    if (!m_subsystem) return false;
    if (Connected()) return true;
    if (m_joystick) {
        if (m_announce)
            vlog::Info(vlog::Category::Input, "controller '%s' disconnected", NameOr(SDL_JoystickName(m_joystick)));
        Close();
    }
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        // A pad that could not be opened is not tried again until it is
        // plugged in anew (and so gets a new instance).
        const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(index);
        if (std::find(m_refused.begin(), m_refused.end(), instance) != m_refused.end()) continue;
        if (SDL_IsGameController(index)) {
            m_controller = SDL_GameControllerOpen(index);
            m_joystick = m_controller ? SDL_GameControllerGetJoystick(m_controller) : nullptr;
            if (!m_joystick && m_controller) Close();
        } else {
            m_joystick = SDL_JoystickOpen(index);
        }
        if (!m_joystick) {
            m_refused.push_back(instance);
            vlog::Warn(vlog::Category::Input, "cannot open controller '%s': %s",
                       NameOr(SDL_JoystickNameForIndex(index)), vlog::SdlError().c_str());
            continue;
        }
        if (!m_announce) return true;
        if (m_controller)
            vlog::Info(vlog::Category::Input, "controller '%s' connected, read in the standard layout",
                       NameOr(SDL_JoystickName(m_joystick)));
        else
            vlog::Info(vlog::Category::Input,
                       "controller '%s' connected without a mapping: its buttons keep their own numbers "
                       "(a line for it in gamecontrollerdb.txt gives it the standard layout)",
                       NameOr(SDL_JoystickName(m_joystick)));
        return true;
    }
    return false;
}

void Pad::Read(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const {
    RestingRecord(state, ranges);
    if (!Connected()) return;
    if (m_controller)
        ReadStandard(state, ranges);
    else
        ReadRaw(state, ranges);
}

void Pad::ReadStandard(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const {
    auto axis = [this](SDL_GameControllerAxis which) { return SDL_GameControllerGetAxis(m_controller, which); };
    auto button = [this](SDL_GameControllerButton which) {
        return SDL_GameControllerGetButton(m_controller, which) != 0;
    };
    for (int b = 0; b < kStandardPadButtons; ++b)
        if (kStandardButtons[b] != SDL_CONTROLLER_BUTTON_INVALID && button(kStandardButtons[b]))
            state->rgbButtons[b] = 0x80;
    const int leftTrigger = axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    const int rightTrigger = axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    if (leftTrigger > kTriggerPressed) state->rgbButtons[kLeftTriggerButton] = 0x80;
    if (rightTrigger > kTriggerPressed) state->rgbButtons[kRightTriggerButton] = 0x80;
    // Start pauses as well as Back: the game's pause button is 8.
    if (state->rgbButtons[kStartButton]) state->rgbButtons[kBackButton] = 0x80;

    const bool up = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
    const bool down = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    const bool left = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    const bool right = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    // The d-pad steers like the stick pushed to its end, on an axis where
    // the stick rests.
    auto stickOrPad = [](int stick, bool low, bool high) {
        if (std::abs(stick) > kStickRest || low == high) return stick;
        return low ? -32768 : 32767;
    };
    const int x = stickOrPad(axis(SDL_CONTROLLER_AXIS_LEFTX), left, right);
    const int y = stickOrPad(axis(SDL_CONTROLLER_AXIS_LEFTY), up, down);
    // Triggers read 0 ... 32767; at rest they sit at the range's low end.
    const int raw[kPadAxes] = {x,
                               y,
                               leftTrigger * 2 - 32768,
                               axis(SDL_CONTROLLER_AXIS_RIGHTX),
                               axis(SDL_CONTROLLER_AXIS_RIGHTY),
                               rightTrigger * 2 - 32768,
                               0,
                               0};
    for (int a = 0; a < kPadAxes; ++a) *AxisField(state, a) = ScaleAxis(raw[a], ranges[a].min, ranges[a].max);

    Uint8 hat = SDL_HAT_CENTERED;
    if (up && !down) hat |= SDL_HAT_UP;
    if (down && !up) hat |= SDL_HAT_DOWN;
    if (left && !right) hat |= SDL_HAT_LEFT;
    if (right && !left) hat |= SDL_HAT_RIGHT;
    state->rgdwPOV[0] = PovFromHat(hat);
}

void Pad::ReadRaw(DIJOYSTATE2* state, const AxisRange ranges[kPadAxes]) const {
    const int axes = std::clamp(SDL_JoystickNumAxes(m_joystick), 0, kPadAxes);
    const int buttons = std::clamp(SDL_JoystickNumButtons(m_joystick), 0, kPadButtons);
    const int hats = std::clamp(SDL_JoystickNumHats(m_joystick), 0, kPadHats);
    for (int a = 0; a < axes; ++a)
        *AxisField(state, a) = ScaleAxis(SDL_JoystickGetAxis(m_joystick, a), ranges[a].min, ranges[a].max);
    for (int b = 0; b < buttons; ++b) state->rgbButtons[b] = SDL_JoystickGetButton(m_joystick, b) ? 0x80 : 0;
    for (int h = 0; h < hats; ++h) state->rgdwPOV[h] = PovFromHat(SDL_JoystickGetHat(m_joystick, h));
}
}  // namespace dinput
