// The game controller: DirectInput set-up of the first usable controller and
// its per-frame poll. The instance is the latest controller state itself.
#pragma once
#include "platform/dinput/dinput.h"

class CDirectInput : public DIJOYSTATE2 {
public:
    static CDirectInput* GetInstance();
    static void DeleteInstance(CDirectInput* unused);
    // 1 when the controller is set up; 0 or E_FAIL when a step fails (see
    // DirectInputState for whether the controller is in use).
    static int InitDirectInput(HWND window);
    static void UninitDirectInput();
    // Polls the controller into this record; false leaves the record as it
    // was. Only when DirectInputState is true.
    bool GetInputDevice();

    static BOOL EnumJoysticksCallback(LPCDIDEVICEINSTANCEA device, LPVOID context);
    static BOOL EnumObjectsCallback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context);

    static CDirectInput* m_lpDirectInput;
    static LPDIRECTINPUT8A lpDirectInput;
    static LPDIRECTINPUTDEVICE8A lpJoyDevice;
    static BYTE DirectInputState;

private:
    CDirectInput() : DIJOYSTATE2{} {}
};
static_assert(sizeof(CDirectInput) == sizeof(DIJOYSTATE2));
