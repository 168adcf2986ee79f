#include "app/GameMain.h"

#include "app/SceneManager.h"
#include "lib/DirectAudio.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectInput.h"
#include "lib/DirectSound.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/win32/messagebox.h"
#include "platform/win32/process.h"
#include "platform/win32/window.h"
#include "scene/Game_Scene.h"
#include "scene/Ranking.h"
#include "scene/Title_Scene.h"

bool GameMain::InitProc(HWND window, int width, int height, bool fullScreen) {
    CoInitialize(nullptr);

    m_lpGraphics = CDirectGraphics::GetInstance();
    // Without a device there is nothing to draw with: the device reported
    // its own failure, and the scenes are not brought up.
    if (!m_lpGraphics->InitDirectGraphics(window, width, height, D3DFMT_X8R8G8B8, fullScreen)) return false;
    m_lpGraphics->SetState();

    m_lpAudio = CDirectAudio::GetInstance();
    m_lpSound = CDirectSound::GetInstance();
    m_lpSound->DirectSoundInit(window);
    m_lpInput = CDirectInput::GetInstance();
    CDirectInput::InitDirectInput(window);
    m_lpAudio->DirectAudioInit(window);
    m_MeshManager.GetInstance()->Init();

    m_lpSceneManager = CSceneManager::GetInst(SCENE_TITLE, new CTitle_Scene);
    m_lpSceneManager->AddScene(SCENE_GAME, new CScene_Game);
    m_lpSceneManager->AddScene(SCENE_RANKING, new CRanking);
    return true;
}

int GameMain::MainLoop(HWND window) { return m_lpSceneManager ? m_lpSceneManager->SceneLoop(window) : -1; }

void GameMain::EndProc() {
    // Scenes that never ran are still registered after a failed start.
    if (CSceneManager::m_Inst) CSceneManager::m_Inst->ReleaseSceneCollection();
    m_lpSceneManager = nullptr;
    if (m_lpAudio) {
        CStaticMeshManager* meshes = m_MeshManager.GetInstance();
        meshes->Release();
        meshes->UnInit();
        m_MeshManager.DeleteInstance();
    }
    if (m_lpSound) {
        m_lpSound->FreeBuffer();
        m_lpSound->DirectSoundRelease();
    }
    if (m_lpInput) {
        CDirectInput::UninitDirectInput();
        CDirectInput::DeleteInstance(m_lpInput);
    }
    if (m_lpAudio) {
        m_lpAudio->ReleaseAllSegment();
        m_lpAudio->DirectAudioUnInit();
        CDirectAudio::DeleteInstance();
    }
    m_lpSound = nullptr;
    m_lpInput = nullptr;
    m_lpAudio = nullptr;
    // A window closed in the middle of a scene leaves its textures cached.
    if (CTextureManager::g_Inst) {
        CTextureManager::g_Inst->Release();
        CTextureManager::DeleteInst();
    }
    CoUninitialize();
    CDirectGraphics::UninitDirectGraphics();
    m_lpGraphics = nullptr;
}

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, "icon1.ico");
    windowClass.hIconSm = LoadIconA(nullptr, "icon1.ico");
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = "Vortwing";
    if (!RegisterClassExA(&windowClass)) return 0;

    HWND window = CreateWindowExA(0, "Vortwing", "Vortwing2 ～ Drakmora ～ ", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                  nullptr, nullptr, instance, nullptr);

    int result = 0;
    {
        GameMain game;
        if (!game.InitProc(window, 800, 600, false)) {
            MessageBoxA(nullptr, "初期化失敗", "ERROR", MB_OK);
            // A start that failed is not reported as a success.
            result = 1;
        } else {
            ShowWindow(window, showCommand);
            UpdateWindow(window);
            game.MainLoop(window);
        }
        game.EndProc();
    }
    UnregisterClassA("Vortwing", instance);
    return result;
}
