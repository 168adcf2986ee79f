// A game pad for tests: one of SDL's virtual joysticks, plugged in for the
// object's life. A "mapped" pad gets an SDL mapping whose physical numbers
// are deliberately out of the standard order, so a test that reads the
// standard order proves the reordering.
#pragma once
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/window.h"

class VirtualPad {
public:
    // Physical buttons and axes of the pad, as SDL numbers them.
    enum Button {
        kWest = 0,
        kBack = 1,
        kStart = 2,
        kSouth = 3,
        kLeftShoulder = 4,
        kEast = 5,
        kRightShoulder = 6,
        kNorth = 7,
        kUp = 8,
        kDown = 9,
        kLeft = 10,
        kRight = 11,
        kLeftStick = 12,
        kRightStick = 13,
        kGuide = 14,
        kButtons = 15,
    };
    enum Axis { kLeftX = 0, kLeftY = 1, kRightX = 2, kRightY = 3, kLeftTrigger = 4, kRightTrigger = 5, kAxes = 6 };

    // The SDL mapping of a mapped pad, for its GUID.
    static std::string Mapping(const std::string& guid) {
        return guid +
               ",Test pad,x:b0,back:b1,start:b2,a:b3,leftshoulder:b4,b:b5,rightshoulder:b6,y:b7,dpup:b8,"
               "dpdown:b9,dpleft:b10,dpright:b11,leftstick:b12,rightstick:b13,guide:b14,leftx:a0,lefty:a1,"
               "rightx:a2,righty:a3,lefttrigger:a4,righttrigger:a5,";
    }

    // product tells pads apart: SDL keeps a mapping for a GUID until the
    // process ends.
    VirtualPad(bool mapped, Uint16 product) {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = kAxes;
        desc.nbuttons = kButtons;
        desc.vendor_id = 0x7654;
        desc.product_id = product;
        desc.name = mapped ? "Test pad" : "Test stick";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        if (mapped) {
            char guid[64];
            SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
            EXPECT_GE(SDL_GameControllerAddMapping(Mapping(guid).c_str()), 0) << SDL_GetError();
        }
        EXPECT_EQ(SDL_IsGameController(index) != 0, mapped);
        m_joystick = SDL_JoystickOpen(index);
        EXPECT_NE(m_joystick, nullptr) << SDL_GetError();
        m_id = SDL_JoystickInstanceID(m_joystick);
        // Triggers rest at the low end of a full-range axis.
        SetAxis(kLeftTrigger, -32768);
        SetAxis(kRightTrigger, -32768);
        Pump();
    }
    ~VirtualPad() {
        Unplug();
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    void Set(int button, bool down) {
        SDL_JoystickSetVirtualButton(m_joystick, button, down ? 1 : 0);
        Pump();
    }
    void SetAxis(int axis, Sint16 value) {
        SDL_JoystickSetVirtualAxis(m_joystick, axis, value);
        Pump();
    }
    void Unplug() {
        if (!m_joystick) return;
        SDL_JoystickClose(m_joystick);
        m_joystick = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == m_id) SDL_JoystickDetachVirtual(i);
        Pump();
    }

    // Takes every waiting message, as the scene loop does between frames;
    // SDL brings joysticks up to date while it does.
    static void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }

private:
    SDL_Joystick* m_joystick = nullptr;
    SDL_JoystickID m_id = -1;
};
