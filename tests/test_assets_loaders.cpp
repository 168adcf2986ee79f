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
