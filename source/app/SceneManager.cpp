#include "app/SceneManager.h"

#include "platform/automation.h"
#include "platform/win32/window.h"

CSceneManager* CSceneManager::m_Inst = nullptr;

namespace {
std::uint64_t g_frameLimit = 0;
std::uint64_t g_framesRun = 0;
}  // namespace

void CSceneManager::SetFrameLimit(std::uint64_t frames) {
    g_frameLimit = frames;
    g_framesRun = 0;
}

CSceneManager::CSceneManager(unsigned int kind, CScene* scene) {
    m_SceneMap[kind] = scene;
    m_lpCurrentScene = scene;
}

CSceneManager* CSceneManager::GetInst(unsigned int kind, CScene* scene) {
    if (!m_Inst) m_Inst = new CSceneManager(kind, scene);
    return m_Inst;
}

int CSceneManager::AddScene(unsigned int kind, CScene* scene) {
    if (m_SceneMap.count(kind)) {
        delete scene;
        return 0;
    }
    m_SceneMap[kind] = scene;
    return 1;
}

int CSceneManager::ChangeScene(unsigned int kind) {
    auto found = m_SceneMap.find(kind);
    if (found == m_SceneMap.end() || !found->second) {
        m_lpCurrentScene = nullptr;
        return 0;
    }
    m_lpCurrentScene = found->second;
    return 1;
}

int CSceneManager::MessageDispatch() {
    MSG message{};
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return 1;
    if (message.message == WM_QUIT) return -1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return 0;
}

void CSceneManager::EndFrame() {
    if (g_frameLimit && ++g_framesRun == g_frameLimit) PostQuitMessage(0);
}

int CSceneManager::SceneLoop(HWND window) {
    for (;;) {
        CScene* scene = m_lpCurrentScene;
        CScene::SetRetryScene(RETRY_CONTINUE);
        if (!scene->InitProc()) {
            scene->EndProc();
            ReleaseSceneCollection();
            return -1;
        }
        bool leave = false;
        while (!leave) {
            const int dispatched = MessageDispatch();
            if (dispatched == 0) continue;
            if (dispatched < 0) {
                scene->EndProc();
                ReleaseSceneCollection();
                return -1;
            }
            // Nobody sees a minimised or hidden window: the scene stands
            // still (mission, countdown, animation) and the loop sleeps until
            // a message comes, such as the one that restores the window.
            if (window && (IsIconic(window) || !IsWindowVisible(window))) {
                WaitMessage();
                continue;
            }
            automation::BeginSceneFrame();
            const int retry = scene->MainProc();
            EndFrame();
            switch (retry) {
            case RETRY_CHANGE: leave = true; break;
            case RETRY_QUIT:
                scene->EndProc();
                ReleaseSceneCollection();
                return -1;
            default: break;
            }
        }
        if (!scene->EndProc()) {
            ReleaseSceneCollection();
            return -1;
        }
        ChangeScene(CScene::GetNextScene());
        if (!m_lpCurrentScene) {
            ReleaseSceneCollection();
            return -1;
        }
    }
}

int CSceneManager::ReleaseSceneCollection() {
    for (auto& entry : m_SceneMap) {
        delete entry.second;
        entry.second = nullptr;
    }
    // The manager goes with its scenes; nothing of it may be touched after.
    CSceneManager* self = m_Inst;
    m_Inst = nullptr;
    delete self;
    return 1;
}
