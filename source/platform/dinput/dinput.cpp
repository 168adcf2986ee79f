#include "platform/dinput/dinput.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/automation.h"
#include "platform/dinput/pad.h"

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
// Instance GUIDs name the kind of device: the player's pad, which follows
// whichever pad is attached, or the scripted controller.
constexpr std::uint8_t kPadMarker = 1;
constexpr std::uint8_t kScriptMarker = 2;

GUID InstanceGuid(std::uint8_t marker) { return {0, 0x4A53, 0x5654, {'V', 'T', 'J', 'O', 'Y', 'S', 0, marker}}; }

bool DecodeInstanceGuid(REFGUID guid, std::uint8_t* marker) {
    if (!(InstanceGuid(guid.Data4[7]) == guid)) return false;
    *marker = guid.Data4[7];
    return *marker == kPadMarker || *marker == kScriptMarker;
}

using dinput::AxisRange;
using dinput::kPadAxes;
using dinput::kPadButtons;
using dinput::kPadHats;

const DWORD kAxisOffsets[kPadAxes] = {0, 4, 8, 12, 16, 20, 24, 28};
constexpr DWORD kPovOffset = 32;
constexpr DWORD kButtonOffset = 48;

// One device for the player's controller. Its objects are the whole record
// (eight axes, four hats, 128 buttons) whatever is plugged in, so ranges set
// at start-up hold for a pad that arrives later.
class JoystickDevice final : public IDirectInputDevice8A {
public:
    explicit JoystickDevice(bool scripted) : m_scripted(scripted) {
        if (!m_scripted) m_pad = std::make_unique<dinput::Pad>();
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
        const int axes = m_scripted ? 2 : kPadAxes;
        const int buttons = m_scripted ? automation::kScriptedPadButtons : kPadButtons;
        const int hats = m_scripted ? 0 : kPadHats;
        char name[32];
        if (wanted(DIDFT_AXIS))
            for (int a = 0; a < axes; ++a) {
                std::snprintf(name, sizeof name, "Axis %d", a);
                if (!report(DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(a), kAxisOffsets[a], name)) return DI_OK;
            }
        if (wanted(DIDFT_BUTTON))
            for (int b = 0; b < buttons; ++b) {
                std::snprintf(name, sizeof name, "Button %d", b);
                if (!report(DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(b), kButtonOffset + b, name)) return DI_OK;
            }
        if (wanted(DIDFT_POV))
            for (int h = 0; h < hats; ++h) {
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
        const int axes = m_scripted ? 2 : kPadAxes;
        switch (header->dwHow) {
        case DIPH_DEVICE:
            for (int a = 0; a < axes; ++a) m_ranges[a] = wanted;
            return DI_OK;
        case DIPH_BYOFFSET:
            for (int a = 0; a < axes; ++a)
                if (kAxisOffsets[a] == header->dwObj) {
                    m_ranges[a] = wanted;
                    return DI_OK;
                }
            return DIERR_NOTFOUND;
        case DIPH_BYID: {
            const DWORD instance = DIDFT_GETINSTANCE(header->dwObj);
            if ((header->dwObj & DIDFT_AXIS) == 0 || instance >= static_cast<DWORD>(axes)) return DIERR_NOTFOUND;
            m_ranges[instance] = wanted;
            return DI_OK;
        }
        default: return DIERR_INVALIDPARAM;
        }
    }

    HRESULT Acquire() override {
        if (!m_formatSet) return DIERR_INVALIDPARAM;
        if (!Attached()) {
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
        if (!m_scripted && !m_pad->Connected()) {
            m_acquired = false;
            return DIERR_INPUTLOST;
        }
        DIJOYSTATE2 state{};
        if (m_scripted)
            ReadScript(&state);
        else
            m_pad->Read(&state, m_ranges);
        std::memcpy(data, &state, sizeof state);
        return DI_OK;
    }

private:
    ~JoystickDevice() override = default;

    // A pad unplugged, or a different one plugged in, is a new acquisition.
    bool Attached() {
        if (m_scripted) return automation::ScriptedPadConnected();
        const bool wasConnected = m_pad->Connected();
        if (!m_pad->Connect()) return false;
        if (!wasConnected) m_acquired = false;
        return true;
    }

    void ReadScript(DIJOYSTATE2* state) const {
        std::fill(std::begin(state->rgdwPOV), std::end(state->rgdwPOV), 0xFFFFFFFFu);
        for (int a = 0; a < 2; ++a) {
            const double unit = (automation::ScriptedPadAxis(a) + 6) / 12.0;
            const LONG value = static_cast<LONG>(
                std::lround(m_ranges[a].min + unit * (static_cast<double>(m_ranges[a].max) - m_ranges[a].min)));
            (a == 0 ? state->lX : state->lY) = value;
        }
        for (int b = 0; b < automation::kScriptedPadButtons; ++b)
            state->rgbButtons[b] = automation::ScriptedPadButtonDown(b) ? 0x80 : 0;
    }

    bool m_scripted;
    std::unique_ptr<dinput::Pad> m_pad;
    AxisRange m_ranges[kPadAxes];
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
        // One controller is enumerated, with or without the attached-only flag.
        if (automation::InputScriptActive()) {
            if (!automation::InputScriptHasController()) return DI_OK;
            DIDEVICEINSTANCEA device =
                Describe(InstanceGuid(kScriptMarker), GUID{}, DI8DEVTYPE_GAMEPAD, "Scripted controller");
            callback(&device, context);
            return DI_OK;
        }
        // The player's pad stands for whichever pad is plugged in, now or
        // later, so it is there even while none is.
        DIDEVICEINSTANCEA device = Describe(InstanceGuid(kPadMarker), GUID{}, DI8DEVTYPE_GAMEPAD, "Game controller");
        callback(&device, context);
        return DI_OK;
    }

    HRESULT CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        std::uint8_t marker = 0;
        if (!DecodeInstanceGuid(instance, &marker)) return DIERR_DEVICENOTREG;
        if (marker == kScriptMarker && !automation::InputScriptHasController()) return DIERR_DEVICENOTREG;
        *device = new JoystickDevice(marker == kScriptMarker);
        return DI_OK;
    }

    DirectInput() { m_sdlReady = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0; }
    bool Ready() const { return m_sdlReady; }

private:
    ~DirectInput() override {
        if (m_sdlReady) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
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
