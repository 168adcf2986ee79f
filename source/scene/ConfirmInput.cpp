#include "scene/ConfirmInput.h"

#include "lib/DirectInput.h"
#include "lib/InputPress.h"
#include "platform/win32/keyboard.h"

bool ConfirmInputHeld() {
    if (CDirectInput::DirectInputState) {
        CDirectInput* controller = CDirectInput::GetInstance();
        if (controller->GetInputDevice())
            for (int button = 0; button < 10; ++button)
                if (controller->rgbButtons[button] & INPUT_DOWN) return true;
    }
    return (GetAsyncKeyState(VK_RETURN) & 0x8000) != 0;
}
