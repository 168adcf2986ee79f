// The billboard scene (device, data directory, camera, billboard manager)
// with the two enemy meshes loaded and the generators an enemy's death
// calls on, as a mission has them.
#pragma once
#include <string>

#include "game/FireBall.h"
#include "game/Flame.h"
#include "lib/DirectSound.h"
#include "lib/SkinXFile.h"
#include "support/billboard_fixture.h"

class EnemyTest : public BillBoardSceneTest {
protected:
    void SetUp() override {
        BillBoardSceneTest::SetUp();
        if (HasFatalFailure()) return;
        const std::string directory = "XFile/Character/";
        ASSERT_EQ(m_hitoMesh.LoadXFile(Device(), (directory + "hito.x").c_str()), 1);
        ASSERT_EQ(m_curryMesh.LoadXFile(Device(), (directory + "Curry.x").c_str()), 1);
        CFlameGenerator::GetInstance()->FlameInit();
    }
    void TearDown() override {
        m_hitoMesh.UnloadXFile();
        m_curryMesh.UnloadXFile();
        CFlameGenerator::DeleteInstance();
        CFireBallGenerator::DeleteInstance();
        CDirectSound::DeleteInstance();
        BillBoardSceneTest::TearDown();
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
};
