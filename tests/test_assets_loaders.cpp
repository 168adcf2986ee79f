// Every generated asset loads through the program's own loaders.
#include <gtest/gtest.h>

#include <string>

#include "asset_manifest.h"
#include "platform/d3dx9/texture_loader.h"
#include "support/graphics_fixture.h"

using AssetLoaderTest = GraphicsTest;

TEST_F(AssetLoaderTest, EveryTextureLoadsAtItsOwnSize) {
    int loaded = 0;
    for (const assets::Asset& asset : assets::kAssets) {
        if (asset.kind != assets::Kind::Texture) continue;
        const std::string path = std::string(VORTWING_DATA_DIR) + "/" + asset.path;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK) << asset.path;
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(Device(), path.c_str(), &texture), D3D_OK) << asset.path;
        D3DSURFACE_DESC description{};
        texture->GetLevelDesc(0, &description);
        EXPECT_EQ(description.Width, info.Width) << asset.path;
        EXPECT_EQ(description.Height, info.Height) << asset.path;
        texture->Release();
        ++loaded;
    }
    EXPECT_GT(loaded, 30);
}

#include "lib/DirectSound.h"
#include "platform/win32/messagebox.h"

// Sound effects are held in buffers that allow effects, which need at least
// 150 ms of sound: every effect file loads without a report.
TEST(AssetSounds, EverySoundEffectLoadsIntoABuffer) {
    CDirectSound* sound = CDirectSound::GetInstance();
    ASSERT_NE(sound->DirectSoundInit(nullptr), 0);
    const unsigned reportsBefore = win32::MessageBoxCount();
    int loaded = 0;
    for (const assets::Asset& asset : assets::kAssets) {
        if (asset.kind != assets::Kind::Sound) continue;
        const std::string path = std::string(VORTWING_DATA_DIR) + "/" + asset.path;
        EXPECT_NE(sound->GetSecondryBuffer(path.c_str()), nullptr) << asset.path;
        ++loaded;
    }
    EXPECT_EQ(win32::MessageBoxCount(), reportsBefore) << win32::LastMessageBoxText();
    EXPECT_GT(loaded, 20);
    sound->FreeBuffer();
    sound->DirectSoundRelease();
}

#include "lib/DirectAudio.h"

TEST(AssetMusic, EveryTrackDecodesIntoASegment) {
    CDirectAudio* audio = CDirectAudio::GetInstance();
    ASSERT_EQ(audio->DirectAudioInit(nullptr), 1);
    int slot = 0;
    for (const assets::Asset& asset : assets::kAssets) {
        if (asset.kind != assets::Kind::Music) continue;
        const std::string path = std::string(VORTWING_DATA_DIR) + "/" + asset.path;
        audio->LoadFile2Segment(path.c_str(), slot, CDirectAudio::FILE_KIND_OGG_VORBIS);
        EXPECT_NE(audio->Segment(slot), nullptr) << asset.path;
        ASSERT_NE(audio->Image(slot), nullptr) << asset.path;
        // The image is a RIFF WAVE of stereo 16-bit PCM at 44 100 Hz.
        const BYTE* image = audio->Image(slot);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image), 4), "RIFF");
        EXPECT_EQ(image[22], 2) << asset.path;
        ++slot;
    }
    EXPECT_EQ(slot, 3);
    audio->ReleaseAllSegment();
    audio->DirectAudioUnInit();
    CDirectAudio::DeleteInstance();
}

TEST_F(AssetLoaderTest, PathsThatDifferInLetterCaseOrUseBackslashesStillLoad) {
    for (const char* path :
         {"/Texture/SPrite/gauge1.png", "/texture/sprite/GAUGE3.png", "/Texture\\Sprite\\gauge2.png"}) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(Device(), (std::string(VORTWING_DATA_DIR) + path).c_str(), &texture),
                  D3D_OK)
            << path;
        if (texture) texture->Release();
    }
}

#include <unistd.h>

#include <cstring>

#include "lib/SkinXFile.h"
#include "lib/XFile.h"

namespace {
// Meshes load with the current directory switched to their folder, so their
// texture names resolve beside them as the game loads them.
class InDirectory {
public:
    explicit InDirectory(const std::string& directory) {
        if (!getcwd(m_previous, sizeof m_previous)) m_previous[0] = '\0';
        m_entered = chdir(directory.c_str()) == 0;
    }
    ~InDirectory() {
        if (m_previous[0] && chdir(m_previous) != 0) ADD_FAILURE() << "cannot return to " << m_previous;
    }
    bool Entered() const { return m_entered; }

private:
    char m_previous[4096];
    bool m_entered = false;
};

std::string FileName(const char* path) { return std::strrchr(path, '/') + 1; }
std::string Folder(const char* path) {
    return std::string(VORTWING_DATA_DIR) + "/" + std::string(path, std::strrchr(path, '/') - path);
}
}  // namespace

TEST_F(AssetLoaderTest, EveryMeshLoadsThroughTheGameLoadersWithItsTexturesAndAnimationSets) {
    int meshes = 0;
    for (const assets::Asset& asset : assets::kAssets) {
        if (asset.kind != assets::Kind::StaticMesh && asset.kind != assets::Kind::SkinnedMesh) continue;
        InDirectory folder(Folder(asset.path));
        ASSERT_TRUE(folder.Entered()) << asset.path;
        const unsigned boxes = win32::MessageBoxCount();
        const std::string name = FileName(asset.path);
        if (asset.kind == assets::Kind::StaticMesh) {
            CXFile mesh;
            EXPECT_EQ(mesh.LoadXFile(Device(), name.c_str()), 1) << asset.path;
        } else {
            CSkinXFile skin;
            ASSERT_EQ(skin.LoadXFile(Device(), name.c_str()), 1) << asset.path;
            ASSERT_NE(skin.m_lpAnimController, nullptr) << asset.path;
            const UINT expectedSets = name == "Dragoon.x" ? 3 : name == "hito.x" ? 7 : 9;
            EXPECT_EQ(skin.m_lpAnimController->GetNumAnimationSets(), expectedSets) << asset.path;
            if (name == "Dragoon.x") {
                EXPECT_NE(skin.SearchBoneName("Neck_Joint"), nullptr);
            }
        }
        // A texture that fails to load would have shown its error.
        EXPECT_EQ(win32::MessageBoxCount(), boxes) << asset.path << ": " << win32::LastMessageBoxText();
        ++meshes;
    }
    EXPECT_EQ(meshes, 5);
}
