// The fixture of tests that run whole scenes.
#pragma once
#include <memory>

#include "scene/Scene.h"
#include "support/graphics_fixture.h"
#include "support/program_services.h"
#include "support/scoped_directory.h"

// A whole scene on the real device: the data directory's assets seen from a
// temporary directory with its own GlobalData, the program's services up,
// and no scene change pending from an earlier test.
class SceneTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        m_directory = std::make_unique<ScopedDirectory>(VORTWING_DATA_DIR);
        m_services = std::make_unique<ProgramServices>(m_window);
        CScene::SetNextScene(SCENE_NONE);
        CScene::SetRetryScene(RETRY_CONTINUE);
    }
    void TearDown() override {
        m_services.reset();
        m_directory.reset();
        GraphicsTest::TearDown();
    }
    std::unique_ptr<ScopedDirectory> m_directory;
    std::unique_ptr<ProgramServices> m_services;
};
