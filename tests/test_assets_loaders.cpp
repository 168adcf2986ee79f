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
    for (const char* path : {"/Texture/SPrite/gauge1.png", "/texture/sprite/GAUGE3.png", "/Texture\\Sprite\\gauge2.png"}) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3DXCreateTextureFromFileA(Device(), (std::string(VORTWING_DATA_DIR) + path).c_str(), &texture), D3D_OK)
            << path;
        if (texture) texture->Release();
    }
}
