// A graphics device with the data directory as the current directory and the
// two enemy meshes loaded from it, as a mission has them.
#pragma once
#include <unistd.h>

#include <string>

#include "lib/DirectSound.h"
#include "lib/SkinXFile.h"
#include "support/graphics_fixture.h"

class EnemyTest : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        ASSERT_NE(getcwd(m_previous, sizeof m_previous), nullptr);
        ASSERT_EQ(chdir(VORTWING_DATA_DIR), 0);
        const std::string directory = "XFile/Character/";
        ASSERT_EQ(m_hitoMesh.LoadXFile(Device(), (directory + "hito.x").c_str()), 1);
        ASSERT_EQ(m_curryMesh.LoadXFile(Device(), (directory + "Curry.x").c_str()), 1);
    }
    void TearDown() override {
        m_hitoMesh.UnloadXFile();
        m_curryMesh.UnloadXFile();
        CDirectSound::DeleteInstance();
        ASSERT_EQ(chdir(m_previous), 0);
        GraphicsTest::TearDown();
    }

    // Attaches the mesh and starts an animation on track 0, as an area does
    // before the character's own initialisation.
    template <class Character>
    void Attach(Character& character, CSkinXFile& mesh, UINT firstAnimation) {
        ASSERT_EQ(character.SetSkinXFile(&mesh), 1);
        ASSERT_EQ(character.ChangeAnimation(firstAnimation, 0), S_OK);
        ASSERT_EQ(character.SetTrackEnable(0, 1), S_OK);
    }

    CSkinXFile m_hitoMesh;
    CSkinXFile m_curryMesh;
    char m_previous[4096] = {};
};
