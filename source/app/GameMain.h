// The process's owner of the device singletons and the scenes: brings them up
// in a fixed order, runs the scene loop, and tears them down again.
#pragma once
#include "lib/StaticMeshManager.h"
#include "lib/basalt/Singleton.h"
#include "platform/win32/wintypes.h"

class CDirectAudio;
class CDirectGraphics;
class CDirectInput;
class CDirectSound;
class CSceneManager;

class GameMain {
public:
    bool InitProc(HWND window, int width, int height, bool fullScreen);
    int MainLoop(HWND window);
    void EndProc();

private:
    CDirectGraphics* m_lpGraphics = nullptr;
    CSceneManager* m_lpSceneManager = nullptr;
    CDirectAudio* m_lpAudio = nullptr;
    CDirectSound* m_lpSound = nullptr;
    CDirectInput* m_lpInput = nullptr;
    Basalt::Singleton::CSingleton<CStaticMeshManager> m_MeshManager;
};

// The process entry and the window procedure.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
