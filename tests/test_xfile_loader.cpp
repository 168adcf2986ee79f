// X files through the mesh layer: data as written, hierarchy order, skin
// conversion into palettes, and meshes drawn through the fixed-function
// program.
#include <climits>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "platform/d3dx9/xfile_loader.h"
#include "support/graphics_fixture.h"
#include "support/plain_allocator.h"
#include "support/xfile_writer.h"

namespace {
std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

D3DXVECTOR3 PositionOf(ID3DXMesh* mesh, DWORD vertex) {
    D3DXVECTOR3 p;
    std::memcpy(&p.x, mesh->Vertex(vertex), 12);
    return p;
}

// A triangle whose corners, winding, texture coordinates and frame matrices
// are all asymmetric, so that a mirrored axis or flipped v shows.
const char* const kAsymmetric = R"(xof 0303txt 0032
Frame Outer {
 FrameTransformMatrix { 0.000000,1.000000,0.000000,0.000000, -1.000000,0.000000,0.000000,0.000000, 0.000000,0.000000,1.000000,0.000000, 10.000000,20.000000,30.000000,1.000000;; }
 Frame Inner {
  FrameTransformMatrix { 1.000000,0.000000,0.000000,0.000000, 0.000000,1.000000,0.000000,0.000000, 0.000000,0.000000,1.000000,0.000000, 0.000000,5.000000,7.000000,1.000000;; }
  Mesh Tri {
   3;
   1.000000;2.000000;3.000000;,
   1.000000;5.000000;3.000000;,
   4.000000;2.000000;3.000000;;
   1;
   3;0,1,2;;
   MeshTextureCoords { 3; 0.000000;0.250000;, 0.000000;0.000000;, 1.000000;0.250000;; }
   MeshMaterialList { 1; 1; 0;; Material { 1.000000;0.000000;0.000000;1.000000;; 5.000000; 0.100000;0.200000;0.300000;; 0.000000;0.000000;0.000000;; TextureFilename { "Tex\\red.png"; } } }
   SkinWeights { "Inner"; 3; 0,1,2; 1.000000,1.000000,1.000000; 1.000000,0.000000,0.000000,0.000000, 0.000000,1.000000,0.000000,0.000000, 0.000000,0.000000,1.000000,0.000000, -1.000000,-2.000000,-3.000000,1.000000;; }
  }
 }
}
)";

struct RecordingAllocator : xtest::PlainAllocator {
    std::vector<std::string> calls;
    std::vector<DWORD> materialCounts;
    std::vector<D3DXMATERIAL> firstMaterials;
    std::vector<std::string> textureNames;
    std::vector<D3DXMATRIX> boneOffsets;
    HRESULT CreateFrame(LPCSTR name, LPD3DXFRAME* frame) override {
        calls.push_back(std::string("frame ") + (name ? name : "-"));
        return PlainAllocator::CreateFrame(name, frame);
    }
    HRESULT CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* data, const D3DXMATERIAL* materials,
                                const D3DXEFFECTINSTANCE* effects, DWORD count, const DWORD* adjacency,
                                LPD3DXSKININFO skin, LPD3DXMESHCONTAINER* out) override {
        calls.push_back("mesh");
        materialCounts.push_back(count);
        if (count) {
            firstMaterials.push_back(materials[0]);
            textureNames.push_back(materials[0].pTextureFilename ? materials[0].pTextureFilename : "");
        }
        if (skin)
            for (DWORD b = 0; b < skin->GetNumBones(); ++b) boneOffsets.push_back(*skin->GetBoneOffsetMatrix(b));
        return PlainAllocator::CreateMeshContainer(name, data, materials, effects, count, adjacency, skin, out);
    }
};

class XFileLoaderTest : public GraphicsTest {};
}  // namespace

TEST_F(XFileLoaderTest, StaticMeshKeepsTheFilesPositionsWindingTextureCoordinatesAndMaterials) {
    const std::string path = TempPath("asymmetric.x");
    ASSERT_TRUE(xtest::WriteText(path, kAsymmetric));
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(
        D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, Device(), &adjacency, &materials, nullptr, &count, &mesh),
        D3D_OK);
    ASSERT_EQ(mesh->GetNumFaces(), 1u);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_TEX1);
    // Corners in the file's order, placed by Inner x Outer: (x, y, z) ->
    // (-(y + 5), x, z + 7) + (10, 20, 30).
    const D3DXVECTOR3 expected[3] = {{3, 21, 40}, {0, 21, 40}, {3, 24, 40}};
    for (int k = 0; k < 3; ++k) {
        const D3DXVECTOR3 p = PositionOf(mesh, mesh->Index(k));
        EXPECT_NEAR(p.x, expected[k].x, 1e-4f) << k;
        EXPECT_NEAR(p.y, expected[k].y, 1e-4f) << k;
        EXPECT_NEAR(p.z, expected[k].z, 1e-4f) << k;
    }
    float uv[2];
    const D3DVERTEXELEMENT9* texcoord = mesh->FindElement(D3DDECLUSAGE_TEXCOORD, 0);
    std::memcpy(uv, mesh->Vertex(mesh->Index(0)) + texcoord->Offset, 8);
    EXPECT_FLOAT_EQ(uv[1], 0.25f);
    ASSERT_EQ(count, 1u);
    const auto* material = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(material->MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(material->MatD3D.Power, 5.0f);
    EXPECT_FLOAT_EQ(material->MatD3D.Specular.b, 0.3f);
    EXPECT_STREQ(material->pTextureFilename, "Tex\\red.png");
    EXPECT_EQ(adjacency->GetBufferSize(), 12u);
    mesh->Release();
    adjacency->Release();
    materials->Release();
}

TEST_F(XFileLoaderTest, HierarchyComesInAllocatorOrderWithTheFilesMatricesAndBoneOffsets) {
    const std::string path = TempPath("asymmetric.x");
    ASSERT_TRUE(xtest::WriteText(path, kAsymmetric));
    RecordingAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    ASSERT_EQ(
        D3DXLoadMeshHierarchyFromXA(path.c_str(), D3DXMESH_MANAGED, Device(), &allocator, nullptr, &root, &controller),
        D3D_OK);
    EXPECT_EQ(allocator.calls, (std::vector<std::string>{"frame Outer", "frame Inner", "mesh"}));
    EXPECT_EQ(controller, nullptr);  // no animation sets in the file
    EXPECT_FLOAT_EQ(root->TransformationMatrix._12, 1.0f);
    EXPECT_FLOAT_EQ(root->TransformationMatrix._21, -1.0f);
    EXPECT_FLOAT_EQ(root->TransformationMatrix._43, 30.0f);
    LPD3DXFRAME inner = D3DXFrameFind(root, "Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_FLOAT_EQ(inner->TransformationMatrix._43, 7.0f);
    // The mesh inside its frame is in the frame's own space.
    ID3DXMesh* mesh = inner->pMeshContainer->MeshData.pMesh;
    const D3DXVECTOR3 first = PositionOf(mesh, mesh->Index(0));
    EXPECT_FLOAT_EQ(first.z, 3.0f);
    ASSERT_EQ(allocator.boneOffsets.size(), 1u);
    EXPECT_FLOAT_EQ(allocator.boneOffsets[0]._41, -1.0f);
    EXPECT_FLOAT_EQ(allocator.boneOffsets[0]._43, -3.0f);
    EXPECT_EQ(allocator.textureNames, (std::vector<std::string>{"Tex\\red.png"}));
    EXPECT_EQ(D3DXFrameDestroy(root, &allocator), D3D_OK);
}

TEST_F(XFileLoaderTest, MeshWithoutMaterialListReportsNoMaterialsAndMissingFilesFail) {
    xtest::ChainOptions options;
    options.materials = false;
    const std::string path = TempPath("plain.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    RecordingAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ASSERT_EQ(D3DXLoadMeshHierarchyFromXA(path.c_str(), 0, Device(), &allocator, nullptr, &root, nullptr), D3D_OK);
    EXPECT_EQ(allocator.materialCounts, std::vector<DWORD>{0});
    D3DXFrameDestroy(root, &allocator);

    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_TRUE(FAILED(
        D3DXLoadMeshFromXA(TempPath("missing.x").c_str(), 0, Device(), nullptr, nullptr, nullptr, nullptr, &mesh)));
    EXPECT_EQ(mesh, nullptr);
}

TEST_F(XFileLoaderTest, AnimationMatrixKeysComeBackAsTheFilesMatrices) {
    xtest::ChainOptions options;
    options.animationSets = 2;
    const std::string path = TempPath("animated.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    RecordingAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    ASSERT_EQ(D3DXLoadMeshHierarchyFromXA(path.c_str(), 0, Device(), &allocator, nullptr, &root, &controller), D3D_OK);
    ASSERT_NE(controller, nullptr);
    ASSERT_EQ(controller->GetNumAnimationSets(), 2u);
    ID3DXAnimationSet* second = nullptr;
    ASSERT_EQ(controller->GetAnimationSet(1, &second), D3D_OK);
    EXPECT_STREQ(second->GetName(), "Set1");
    EXPECT_DOUBLE_EQ(second->GetPeriod(), 1.0);
    UINT index = 0;
    ASSERT_EQ(second->GetAnimationIndexByName("Bone1", &index), D3D_OK);
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    second->GetSRT(0.5, index, &scale, &rotation, &translation);
    EXPECT_NEAR(translation.x, 1.0f, 1e-5f);
    EXPECT_NEAR(translation.y, 2.0f, 1e-5f);  // set 1 lifts by 2 at its middle key
    EXPECT_NEAR(std::fabs(rotation.w), 1.0f, 1e-5f);
    second->Release();
    controller->Release();
    D3DXFrameDestroy(root, &allocator);
}

TEST_F(XFileLoaderTest, ThirtyBoneChainSplitsIntoPalettesThatDrawEveryFaceOnce) {
    xtest::ChainOptions options;
    options.bones = 30;
    options.rows = 2;
    options.blendSeams = true;
    const std::string path = TempPath("chain30.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    RecordingAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ASSERT_EQ(D3DXLoadMeshHierarchyFromXA(path.c_str(), 0, Device(), &allocator, nullptr, &root, nullptr), D3D_OK);
    ID3DXMesh* source = root->pMeshContainer->MeshData.pMesh;
    ID3DXSkinInfo* skin = root->pMeshContainer->pSkinInfo;
    ASSERT_NE(skin, nullptr);
    ASSERT_EQ(skin->GetNumBones(), 30u);
    DWORD influences = 0, count = 0;
    ID3DXBuffer* table = nullptr;
    ID3DXMesh* blended = nullptr;
    ASSERT_EQ(skin->ConvertToIndexedBlendedMesh(source, D3DXMESH_MANAGED, 26, nullptr, nullptr, nullptr, nullptr,
                                                &influences, &count, &table, &blended),
              D3D_OK);
    EXPECT_EQ(influences, 2u);
    EXPECT_GT(count, 1u);
    const auto* combinations = static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer());
    std::vector<int> drawn(blended->GetNumFaces(), 0);
    const D3DVERTEXELEMENT9* indices = blended->FindElement(D3DDECLUSAGE_BLENDINDICES, 0);
    const D3DVERTEXELEMENT9* weights = blended->FindElement(D3DDECLUSAGE_BLENDWEIGHT, 0);
    ASSERT_NE(indices, nullptr);
    ASSERT_NE(weights, nullptr);
    EXPECT_EQ(weights->Type, D3DDECLTYPE_FLOAT1);
    for (DWORD c = 0; c < count; ++c) {
        std::set<DWORD> palette;
        for (DWORD slot = 0; slot < 26; ++slot)
            if (combinations[c].BoneId[slot] != UINT_MAX) palette.insert(combinations[c].BoneId[slot]);
        EXPECT_LE(palette.size(), 26u);
        for (DWORD f = combinations[c].FaceStart; f < combinations[c].FaceStart + combinations[c].FaceCount; ++f) {
            ++drawn[f];
            EXPECT_EQ(blended->Attribute(f), c);
            for (int k = 0; k < 3; ++k) {
                // Every palette slot a vertex names holds the bone that the
                // vertex's x position says moves it.
                const DWORD v = blended->Index(f * 3 + k);
                const std::uint8_t* slots = blended->Vertex(v) + indices->Offset;
                const float x = PositionOf(blended, v).x;
                const DWORD bone = combinations[c].BoneId[slots[0]];
                EXPECT_TRUE(bone == static_cast<DWORD>(std::min(x, 29.0f)) || bone + 1 == static_cast<DWORD>(x))
                    << "x " << x << " bone " << bone;
            }
        }
    }
    for (int times : drawn) EXPECT_EQ(times, 1);
    blended->Release();
    table->Release();
    D3DXFrameDestroy(root, &allocator);
}

TEST_F(XFileLoaderTest, FixedFunctionSubsetDrawsWhereTheTransformsPutIt) {
    xtest::ChainOptions options;
    options.bones = 1;
    const std::string path = TempPath("quad.x");
    ASSERT_TRUE(xtest::WriteText(path, xtest::ChainText(options)));
    ID3DXMesh* mesh = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, Device(), nullptr, nullptr, nullptr, &count, &mesh),
              D3D_OK);
    // The unit quad scaled to fill the left half of the target in clip
    // space: x 0..1 -> -1..0, y 0..1 -> -1..1.
    D3DXMATRIX world(1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, -1, -1, 0.5f, 1), identity;
    D3DXMatrixIdentity(&identity);
    Device()->SetTransform(D3DTS_WORLD, &world);
    Device()->SetTransform(D3DTS_VIEW, &identity);
    Device()->SetTransform(D3DTS_PROJECTION, &identity);
    Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    Device()->SetTexture(0, nullptr);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_TRUE(ColourNear(PixelAt(200, 300), 0xFFFFFFFF));  // clockwise front face, not culled
    EXPECT_TRUE(ColourNear(PixelAt(600, 300), 0xFF000000));
    EXPECT_EQ(mesh->FacesDrawn(), 2u);
    mesh->Release();
}
