#include "platform/dinput/dinput.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/automation.h"

const DIDATAFORMAT c_dfDIJoystick2 = {24, 24, 0x1, sizeof(DIJOYSTATE2), 0, nullptr};
const GUID DIPROP_RANGE = {0x00000004, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const IID IID_IDirectInputDevice8A = {0x54D41080, 0xDC15, 0x4833, {0xA4, 0x1B, 0x74, 0x8F, 0x73, 0xA3, 0x81, 0x79}};

namespace dinput {
LONG ScaleAxis(int raw, LONG min, LONG max) {
    const double unit = (static_cast<double>(std::clamp(raw, -32768, 32767)) + 32768.0) / 65535.0;
    return static_cast<LONG>(std::lround(min + unit * (static_cast<double>(max) - min)));
}
}  // namespace dinput

namespace {
// Instance GUIDs carry the SDL joystick instance id; the scripted controller
// has its own marker.
constexpr std::uint8_t kSdlMarker = 1;
constexpr std::uint8_t kScriptMarker = 2;

GUID InstanceGuid(std::uint8_t marker, SDL_JoystickID id) {
    return {static_cast<std::uint32_t>(id), 0x4A53, 0x5654, {'V', 'T', 'J', 'O', 'Y', 'S', 0, marker}};
}

bool DecodeInstanceGuid(REFGUID guid, std::uint8_t* marker, SDL_JoystickID* id) {
    const GUID probe = InstanceGuid(guid.Data4[7], static_cast<SDL_JoystickID>(guid.Data1));
    if (!(probe == guid)) return false;
    *marker = guid.Data4[7];
    *id = static_cast<SDL_JoystickID>(guid.Data1);
    return true;
}

GUID ProductGuid(const SDL_JoystickGUID& sdl) {
    GUID guid{};
    std::memcpy(&guid, sdl.data, sizeof guid);
    return guid;
}

int DeviceIndexOfInstance(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}

constexpr int kMaxAxes = 8;
constexpr int kMaxHats = 4;
constexpr int kMaxButtons = 128;
const DWORD kAxisOffsets[kMaxAxes] = {0, 4, 8, 12, 16, 20, 24, 28};
constexpr DWORD kPovOffset = 32;
constexpr DWORD kButtonOffset = 48;

struct AxisRange {
    LONG min = 0;
    LONG max = 65535;
};

class JoystickDevice final : public IDirectInputDevice8A {
public:
    // sdlJoystick is null for the scripted controller.
    JoystickDevice(SDL_Joystick* sdlJoystick, bool scripted) : m_joystick(sdlJoystick), m_scripted(scripted) {
        SDL_InitSubSystem(SDL_INIT_JOYSTICK);
        if (m_joystick) {
            m_product = SDL_JoystickGetGUID(m_joystick);
            CountObjects();
        } else {
            m_axes = 2;
            m_buttons = automation::kScriptedPadButtons;
            m_hats = 0;
        }
    }

    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IDirectInputDevice8A) {
            AddRef();
            *out = static_cast<IDirectInputDevice8A*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
        if (!format || format->dwDataSize != sizeof(DIJOYSTATE2)) return DIERR_INVALIDPARAM;
        if (m_acquired) return DIERR_ACQUIRED;
        m_formatSet = true;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        const DWORD exclusivity = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if (exclusivity == 0 || exclusivity == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE)) return DIERR_INVALIDPARAM;
        if (focus == 0 || focus == (DISCL_FOREGROUND | DISCL_BACKGROUND)) return DIERR_INVALIDPARAM;
        return DI_OK;
    }

    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags) override {
        if (!callback) return DIERR_INVALIDPARAM;
        auto wanted = [flags](DWORD typeBits) { return flags == DIDFT_ALL || (flags & typeBits) != 0; };
        auto report = [&](DWORD type, DWORD offset, const char* name) {
            DIDEVICEOBJECTINSTANCEA object{};
            object.dwSize = sizeof object;
            object.dwOfs = offset;
            object.dwType = type;
            std::snprintf(object.tszName, sizeof object.tszName, "%s", name);
            return callback(&object, context) != DIENUM_STOP;
        };
        char name[32];
        if (wanted(DIDFT_AXIS))
            for (int a = 0; a < m_axes; ++a) {
                std::snprintf(name, sizeof name, "Axis %d", a);
                if (!report(DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(a), kAxisOffsets[a], name)) return DI_OK;
            }
        if (wanted(DIDFT_BUTTON))
            for (int b = 0; b < m_buttons; ++b) {
                std::snprintf(name, sizeof name, "Button %d", b);
                if (!report(DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(b), kButtonOffset + b, name)) return DI_OK;
            }
        if (wanted(DIDFT_POV))
            for (int h = 0; h < m_hats; ++h) {
                std::snprintf(name, sizeof name, "Hat %d", h);
                if (!report(DIDFT_POV | DIDFT_MAKEINSTANCE(h), kPovOffset + 4 * h, name)) return DI_OK;
            }
        return DI_OK;
    }

    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
        if (!header || !(property == DIPROP_RANGE)) return DIERR_INVALIDPARAM;
        if (header->dwSize != sizeof(DIPROPRANGE) || header->dwHeaderSize != sizeof(DIPROPHEADER))
            return DIERR_INVALIDPARAM;
        const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
        if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
        const AxisRange wanted{range->lMin, range->lMax};
        switch (header->dwHow) {
        case DIPH_DEVICE:
            for (int a = 0; a < m_axes; ++a) m_ranges[a] = wanted;
            return DI_OK;
        case DIPH_BYOFFSET:
            for (int a = 0; a < m_axes; ++a)
                if (kAxisOffsets[a] == header->dwObj) {
                    m_ranges[a] = wanted;
                    return DI_OK;
                }
            return DIERR_NOTFOUND;
        case DIPH_BYID: {
            const DWORD instance = DIDFT_GETINSTANCE(header->dwObj);
            if ((header->dwObj & DIDFT_AXIS) == 0 || instance >= static_cast<DWORD>(m_axes)) return DIERR_NOTFOUND;
            m_ranges[instance] = wanted;
            return DI_OK;
        }
        default: return DIERR_INVALIDPARAM;
        }
    }

    HRESULT Acquire() override {
        if (!m_formatSet) return DIERR_INVALIDPARAM;
        if (!m_scripted && !(m_joystick && SDL_JoystickGetAttached(m_joystick)) && !Reattach()) {
            m_acquired = false;
            return DIERR_UNPLUGGED;
        }
        if (m_acquired) return DI_NOEFFECT;
        m_acquired = true;
        return DI_OK;
    }

    HRESULT Unacquire() override {
        if (!m_acquired) return DI_NOEFFECT;
        m_acquired = false;
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (!data || size != sizeof(DIJOYSTATE2)) return DIERR_INVALIDPARAM;
        if (!m_acquired) return DIERR_NOTACQUIRED;
        if (!m_scripted && !SDL_JoystickGetAttached(m_joystick)) {
            m_acquired = false;
            return DIERR_INPUTLOST;
        }
        DIJOYSTATE2 state{};
        std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), 0xFFFFFFFFu);
        LONG* axisFields[kMaxAxes] = {&state.lX,  &state.lY,  &state.lZ,           &state.lRx,
                                      &state.lRy, &state.lRz, &state.rglSlider[0], &state.rglSlider[1]};
        for (int a = 0; a < m_axes; ++a) *axisFields[a] = ReadAxis(a);
        for (int b = 0; b < m_buttons; ++b) state.rgbButtons[b] = ReadButton(b) ? 0x80 : 0;
        for (int h = 0; h < m_hats; ++h) state.rgdwPOV[h] = ReadHat(h);
        std::memcpy(data, &state, sizeof state);
        return DI_OK;
    }

private:
    ~JoystickDevice() override {
        if (m_joystick) SDL_JoystickClose(m_joystick);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    void CountObjects() {
        m_axes = std::clamp(SDL_JoystickNumAxes(m_joystick), 0, kMaxAxes);
        m_buttons = std::clamp(SDL_JoystickNumButtons(m_joystick), 0, kMaxButtons);
        m_hats = std::clamp(SDL_JoystickNumHats(m_joystick), 0, kMaxHats);
    }

    // A controller that was unplugged comes back under a new SDL instance:
    // find it again by its product GUID.
    bool Reattach() {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(i);
            if (std::memcmp(guid.data, m_product.data, sizeof guid.data) != 0) continue;
            SDL_Joystick* joystick = SDL_JoystickOpen(i);
            if (!joystick) continue;
            if (m_joystick) SDL_JoystickClose(m_joystick);
            m_joystick = joystick;
            m_acquired = false;
            CountObjects();
            return true;
        }
        return false;
    }

    LONG ReadAxis(int axis) const {
        const AxisRange& range = m_ranges[axis];
        if (!m_scripted) return dinput::ScaleAxis(SDL_JoystickGetAxis(m_joystick, axis), range.min, range.max);
        const double unit = (automation::ScriptedPadAxis(axis) + 6) / 12.0;
        return static_cast<LONG>(std::lround(range.min + unit * (static_cast<double>(range.max) - range.min)));
    }

    bool ReadButton(int button) const {
        return m_scripted ? automation::ScriptedPadButtonDown(button) : SDL_JoystickGetButton(m_joystick, button) != 0;
    }

    // Hundredths of degrees clockwise from north; centred is 0xFFFFFFFF.
    DWORD ReadHat(int hat) const {
        switch (SDL_JoystickGetHat(m_joystick, hat)) {
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

    SDL_Joystick* m_joystick;
    bool m_scripted;
    SDL_JoystickGUID m_product{};
    int m_axes = 0;
    int m_buttons = 0;
    int m_hats = 0;
    AxisRange m_ranges[kMaxAxes];
    bool m_formatSet = false;
    bool m_acquired = false;
};

class DirectInput final : public IDirectInput8A {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IDirectInput8A) {
            AddRef();
            *out = static_cast<IDirectInput8A*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT EnumDevices(DWORD deviceClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD) override {
        if (!callback) return DIERR_INVALIDPARAM;
        if (deviceClass != DI8DEVCLASS_GAMECTRL && deviceClass != DI8DEVCLASS_ALL) return DI_OK;
        // Only attached controllers exist here, with or without the flag.
        if (automation::InputScriptActive()) {
            if (!automation::InputScriptHasController()) return DI_OK;
            DIDEVICEINSTANCEA device =
                Describe(InstanceGuid(kScriptMarker, 0), GUID{}, DI8DEVTYPE_GAMEPAD, "Scripted controller");
            callback(&device, context);
            return DI_OK;
        }
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            const char* name = SDL_JoystickNameForIndex(i);
            DIDEVICEINSTANCEA device = Describe(
                InstanceGuid(kSdlMarker, SDL_JoystickGetDeviceInstanceID(i)), ProductGuid(SDL_JoystickGetDeviceGUID(i)),
                SDL_IsGameController(i) ? DI8DEVTYPE_GAMEPAD : DI8DEVTYPE_JOYSTICK, name ? name : "Controller");
            if (callback(&device, context) == DIENUM_STOP) break;
        }
        return DI_OK;
    }

    HRESULT CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        std::uint8_t marker = 0;
        SDL_JoystickID id = -1;
        if (!DecodeInstanceGuid(instance, &marker, &id)) return DIERR_DEVICENOTREG;
        if (marker == kScriptMarker) {
            if (!automation::InputScriptHasController()) return DIERR_DEVICENOTREG;
            *device = new JoystickDevice(nullptr, true);
            return DI_OK;
        }
        const int index = DeviceIndexOfInstance(id);
        SDL_Joystick* joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
        if (!joystick) return DIERR_DEVICENOTREG;
        *device = new JoystickDevice(joystick, false);
        return DI_OK;
    }

    DirectInput() { m_sdlReady = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0; }
    bool Ready() const { return m_sdlReady; }

private:
    ~DirectInput() override {
        if (m_sdlReady) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    static DIDEVICEINSTANCEA Describe(const GUID& instance, const GUID& product, DWORD type, const char* name) {
        DIDEVICEINSTANCEA device{};
        device.dwSize = sizeof device;
        device.guidInstance = instance;
        device.guidProduct = product;
        device.dwDevType = type;
        std::snprintf(device.tszInstanceName, sizeof device.tszInstanceName, "%s", name);
        std::snprintf(device.tszProductName, sizeof device.tszProductName, "%s", name);
        device.wUsagePage = 0x01;
        device.wUsage = type == DI8DEVTYPE_GAMEPAD ? 0x05 : 0x04;
        return device;
    }

    bool m_sdlReady = false;
};
}  // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID interfaceId, LPVOID* out, LPUNKNOWN) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version != DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (!(interfaceId == IID_IDirectInput8A)) return DIERR_NOINTERFACE;
    auto* directInput = new DirectInput;
    if (!directInput->Ready()) {
        directInput->Release();
        return DIERR_GENERIC;
    }
    *out = static_cast<IDirectInput8A*>(directInput);
    return DI_OK;
}
