// Keeps every scene by kind and runs the scene loop, which is the program's
// main loop: one window message per pass, one scene frame on a pass that
// found the queue empty, and no frame while the window given to SceneLoop
// is minimised or hidden (the loop waits for messages instead).
#pragma once
#include <cstdint>
#include <map>

#include "platform/win32/wintypes.h"
#include "scene/Scene.h"

class CSceneManager {
public:
    static CSceneManager* GetInst(unsigned int kind, CScene* scene);
    static CSceneManager* m_Inst;

    int AddScene(unsigned int kind, CScene* scene);
    int ChangeScene(unsigned int kind);
    int SceneLoop(HWND window);
    int MessageDispatch();
    int ReleaseSceneCollection();

    // Automation: after this many scene frames (0: never) the loop is asked
    // to quit as if the window had been closed.
    static void SetFrameLimit(std::uint64_t frames);

    virtual ~CSceneManager() = default;

private:
    CSceneManager(unsigned int kind, CScene* scene);
    void EndFrame();

    CScene* m_lpCurrentScene = nullptr;
    std::map<unsigned int, CScene*> m_SceneMap;
};
