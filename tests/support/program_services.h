// The services the program brings up before its scenes (sound effects,
// input, music, the mesh cache) and takes down after them, for tests and
// benchmarks that run whole scenes.
#pragma once
#include "lib/DirectAudio.h"
#include "lib/DirectInput.h"
#include "lib/DirectSound.h"
#include "lib/StaticMeshManager.h"
#include "platform/automation.h"

class ProgramServices {
public:
    explicit ProgramServices(HWND window) {
        CDirectSound::GetInstance()->DirectSoundInit(window);
        CDirectInput::GetInstance();
        CDirectInput::InitDirectInput(window);
        CDirectAudio::GetInstance()->DirectAudioInit(window);
        Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance()->Init();
        automation::ResetSceneFrames();
    }
    ~ProgramServices() {
        automation::UnloadInputScript();
        CStaticMeshManager* meshes = Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance();
        meshes->Release();
        meshes->UnInit();
        Basalt::Singleton::CSingleton<CStaticMeshManager>::DeleteInstance();
        CDirectAudio::GetInstance()->DirectAudioUnInit();
        CDirectAudio::DeleteInstance();
        CDirectInput::UninitDirectInput();
        CDirectInput::DeleteInstance(nullptr);
        // As the program ends: the game scene leaves its sounds cached.
        CDirectSound::GetInstance()->FreeBuffer();
        CDirectSound::GetInstance()->DirectSoundRelease();
    }
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;
};
