#include "lib/DirectInput.h"

#include "platform/win32/messagebox.h"
#include "platform/win32/module.h"

CDirectInput* CDirectInput::m_lpDirectInput = nullptr;
LPDIRECTINPUT8A CDirectInput::lpDirectInput = nullptr;
LPDIRECTINPUTDEVICE8A CDirectInput::lpJoyDevice = nullptr;
BYTE CDirectInput::DirectInputState = 0;

CDirectInput* CDirectInput::GetInstance() {
    if (!m_lpDirectInput) m_lpDirectInput = new CDirectInput;
    return m_lpDirectInput;
}

void CDirectInput::DeleteInstance(CDirectInput*) {
    delete m_lpDirectInput;
    m_lpDirectInput = nullptr;
}

int CDirectInput::InitDirectInput(HWND window) {
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<LPVOID*>(&lpDirectInput), nullptr)))
        return 0;
    if (FAILED(lpDirectInput->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoysticksCallback, nullptr, DIEDFL_ATTACHEDONLY)))
        return 0;
    if (!lpJoyDevice) return 0;
    if (FAILED(lpJoyDevice->SetDataFormat(&c_dfDIJoystick2))) return 0;
    if (FAILED(lpJoyDevice->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND))) return E_FAIL;
    if (FAILED(lpJoyDevice->EnumObjects(EnumObjectsCallback, nullptr, DIDFT_ALL))) return E_FAIL;
    lpJoyDevice->Acquire();
    DirectInputState = 1;
    return 1;
}

void CDirectInput::UninitDirectInput() {
    if (lpJoyDevice) {
        lpJoyDevice->Unacquire();
        lpJoyDevice->Release();
        lpJoyDevice = nullptr;
    }
    if (lpDirectInput) {
        lpDirectInput->Release();
        lpDirectInput = nullptr;
    }
}

bool CDirectInput::GetInputDevice() {
    if (!lpJoyDevice) return false;
    const HRESULT acquired = lpJoyDevice->Acquire();
    if (acquired != DI_OK && acquired != DI_NOEFFECT) return false;
    lpJoyDevice->GetDeviceState(sizeof(DIJOYSTATE2), static_cast<DIJOYSTATE2*>(this));
    return true;
}

BOOL CDirectInput::EnumJoysticksCallback(LPCDIDEVICEINSTANCEA device, LPVOID) {
    if (SUCCEEDED(lpDirectInput->CreateDevice(device->guidInstance, &lpJoyDevice, nullptr))) return DIENUM_STOP;
    MessageBoxA(nullptr, "DirectInputデバイスの作成に失敗しました", "ERROR", MB_OK);
    DirectInputState = 0;
    return DIENUM_CONTINUE;
}

BOOL CDirectInput::EnumObjectsCallback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID) {
    if (!(object->dwType & DIDFT_AXIS)) return DIENUM_CONTINUE;
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = -6;
    range.lMax = +6;
    if (FAILED(lpJoyDevice->SetProperty(DIPROP_RANGE, &range.diph))) return DIENUM_STOP;
    return DIENUM_CONTINUE;
}
