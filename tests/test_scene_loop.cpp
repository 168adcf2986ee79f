#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SceneManager.h"
#include "platform/win32/window.h"

namespace {
std::vector<std::string> g_log;

// A scene that logs its life and plays back a scripted list of MainProc
// results; after the list it keeps returning the last one.
class ScriptedScene : public CScene {
public:
    ScriptedScene(std::string name, std::vector<int> results, SCENE_KIND next = SCENE_NONE, int initResult = 1,
                  int endResult = 1)
        : m_name(std::move(name)),
          m_results(std::move(results)),
          m_next(next),
          m_initResult(initResult),
          m_endResult(endResult) {}
    ~ScriptedScene() override { g_log.push_back(m_name + ".delete"); }

    int InitProc() override {
        g_log.push_back(m_name + ".init");
        m_frame = 0;
        return m_initResult;
    }
    int MainProc() override {
        UpdateProc();
        RenderProc();
        const int result = m_results[std::min(m_frame, m_results.size() - 1)];
        ++m_frame;
        if (result == RETRY_CHANGE) {
            m_NextScene = m_next;
            m_RetryScene = RETRY_CHANGE;
        }
        if (m_quitAfter && m_frame == m_quitAfter) PostQuitMessage(0);
        return result;
    }
    int UpdateProc() override { return 1; }
    int RenderProc() override {
        g_log.push_back(m_name + ".frame");
        return 1;
    }
    int EndProc() override {
        g_log.push_back(m_name + ".end");
        return m_endResult;
    }

    size_t m_quitAfter = 0;

private:
    std::string m_name;
    std::vector<int> m_results;
    SCENE_KIND m_next;
    int m_initResult, m_endResult;
    size_t m_frame = 0;
};

class SceneLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        // Drain anything an earlier case left in the queue.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }
    void TearDown() override {
        if (CSceneManager::m_Inst) CSceneManager::m_Inst->ReleaseSceneCollection();
    }
    static int Run(CSceneManager* manager) { return manager->SceneLoop(nullptr); }
};

using Log = std::vector<std::string>;
}  // namespace

TEST_F(SceneLoopTest, ChangeToNoSceneOrUnregisteredKindEndsAfterThatScenesEnd) {
    for (SCENE_KIND target : {SCENE_NONE, SCENE_RANKING}) {
        g_log.clear();
        auto* manager =
            CSceneManager::GetInst(SCENE_TITLE, new ScriptedScene("title", {RETRY_CONTINUE, RETRY_CHANGE}, target));
        manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE}));
        EXPECT_EQ(Run(manager), -1);
        EXPECT_EQ(g_log, (Log{"title.init", "title.frame", "title.frame", "title.end", "title.delete", "game.delete"}))
            << "target " << target;
        EXPECT_EQ(CSceneManager::m_Inst, nullptr);
    }
}

TEST_F(SceneLoopTest, UnknownResultsContinueAndChangeEntersTheNamedScene) {
    auto* manager = CSceneManager::GetInst(SCENE_TITLE, new ScriptedScene("title", {7, -3, RETRY_CHANGE}, SCENE_GAME));
    manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE, RETRY_QUIT}));
    EXPECT_EQ(Run(manager), -1);
    EXPECT_EQ(g_log, (Log{"title.init", "title.frame", "title.frame", "title.frame", "title.end", "game.init",
                          "game.frame", "game.frame", "game.end", "title.delete", "game.delete"}));
}

TEST_F(SceneLoopTest, QuitMessageEndsTheCurrentSceneOnceAndNoOther) {
    auto* title = new ScriptedScene("title", {RETRY_CONTINUE, RETRY_CHANGE}, SCENE_GAME);
    auto* game = new ScriptedScene("game", {RETRY_CONTINUE});
    game->m_quitAfter = 3;
    auto* manager = CSceneManager::GetInst(SCENE_TITLE, title);
    manager->AddScene(SCENE_GAME, game);
    manager->AddScene(SCENE_RANKING, new ScriptedScene("ranking", {RETRY_CONTINUE}));
    EXPECT_EQ(Run(manager), -1);
    EXPECT_EQ(g_log, (Log{"title.init", "title.frame", "title.frame", "title.end", "game.init", "game.frame",
                          "game.frame", "game.frame", "game.end", "title.delete", "game.delete", "ranking.delete"}));
}

TEST_F(SceneLoopTest, MessagesComeBeforeFrames) {
    auto* title = new ScriptedScene("title", {RETRY_CONTINUE});
    title->m_quitAfter = 1;
    auto* manager = CSceneManager::GetInst(SCENE_TITLE, title);
    // Three ordinary messages are handled one per pass before the first frame.
    for (int i = 0; i < 3; ++i) PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(manager->MessageDispatch(), 0);
    EXPECT_EQ(manager->MessageDispatch(), 0);
    EXPECT_EQ(manager->MessageDispatch(), 0);
    EXPECT_EQ(manager->MessageDispatch(), 1);
    PostQuitMessage(0);
    EXPECT_EQ(manager->MessageDispatch(), -1);
    EXPECT_EQ(manager->MessageDispatch(), 1);
}

TEST_F(SceneLoopTest, FailingInitOrEndStopsInOrder) {
    {
        auto* manager =
            CSceneManager::GetInst(SCENE_TITLE, new ScriptedScene("title", {RETRY_CONTINUE}, SCENE_NONE, 0));
        manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE}));
        EXPECT_EQ(Run(manager), -1);
        EXPECT_EQ(g_log, (Log{"title.init", "title.end", "title.delete", "game.delete"}));
    }
    g_log.clear();
    {
        auto* manager = CSceneManager::GetInst(
            SCENE_TITLE, new ScriptedScene("title", {RETRY_CHANGE}, SCENE_GAME, 1, /*endResult=*/0));
        manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE}));
        EXPECT_EQ(Run(manager), -1);
        EXPECT_EQ(g_log, (Log{"title.init", "title.frame", "title.end", "title.delete", "game.delete"}));
    }
}

TEST_F(SceneLoopTest, RegistrationKeepsTheFirstSceneAndTheFirstManager) {
    auto* first = new ScriptedScene("first", {RETRY_CONTINUE});
    auto* manager = CSceneManager::GetInst(SCENE_TITLE, first);
    EXPECT_EQ(manager->AddScene(SCENE_TITLE, new ScriptedScene("second", {RETRY_CONTINUE})), 0);
    EXPECT_EQ(g_log, (Log{"second.delete"}));
    EXPECT_EQ(manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE})), 1);

    auto* ignored = new ScriptedScene("ignored", {RETRY_CONTINUE});
    EXPECT_EQ(CSceneManager::GetInst(SCENE_RANKING, ignored), manager);
    EXPECT_EQ(manager->ChangeScene(SCENE_RANKING), 0);
    EXPECT_EQ(manager->ChangeScene(SCENE_TITLE), 1);
    delete ignored;
    g_log.clear();
    manager->ReleaseSceneCollection();
    EXPECT_EQ(g_log, (Log{"first.delete", "game.delete"}));
}

TEST_F(SceneLoopTest, FrameLimitQuitsAfterThatManyFrames) {
    CSceneManager::SetFrameLimit(4);
    auto* manager =
        CSceneManager::GetInst(SCENE_TITLE, new ScriptedScene("title", {RETRY_CONTINUE, RETRY_CHANGE}, SCENE_GAME));
    manager->AddScene(SCENE_GAME, new ScriptedScene("game", {RETRY_CONTINUE}));
    EXPECT_EQ(Run(manager), -1);
    CSceneManager::SetFrameLimit(0);
    EXPECT_EQ(g_log, (Log{"title.init", "title.frame", "title.frame", "title.end", "game.init", "game.frame",
                          "game.frame", "game.end", "title.delete", "game.delete"}));
}
