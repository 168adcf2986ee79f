// Static meshes and their cache, placed scenery, and skinned characters,
// loaded from X files the tests write and drawn on the real device.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "lib/Object.h"
#include "lib/SkinXFile.h"
#include "lib/StaticMeshManager.h"
#include "platform/win32/messagebox.h"
#include "support/graphics_fixture.h"
#include "support/log_lines.h"
#include "support/xfile_writer.h"

namespace {
std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

struct Node {
    std::uint32_t m_Priority = 0;
    Node* m_lpNext = nullptr;
    Node* m_lpPrev = nullptr;
    int tag = 0;
};

class ModelTest : public GraphicsTest {
protected:
    ID3DXEffect* LoadBaseEffect() {
        ID3DXEffect* effect = nullptr;
        D3DXCreateEffectFromFileA(Device(), VORTWING_DATA_DIR "/Shader/BaseHLSL.fx", nullptr, nullptr, 0, nullptr,
                                  &effect, nullptr);
        return effect;
    }
    // A camera at (x, 0.5, -4) looking along +z.
    void ViewProjection(float x, D3DXMATRIX* view, D3DXMATRIX* projection) {
        D3DXVECTOR3 eye(x, 0.5f, -4.0f), at(x, 0.5f, 0.0f), up(0, 1, 0);
        D3DXMatrixLookAtLH(view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(projection, 0.8f, 800.0f / 600.0f, 0.1f, 100.0f);
    }
    D3DXMESHCONTAINER_DERIVED* FirstContainer(CSkinXFile& skin) {
        return static_cast<D3DXMESHCONTAINER_DERIVED*>(skin.m_lpFrameRoot->pMeshContainer);
    }
    int LitPixels(std::uint32_t background) {
        const d3d9::Pixels pixels = ReadTarget();
        int lit = 0;
        for (unsigned y = 0; y < pixels.height; y += 4)
            for (unsigned x = 0; x < pixels.width; x += 4)
                lit += (pixels.At(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
        return lit;
    }
};
}  // namespace

TEST(ListTest, KeepsKeyOrderAndRefusesSentinels) {
    CList<Node> list;
    list.Init();
    list.Add(5)->tag = 1;
    list.Add(5)->tag = 2;       // after the earlier 5
    list.AddFront(5)->tag = 3;  // before both
    list.Add(2)->tag = 4;
    std::string order;
    for (Node* n = list.m_lpHead->m_lpNext; n != list.m_lpTail; n = n->m_lpNext) order += std::to_string(n->tag);
    EXPECT_EQ(order, "4312");
    EXPECT_EQ(list.DelNode(list.m_lpHead), nullptr);
    EXPECT_EQ(list.DelNode(list.m_lpTail), nullptr);
    Node* after = list.DelNode(list.m_lpHead->m_lpNext);
    EXPECT_EQ(after->tag, 3);
    EXPECT_EQ(list.m_lpTail->m_Priority, 0xFFFFFFFFu);
    list.Uninit();
    EXPECT_EQ(list.m_lpHead, nullptr);
}

TEST_F(ModelTest, CacheFindsMeshesByNamePointerAndKeepsFailedLoads) {
    xtest::ChainOptions options;
    options.bones = 1;
    const std::string directory = ::testing::TempDir();
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(directory.c_str()), 0);
    ASSERT_TRUE(xtest::WriteText("Sky.x", xtest::ChainText(options)));
    static char skyName[] = "Sky.x";
    static char sameText[] = "Sky.x";

    auto* cache = Basalt::Singleton::CSingleton<CStaticMeshManager>::GetInstance();
    cache->Init();
    EXPECT_FALSE(cache->Release());
    CXFile* first = cache->GetXFileAddress(Device(), skyName, 0);
    CXFile* again = cache->GetXFileAddress(Device(), skyName, 1);
    CXFile* other = cache->GetXFileAddress(Device(), sameText, 1);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    ASSERT_NE(first->m_lpMesh, nullptr);
    EXPECT_EQ(first->m_lpMesh->GetNumBytesPerVertex(), 32u);  // as loaded: the second ask asked no tangents
    EXPECT_EQ(other->m_lpMesh->GetNumBytesPerVertex(), 44u);  // tangent-space copy: 36 + FLOAT2
    EXPECT_EQ(cache->m_Map.GetLength(), 2u);
    // Every loaded material's ambient is its diffuse.
    EXPECT_FLOAT_EQ(first->m_lpMaterials[0].Ambient.g, first->m_lpMaterials[0].Diffuse.g);

    static char missing[] = "Nothing.x";
    CXFile* absent = cache->GetXFileAddress(Device(), missing, 1);
    EXPECT_EQ(absent->m_lpMesh, nullptr);
    EXPECT_EQ(absent->m_NumMaterials, 0u);
    EXPECT_EQ(win32::MessageBoxCount(), 0u);  // tangents for a failed load do nothing
    EXPECT_EQ(cache->GetXFileAddress(Device(), missing, 0), absent);
    CObject sky;
    sky.SetXFile(absent);
    sky.Draw(Device());
    sky.DrawHLSL(Device());

    EXPECT_TRUE(cache->Release());
    cache->UnInit();
    Basalt::Singleton::CSingleton<CStaticMeshManager>::DeleteInstance();
    ASSERT_EQ(chdir(previous), 0);
}

TEST_F(ModelTest, DrawHlslWithoutEffectDrawsNothingAndResetsTheShaders) {
    xtest::ChainOptions options;
    options.bones = 1;
    const std::string path = TempPath("quad.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    CXFile mesh;
    ASSERT_EQ(mesh.LoadXFile(Device(), path.c_str()), 1);
    ID3DXEffect* effect = LoadBaseEffect();
    ASSERT_NE(effect, nullptr);
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    ASSERT_EQ(Device()->ActiveEffect(), effect);
    mesh.DrawHLSL(Device());
    EXPECT_EQ(Device()->ActiveEffect(), nullptr);
    EXPECT_EQ(mesh.m_lpMesh->FacesDrawn(), 0u);
    effect->End();
    effect->Release();
}

TEST_F(ModelTest, LitStaticQuadThroughStaticBasic) {
    xtest::ChainOptions options;
    options.bones = 1;
    const std::string path = TempPath("quad.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    CObject quad;
    CXFile mesh;
    ASSERT_EQ(mesh.LoadXFile(Device(), path.c_str()), 1);
    quad.SetXFile(&mesh);
    ID3DXEffect* effect = LoadBaseEffect();
    ASSERT_NE(effect, nullptr);
    D3DXMATRIX view, projection, worldViewProjection;
    ViewProjection(0.5f, &view, &projection);
    worldViewProjection = quad.m_World * view * projection;
    effect->SetMatrix("WorldViewProjection", &worldViewProjection);
    effect->SetTechnique("StaticBasic");
    quad.SetToEffectAddress(effect);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    quad.DrawHLSL(Device());
    // The material (0.8, 0.6, 0.4) lit: warm, brighter than the ambient share alone.
    const std::uint32_t centre = PixelAt(400, 300);
    const int r = (centre >> 16) & 0xFF, g = (centre >> 8) & 0xFF, b = centre & 0xFF;
    EXPECT_GT(r, g);
    EXPECT_GT(g, b);
    EXPECT_GT(r, 0x99);
    EXPECT_TRUE(ColourNear(PixelAt(5, 5), 0xFF000000));
    effect->Release();
}

TEST_F(ModelTest, SkinnedStripConvertsToPalettesAndItsPixelsFollowTheBones) {
    xtest::ChainOptions options;
    options.bones = 2;
    options.columnsPerBone = 2;
    options.normals = false;    // normals are made at load
    options.materials = false;  // one grey material
    const std::string path = TempPath("strip.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    CSkinXFile skin;
    ASSERT_EQ(skin.LoadXFile(Device(), path.c_str()), 1);
    D3DXMESHCONTAINER_DERIVED* container = FirstContainer(skin);
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->NumMaterials, 1u);
    EXPECT_FLOAT_EQ(container->pMaterials[0].MatD3D.Diffuse.r, 0.5f);
    EXPECT_FLOAT_EQ(container->pMaterials[0].MatD3D.Specular.g, 0.5f);
    EXPECT_EQ(container->NumInfl, 1u);
    EXPECT_EQ(container->NumPaletteEntries, 2u);
    EXPECT_EQ(container->MeshData.pMesh->FindElement(D3DDECLUSAGE_BLENDINDICES, 0)->Type, D3DDECLTYPE_D3DCOLOR);
    // The tangent clone carries computed normals facing the viewer (-z).
    ID3DXMesh* source = container->pOrigMesh;
    const D3DVERTEXELEMENT9* normal = source->FindElement(D3DDECLUSAGE_NORMAL, 0);
    float n[3];
    std::memcpy(n, source->Vertex(0) + normal->Offset, 12);
    EXPECT_NEAR(n[2], -1.0f, 1e-5f);
    EXPECT_NEAR(skin.GetBoundingRadius(), std::sqrt(1.0f + 0.25f), 1e-4f);
    ASSERT_NE(skin.SearchBoneName("Bone1"), nullptr);
    EXPECT_EQ(skin.SearchBoneName("Nope"), nullptr);

    // The grey material is fully transparent (alpha 0) under the device's
    // alpha blending; make it opaque for the picture.
    container->pMaterials[0].MatD3D.Diffuse.a = 1.0f;
    ID3DXEffect* effect = LoadBaseEffect();
    ASSERT_NE(effect, nullptr);
    D3DXMATRIX view, projection, viewProjection;
    ViewProjection(1.0f, &view, &projection);
    viewProjection = view * projection;
    auto draw = [&] {
        effect->SetMatrix("ViewProjection", &viewProjection);
        effect->SetTechnique("SkinMeshBase");
        skin.m_lpEffect = effect;
        D3DXMATRIXA16 world;
        D3DXMatrixIdentity(&world);
        skin.UpdateFrameMatrices(&world);
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        skin.Draw(Device());
        return ReadTarget();
    };
    const d3d9::Pixels rest = draw();
    INT bones = -1;
    effect->GetInt("CurNumBones", &bones);
    EXPECT_EQ(bones, 0);  // single-bone vertices
    EXPECT_EQ(container->MeshData.pMesh->FacesDrawn(), 8u);
    // Lift the second bone: its half of the strip moves up, the first stays.
    skin.SearchBoneName("Bone1")->TransformationMatrix._42 = 1.0f;
    const d3d9::Pixels lifted = draw();
    const unsigned leftX = 400 - 120, rightX = 400 + 120;
    unsigned restTop = 600, liftedTop = 600, leftRestTop = 600, leftLiftedTop = 600;
    for (unsigned y = 0; y < 600; ++y) {
        if (restTop == 600 && (rest.At(rightX, y) & 0xFFFFFF)) restTop = y;
        if (liftedTop == 600 && (lifted.At(rightX, y) & 0xFFFFFF)) liftedTop = y;
        if (leftRestTop == 600 && (rest.At(leftX, y) & 0xFFFFFF)) leftRestTop = y;
        if (leftLiftedTop == 600 && (lifted.At(leftX, y) & 0xFFFFFF)) leftLiftedTop = y;
    }
    ASSERT_LT(restTop, 600u);
    EXPECT_LT(liftedTop + 40, restTop);
    EXPECT_EQ(leftLiftedTop, leftRestTop);
    effect->Release();
}

TEST_F(ModelTest, ThirtyBoneChainDrawsEveryFaceOnceWithBlendedSeams) {
    xtest::ChainOptions options;
    options.bones = 30;
    options.blendSeams = true;
    const std::string path = TempPath("chain30.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    CSkinXFile skin;
    ASSERT_EQ(skin.LoadXFile(Device(), path.c_str()), 1);
    D3DXMESHCONTAINER_DERIVED* container = FirstContainer(skin);
    EXPECT_EQ(container->NumPaletteEntries, 26u);
    EXPECT_GT(container->NumAttributeGroups, 1u);
    EXPECT_EQ(skin.m_NumBoneMatricesMax, 30u);
    ID3DXEffect* effect = LoadBaseEffect();
    ASSERT_NE(effect, nullptr);
    skin.m_lpEffect = effect;
    D3DXMATRIXA16 world;
    D3DXMatrixIdentity(&world);
    skin.UpdateFrameMatrices(&world);
    skin.Draw(Device());
    EXPECT_EQ(container->MeshData.pMesh->FacesDrawn(), container->MeshData.pMesh->GetNumFaces());
    INT bones = -1;
    effect->GetInt("CurNumBones", &bones);
    EXPECT_EQ(bones, 1);
    effect->Release();
}

TEST_F(ModelTest, GameCharactersLoadAndTheDragonHasItsNeckJoint) {
    const char* names[] = {"Dragoon.x", "hito.x", "Curry.x"};
    const std::string directory = VORTWING_DATA_DIR "/XFile/Character/";
    ASSERT_EQ(access((directory + names[0]).c_str(), R_OK), 0) << "no generated characters in " << directory;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(directory.c_str()), 0);
    for (const char* name : names) {
        CSkinXFile skin;
        EXPECT_EQ(skin.LoadXFile(Device(), name), 1) << name;
        if (std::strcmp(name, "Dragoon.x") == 0) {
            // Fireballs leave from the dragon's neck joint.
            EXPECT_NE(skin.SearchBoneName("Neck_Joint"), nullptr);
            EXPECT_GE(skin.GetBoundingRadius(), 8.0f);
            EXPECT_LE(skin.GetBoundingRadius(), 10.0f);
        }
    }
    ASSERT_EQ(chdir(previous), 0);
}

// A skin whose first bone names no frame: every bone still gets a matrix,
// the unknown one an identity that keeps its vertices in the bind pose,
// and the mesh draws through the real device.
TEST_F(ModelTest, SkinNamingAnUnknownBoneDrawsItsVerticesInTheBindPose) {
    xtest::ChainOptions options;
    options.bones = 2;
    options.columnsPerBone = 2;
    options.normals = false;
    options.materials = false;
    std::string text = xtest::ChainText(options);
    text.replace(text.find("\"Bone0\""), 7, "\"Nobody\"");
    const std::string path = TempPath("unknown_bone.x");
    ASSERT_TRUE(xtest::WriteText(path, text));
    LogLines log(vlog::Category::Assets);
    CSkinXFile skin;
    ASSERT_EQ(skin.LoadXFile(Device(), path.c_str()), 1);
    ASSERT_EQ(log.Warnings().size(), 1u);
    EXPECT_NE(log.Warnings()[0].find("\"Nobody\""), std::string::npos) << log.Warnings()[0];
    D3DXMESHCONTAINER_DERIVED* container = FirstContainer(skin);
    ASSERT_NE(container->ppBoneMatrixPtrs, nullptr);
    ASSERT_NE(container->ppBoneMatrixPtrs[0], nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(std::memcmp(container->ppBoneMatrixPtrs[0], &identity, sizeof identity), 0);
    // The bone after the unknown one is still set up.
    EXPECT_EQ(container->ppBoneMatrixPtrs[1], &skin.SearchBoneName("Bone1")->CombinedTransformationMatrix);

    container->pMaterials[0].MatD3D.Diffuse.a = 1.0f;
    ID3DXEffect* effect = LoadBaseEffect();
    ASSERT_NE(effect, nullptr);
    D3DXMATRIX view, projection, viewProjection;
    ViewProjection(1.0f, &view, &projection);
    viewProjection = view * projection;
    auto draw = [&](float lift) {
        effect->SetMatrix("ViewProjection", &viewProjection);
        effect->SetTechnique("SkinMeshBase");
        skin.m_lpEffect = effect;
        D3DXMATRIXA16 world;
        D3DXMatrixTranslation(&world, 0.0f, lift, 0.0f);
        skin.UpdateFrameMatrices(&world);
        Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        skin.Draw(Device());
        return ReadTarget();
    };
    auto top = [](const d3d9::Pixels& pixels, unsigned x) {
        for (unsigned y = 0; y < 600; ++y)
            if (pixels.At(x, y) & 0xFFFFFF) return y;
        return 600u;
    };
    const d3d9::Pixels rest = draw(0.0f), lifted = draw(1.0f);
    EXPECT_EQ(container->MeshData.pMesh->FacesDrawn(), 16u);
    const unsigned leftX = 400 - 120, rightX = 400 + 120;
    ASSERT_LT(top(rest, leftX), 600u);
    ASSERT_LT(top(rest, rightX), 600u);
    EXPECT_LT(top(lifted, rightX) + 40, top(rest, rightX));  // the known bone follows the world
    EXPECT_EQ(top(lifted, leftX), top(rest, leftX));         // the unknown one stays put
    effect->Release();
}

TEST_F(ModelTest, MissingMeshFilesWriteOneLineNamingTheFile) {
    const std::string path = TempPath("no_such_model.x");
    LogLines log(vlog::Category::Assets);
    CXFile mesh;
    EXPECT_EQ(mesh.LoadXFile(Device(), path.c_str()), 0);
    CSkinXFile skin;
    EXPECT_EQ(skin.LoadXFile(Device(), path.c_str()), 0);
    // Scenes load again each time they start: a file is named once a run.
    ASSERT_EQ(log.Errors().size(), 1u);
    EXPECT_NE(log.Errors()[0].find(path + ": cannot open: No such file or directory"), std::string::npos)
        << log.Errors()[0];
    // A readable file without a face makes no static mesh, and says so.
    const std::string empty = TempPath("frame_only.x");
    ASSERT_TRUE(xtest::WriteText(empty, "xof 0303txt 0032\nFrame Empty { }\n"));
    EXPECT_EQ(mesh.LoadXFile(Device(), empty.c_str()), 0);
    ASSERT_EQ(log.Errors().size(), 2u);
    EXPECT_NE(log.Errors()[1].find(empty + ": no mesh was made of it"), std::string::npos) << log.Errors()[1];
    EXPECT_EQ(win32::MessageBoxCount(), 0u);
}
