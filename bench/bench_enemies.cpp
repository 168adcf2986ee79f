// The enemies of a mission: building the 200-area layout (about 3000
// skinned characters, each with its own animation controller) and one
// update and step of the manager with the camera among the areas.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "game/BillBoardManager.h"
#include "game/Dragoon.h"
#include "game/EnemyManager.h"
#include "game/FireBall.h"
#include "game/Flame.h"
#include "game/Recovery.h"
#include "lib/Camera.h"
#include "lib/DirectGraphics.h"
#include "lib/DirectSound.h"
#include "lib/texturemanager/TextureManager.h"
#include "platform/win32/window.h"

namespace {
LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A device, the data directory and the mission singletons the enemies use.
struct Mission {
    HWND window = nullptr;
    CCamera camera;
    D3DXMATRIXA16 projection;
    GAME_STATE state = GAME_STATE_PLAY;
    Mission() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.lpszClassName = "BenchEnemies";
        RegisterClassExA(&windowClass);
        window = CreateWindowExA(0, "BenchEnemies", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                 nullptr, nullptr);
        CDirectGraphics* graphics = CDirectGraphics::GetInstance();
        graphics->InitDirectGraphics(window, 800, 600, D3DFMT_X8R8G8B8, false);
        graphics->SetState();
        if (chdir(VORTWING_DATA_DIR) != 0) std::perror("data directory");
        CBillBoardManager::GetInstance()->Init(graphics->GetDevice(), &camera.m_World);
        CFlameGenerator::GetInstance()->FlameInit();
        CDragoon::GetInstance()->m_Status = StartingPlayerStatus();
        D3DXMatrixPerspectiveFovLH(&projection, 1.3962634f, 4.0f / 3.0f, 1.0f, 10000.0f);
        camera.SetTransform(nullptr);
    }
    ~Mission() {
        CDragoon::DeleteInstance(nullptr);
        CFlameGenerator::DeleteInstance();
        CFireBallGenerator::DeleteInstance();
        CBillBoardManager::UnLoad();
        if (CTextureManager::g_Inst) {
            CTextureManager::GetInst()->Release();
            CTextureManager::DeleteInst();
        }
        CDirectSound::DeleteInstance();
        CDirectGraphics::UninitDirectGraphics();
        DestroyWindow(window);
    }
};

void BM_BuildAndEndMission(benchmark::State& state) {
    Mission mission;
    CEnemyManager enemies;
    for (auto _ : state) {
        enemies.InitProc(&mission.camera, &mission.projection, &mission.state);
        enemies.EndProc();
    }
}
BENCHMARK(BM_BuildAndEndMission)->Unit(benchmark::kMillisecond);

// The camera turns slowly over the middle of the sea, so the engaged areas
// change as in play; every frame is an update, a billboard pass and a step.
void BM_MissionFrame(benchmark::State& state) {
    Mission mission;
    CEnemyManager enemies;
    enemies.InitProc(&mission.camera, &mission.projection, &mission.state);
    float angle = 0.0f;
    size_t engaged = 0, frames = 0;
    for (auto _ : state) {
        D3DXMatrixRotationY(&mission.camera.m_World, angle);
        mission.camera.m_World._42 = 3.0f;
        mission.camera.SetTransform(nullptr);
        angle += 0.01f;
        enemies.UpdateProc();
        CBillBoardManager::GetInstance()->UpdateProcess();
        enemies.RenderProc();
        engaged += enemies.m_HitoList.size() + enemies.m_CurryList.size();
        ++frames;
    }
    state.counters["engaged"] = static_cast<double>(engaged) / static_cast<double>(frames ? frames : 1);
    enemies.EndProc();
}
BENCHMARK(BM_MissionFrame)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
