// Our X-file reader: what it keeps of a file, how it refuses damaged ones
// (one log line with the file and the line), the meshes built from what it
// read, and the inputs fuzzing once crashed on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/d3dx9/xfile_loader.h"
#include "platform/d3dx9/xfile_reader.h"
#include "support/log_lines.h"
#include "support/plain_allocator.h"
#include "support/xfile_writer.h"

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

// A frame hierarchy with everything the reader keeps: a polygon, per-corner
// normals, texture coordinates, two materials (one by reference, one with
// an escaped texture path), skin weights, and keys of every type; around it
// templates, comments, GUIDs and objects the reader does not know.
const char* const kEverything = R"(xof 0303txt 0032
template Unused {
 <11111111-2222-3333-4444-555555555555>
 DWORD value; [...]
}
// a comment
# another one
Header { 1; 0; 1; }
AnimTicksPerSecond { 100; }
Material Shared { 0.1;0.2;0.3;0.4;; 7.0; 0.5;0.6;0.7;; 0.8;0.9;1.0;; }
Frame Root <AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE> {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1.5,-2.5,3.25,1;; }
 Mesh Quad {
  5;
  0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;, 9;9;9;;
  2;
  4;0,1,2,3;,
  3;0,2,4;;
  MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 4;0,0,0,1;, 3;0,0,0;; }
  MeshTextureCoords { 5; 0;1;, 0;0;, 1;0;, 1;1;, 0.5;0.5;; }
  MeshMaterialList { 2; 2; 1, 0;;
   { Shared }
   Material { 1;1;1;1;; 2; 0;0;0;; 0;0;0;; TextureFilename { "Tex\\sub\\a.png"; } }
  }
  VertexDuplicationIndices { 5; 5; 0, 1, 2, 3, 4; }
  XSkinMeshHeader { 1; 2; 2; }
  SkinWeights { "Root"; 2; 0, 3; 1.0, 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,-1,-2,-3,1;; }
  SkinWeights { "Child"; 1; 3; 0.5; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }
 }
 Frame Child { }
}
AnimationSet Wave {
 Animation { { Child } AnimationOptions { 1; 0; }
  AnimationKey { 4; 2; 0;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;, 100;16;2,0,0,0,0,2,0,0,0,0,2,0,4,5,6,1;;; }
 }
 Animation { { Root }
  AnimationKey { 0; 1; 0;4;0.5,0.5,0.5,0.5;;; }
  AnimationKey { 1; 1; 0;3;1,2,3;;; }
  AnimationKey { 2; 1; 50;3;7,8,9;;; }
 }
}
)";

TEST(XFileReader, KeepsTheFilesDataAsWrittenAndSkipsWhatItDoesNotKnow) {
    xfile::File file;
    xfile::Error error;
    ASSERT_TRUE(xfile::Parse(kEverything, &file, &error)) << error.line << ": " << error.reason;
    EXPECT_EQ(file.ticksPerSecond, 100u);
    ASSERT_EQ(file.frames.size(), 1u);
    const xfile::Frame& root = file.frames[0];
    EXPECT_EQ(root.name, "Root");
    EXPECT_FLOAT_EQ(root.matrix[12], 1.5f);
    EXPECT_FLOAT_EQ(root.matrix[14], 3.25f);
    ASSERT_EQ(root.children.size(), 1u);
    EXPECT_EQ(root.children[0].name, "Child");
    EXPECT_EQ(root.children[0].matrix, xfile::kIdentity);

    ASSERT_EQ(root.meshes.size(), 1u);
    const xfile::Mesh& mesh = root.meshes[0];
    EXPECT_EQ(mesh.name, "Quad");
    ASSERT_EQ(mesh.positions.size(), 5u);
    EXPECT_FLOAT_EQ(mesh.positions[4].z, 9.0f);
    EXPECT_EQ(mesh.faceSizes, (std::vector<std::uint32_t>{4, 3}));
    EXPECT_EQ(mesh.corners, (std::vector<std::uint32_t>{0, 1, 2, 3, 0, 2, 4}));
    EXPECT_EQ(mesh.normalCorners, (std::vector<std::uint32_t>{0, 0, 0, 1, 0, 0, 0}));
    EXPECT_FLOAT_EQ(mesh.textureCoords[0].v, 1.0f);  // v as written, not flipped
    EXPECT_EQ(mesh.faceMaterials, (std::vector<std::uint32_t>{1, 0}));
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_FLOAT_EQ(mesh.materials[0].faceColor[3], 0.4f);
    EXPECT_FLOAT_EQ(mesh.materials[0].power, 7.0f);
    EXPECT_FLOAT_EQ(mesh.materials[0].emissive[2], 1.0f);
    EXPECT_EQ(mesh.materials[1].texture, "Tex\\sub\\a.png");
    ASSERT_EQ(mesh.skin.size(), 2u);
    EXPECT_EQ(mesh.skin[0].bone, "Root");
    EXPECT_EQ(mesh.skin[0].vertices, (std::vector<std::uint32_t>{0, 3}));
    EXPECT_FLOAT_EQ(mesh.skin[0].weights[1], 0.5f);
    EXPECT_FLOAT_EQ(mesh.skin[0].offset[13], -2.0f);

    ASSERT_EQ(file.animationSets.size(), 1u);
    const xfile::AnimationSet& set = file.animationSets[0];
    EXPECT_EQ(set.name, "Wave");
    ASSERT_EQ(set.animations.size(), 2u);
    EXPECT_EQ(set.animations[0].frame, "Child");
    ASSERT_EQ(set.animations[0].keys.size(), 1u);
    EXPECT_EQ(set.animations[0].keys[0].times, (std::vector<std::uint32_t>{0, 100}));
    EXPECT_FLOAT_EQ(set.animations[0].keys[0].values[16 + 14], 6.0f);
    ASSERT_EQ(set.animations[1].keys.size(), 3u);
    EXPECT_EQ(set.animations[1].keys[2].type, xfile::kPositionKey);
    EXPECT_EQ(set.animations[1].keys[2].times[0], 50u);
}

struct Damage {
    const char* what;
    std::string text;
    int line;            // where the fault is reported
    const char* reason;  // part of the logged reason
};

// A small valid mesh to damage: 4 vertices, 2 faces, on numbered lines.
std::string Quad(const std::string& normals, const std::string& materials, const std::string& skin) {
    return "xof 0303txt 0032\n"                   // 1
           "Frame F {\n"                          // 2
           " Mesh M {\n"                          // 3
           "  4;\n"                               // 4
           "  0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;;\n"  // 5
           "  2;\n"                               // 6
           "  3;0,1,2;, 3;0,2,3;;\n"              // 7
           + normals + materials + skin +         // 8 on
           " }\n"
           "}\n";
}

std::string Nested(int depth) {
    std::string text = "xof 0303txt 0032\n";
    for (int i = 0; i < depth; ++i) text += "Frame F" + std::to_string(i) + " {\n";
    for (int i = 0; i < depth; ++i) text += "}\n";
    return text;
}

std::vector<Damage> DamagedFiles() {
    const std::string ok = Quad("", "", "");
    return {
        {"material list shorter than the faces",
         Quad("", "  MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n", ""), 8,
         "covers 1 faces but the mesh has 2"},
        {"material index past the list",
         Quad("", "  MeshMaterialList { 1; 2; 0, 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n", ""), 8,
         "uses material 1 but the list has 1"},
        {"normal index past the normals", Quad("  MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,5,0;; }\n", "", ""), 8,
         "uses normal 5 but there are 1"},
        {"skin-weight vertex index -1",
         Quad("", "", "  SkinWeights { \"F\"; 1; -1; 1.0; " + xtest::Matrix(0, 0, 0) + " }\n"), 8,
         "must not be negative"},
        {"skin-weight vertex index past the vertices",
         Quad("", "", "  SkinWeights { \"F\"; 2; 0,\n 4; 1.0, 1.0; " + xtest::Matrix(0, 0, 0) + " }\n"), 9,
         "weights vertex 4 but the mesh has 4"},
        {"a huge count", "xof 0303txt 0032\nFrame F {\n Mesh M {\n  4000000000;\n  0;0;0;;\n }\n}\n", 4,
         "more than the rest of the file can hold"},
        {"a count too large for a number", "xof 0303txt 0032\nMesh M {\n  99999999999;\n}\n", 3, "too large"},
        {"a face index past the vertices", Quad("", "", "").replace(ok.find("0,2,3"), 5, "0,2,7"), 7,
         "uses vertex 7 but the mesh has 4"},
        {"a face of two corners", Quad("", "", "").replace(ok.find("3;0,2,3"), 7, "2;0,2  "), 7, "needs three"},
        {"a truncated list", ok.substr(0, ok.find("3;0,2,3")), 6,
         "face count 2 is more than the rest of the file can hold"},
        {"a truncated object", ok.substr(0, ok.rfind('}')), 9, "the file ends inside 'Frame' begun on line 2"},
        {"a binary header", "xof 0303bin 0032\x01\x02\x03\x04", 1, "binary X files are not supported"},
        {"a compressed header", "xof 0303tzip0032MSCI", 1, "compressed X files are not supported"},
        {"not an X file", "PK\x03\x04 something else", 1, "not an X file"},
        {"deep nesting", Nested(xfile::kMaxFrameDepth + 1), xfile::kMaxFrameDepth + 2, "nested more than 64 deep"},
        {"an unterminated string", Quad("", "", "  SkinWeights { \"F; 1; 0; 1.0; }\n"), 8, "unterminated string"},
        {"a reference to nothing", "xof 0303txt 0032\nFrame F {\n { Nowhere }\n}\n", 3, "names no mesh"},
        {"texture coordinates for fewer vertices", Quad("  MeshTextureCoords { 3; 0;0;, 0;0;, 0;0;; }\n", "", ""), 8,
         "3 coordinates but the mesh has 4 vertices"},
        {"a rotation key with three values",
         "xof 0303txt 0032\nAnimationSet S {\n Animation { {F}\n  AnimationKey { 0; 1;\n   0;3;1,0,0;;; }\n }\n}\n", 5,
         "has 3 values, not 4"},
        {"a stray character", "xof 0303txt 0032\nFrame F {\n @\n}\n", 3, "unexpected character 0x40"},
        {"a bad number", Quad("", "", "").replace(ok.find("1;1;0"), 5, "1;1x;0"), 5, "bad number '1x'"},
    };
}

TEST(XFileReader, DamagedFilesAreRefusedWithOneLineNamingFileAndLine) {
    int count = 0;
    for (const Damage& damage : DamagedFiles()) {
        SCOPED_TRACE(damage.what);
        // A file is reported once per run: each damage gets a name of its own.
        const std::string path = TempPath("damaged" + std::to_string(++count) + ".x");
        ASSERT_TRUE(xtest::WriteText(path, damage.text));
        LogLines log(vlog::Category::Assets);
        xfile::File file;
        EXPECT_FALSE(xfile::ReadFile(path.c_str(), &file));
        ASSERT_EQ(log.Errors().size(), 1u);
        const std::string line = log.Errors()[0];
        EXPECT_NE(line.find(path + ":" + std::to_string(damage.line) + ": "), std::string::npos) << line;
        EXPECT_NE(line.find(damage.reason), std::string::npos) << line;
        EXPECT_TRUE(file.frames.empty() && file.meshes.empty());
    }
}

TEST(XFileReader, MissingFileIsOneLineWithTheReason) {
    LogLines log(vlog::Category::Assets);
    xfile::File file;
    const std::string path = TempPath("no_such_mesh.x");
    EXPECT_FALSE(xfile::ReadFile(path.c_str(), &file));
    ASSERT_EQ(log.Errors().size(), 1u);
    EXPECT_NE(log.Errors()[0].find(path + ": cannot open: No such file or directory"), std::string::npos)
        << log.Errors()[0];
    // A FIFO named as a model is refused at once rather than waited on.
    const std::string fifo = TempPath("fifo_mesh.x");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(xfile::ReadFile(fifo.c_str(), &file));
    ASSERT_EQ(log.Errors().size(), 2u);
    EXPECT_NE(log.Errors()[1].find(fifo + ": cannot open: not a regular file"), std::string::npos) << log.Errors()[1];
    std::remove(fifo.c_str());
}

TEST(XFileReader, WhatAFileCanMakeIsBoundedByItsSize) {
    xfile::File file;
    xfile::Error error;
    EXPECT_FALSE(xfile::Parse(std::string(xfile::kMaxFileBytes + 1, ' '), &file, &error));
    EXPECT_NE(error.reason.find("larger than 64 MiB"), std::string::npos) << error.reason;

    // One mesh of 500 vertices referenced 1000 times would be 500 000
    // vertices from a file of a few kilobytes.
    std::string text = "xof 0303txt 0032\nMesh Big {\n500;\n";
    for (int i = 0; i < 500; ++i) text += "0;0;0;,";
    text += "\n1;3;0,1,2;;\n}\nFrame F {\n";
    for (int i = 0; i < 1000; ++i) text += "{Big}\n";
    text += "}\n";
    EXPECT_FALSE(xfile::Parse(text, &file, &error));
    EXPECT_NE(error.reason.find("references repeat more data than the file holds"), std::string::npos) << error.reason;
    // A few references are fine.
    text = text.substr(0, text.find("{Big}")) + "{Big}\n{Big}\n}\n";
    ASSERT_TRUE(xfile::Parse(text, &file, &error)) << error.reason;
    EXPECT_EQ(file.frames[0].meshes.size(), 2u);
    EXPECT_EQ(file.meshes.size(), 1u);
}

D3DXVECTOR3 Read3(const std::uint8_t* at) {
    D3DXVECTOR3 v;
    std::memcpy(&v.x, at, 12);
    return v;
}

TEST(XFileReader, PolygonsFanAndAVertexWithTwoNormalsBecomesTwoVertices) {
    xfile::File file;
    xfile::Error error;
    ASSERT_TRUE(xfile::Parse(kEverything, &file, &error)) << error.reason;
    xtest::PlainAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    ASSERT_EQ(d3dx9::HierarchyFromXFile(file, 0, nullptr, &allocator, &root, &controller), D3D_OK);
    ID3DXMesh* mesh = root->pMeshContainer->MeshData.pMesh;
    // The quad fans into (0 1 2) (0 2 3). Every vertex meets one normal
    // only, so no vertex is copied.
    ASSERT_EQ(mesh->GetNumFaces(), 3u);
    const DWORD expected[9] = {0, 1, 2, 0, 2, 3, 0, 2, 4};
    for (int corner = 0; corner < 9; ++corner) EXPECT_EQ(mesh->Index(corner), expected[corner]) << corner;
    EXPECT_EQ(mesh->Attribute(0), 1u);
    EXPECT_EQ(mesh->Attribute(1), 1u);
    EXPECT_EQ(mesh->Attribute(2), 0u);
    EXPECT_EQ(root->pMeshContainer->NumMaterials, 2u);
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    ASSERT_NE(normal, nullptr);
    EXPECT_FLOAT_EQ(Read3(mesh->Vertex(3) + normal->Offset).y, 1.0f);
    EXPECT_FLOAT_EQ(Read3(mesh->Vertex(0) + normal->Offset).z, -1.0f);
    D3DXFrameDestroy(root, &allocator);
    controller->Release();

    // Give vertex 3 two normals: the triangle now uses it with normal 0.
    std::string twoNormals = kEverything;
    twoNormals.replace(twoNormals.find("3;0,2,4;;"), 9, "3;0,3,4;;");
    ASSERT_TRUE(xfile::Parse(twoNormals, &file, &error)) << error.reason;
    ASSERT_EQ(d3dx9::HierarchyFromXFile(file, 0, nullptr, &allocator, &root, nullptr), D3D_OK);
    mesh = root->pMeshContainer->MeshData.pMesh;
    normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    ASSERT_EQ(mesh->GetNumVertices(), 6u);
    EXPECT_EQ(mesh->Index(7), 5u);  // the copy of vertex 3
    EXPECT_EQ(Read3(mesh->Vertex(5)).x, Read3(mesh->Vertex(3)).x);
    EXPECT_FLOAT_EQ(Read3(mesh->Vertex(5) + normal->Offset).z, -1.0f);
    EXPECT_FLOAT_EQ(Read3(mesh->Vertex(3) + normal->Offset).y, 1.0f);
    // The copy moves with vertex 3's bones.
    ID3DXSkinInfo* skin = root->pMeshContainer->pSkinInfo;
    ASSERT_NE(skin, nullptr);
    DWORD vertices[4];
    float weights[4];
    ASSERT_EQ(skin->GetNumBoneInfluences(1), 2u);
    skin->GetBoneInfluence(1, vertices, weights);
    EXPECT_EQ(vertices[1], 5u);
    EXPECT_FLOAT_EQ(weights[1], 0.5f);
    D3DXFrameDestroy(root, &allocator);
}

TEST(XFileReader, KeysBecomeScaleRotationAndTranslation) {
    xfile::File file;
    xfile::Error error;
    ASSERT_TRUE(xfile::Parse(kEverything, &file, &error)) << error.reason;
    xtest::PlainAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    ASSERT_EQ(d3dx9::HierarchyFromXFile(file, 0, nullptr, &allocator, &root, &controller), D3D_OK);
    ID3DXAnimationSet* set = nullptr;
    ASSERT_EQ(controller->GetAnimationSet(0, &set), D3D_OK);
    EXPECT_DOUBLE_EQ(set->GetPeriod(), 1.0);  // the last key at 100 ticks, 100 ticks a second
    UINT child = 0, rootAnimation = 0;
    ASSERT_EQ(set->GetAnimationIndexByName("Child", &child), D3D_OK);
    ASSERT_EQ(set->GetAnimationIndexByName("Root", &rootAnimation), D3D_OK);
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    set->GetSRT(1.0, child, &scale, &rotation, &translation);  // the matrix key at 100
    EXPECT_FLOAT_EQ(scale.x, 2.0f);
    EXPECT_FLOAT_EQ(translation.z, 6.0f);
    EXPECT_FLOAT_EQ(rotation.w, 1.0f);
    // The file's rotation (w 0.5, x 0.5, y 0.5, z 0.5) is the conjugate of
    // the D3DX quaternion.
    set->GetSRT(0.0, rootAnimation, &scale, &rotation, &translation);
    EXPECT_FLOAT_EQ(rotation.x, -0.5f);
    EXPECT_FLOAT_EQ(rotation.w, 0.5f);
    EXPECT_FLOAT_EQ(scale.z, 3.0f);
    EXPECT_FLOAT_EQ(translation.y, 8.0f);
    set->Release();
    controller->Release();
    D3DXFrameDestroy(root, &allocator);
}

TEST(XFileReader, LooseMeshesLeadTheHierarchyAndJoinTheSingleMesh) {
    const std::string text = std::string(kEverything) + "Mesh Loose { 3; 0;0;5;, 0;1;5;, 1;0;5;; 1; 3;0,1,2;; }\n";
    xfile::File file;
    xfile::Error error;
    ASSERT_TRUE(xfile::Parse(text, &file, &error)) << error.reason;
    xtest::PlainAllocator allocator;
    LPD3DXFRAME root = nullptr;
    ASSERT_EQ(d3dx9::HierarchyFromXFile(file, 0, nullptr, &allocator, &root, nullptr), D3D_OK);
    EXPECT_EQ(root->Name, nullptr);
    ASSERT_NE(root->pMeshContainer, nullptr);
    EXPECT_EQ(root->pMeshContainer->NumMaterials, 0u);
    ASSERT_NE(root->pFrameSibling, nullptr);
    EXPECT_STREQ(root->pFrameSibling->Name, "Root");
    D3DXFrameDestroy(root, &allocator);

    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(d3dx9::MeshFromXFile(file, 0, nullptr, nullptr, &materials, nullptr, &count, &mesh), D3D_OK);
    // The loose mesh (one grey material) first, then the quad placed by
    // its frame (two materials).
    ASSERT_EQ(count, 3u);
    const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(records[0].MatD3D.Diffuse.g, 0.5f);
    EXPECT_STREQ(records[2].pTextureFilename, "Tex\\sub\\a.png");
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    EXPECT_EQ(mesh->Attribute(1), 2u);                             // the quad's first face, material 1 of its list
    EXPECT_FLOAT_EQ(Read3(mesh->Vertex(mesh->Index(3))).x, 1.5f);  // quad vertex 0 moved by Root's matrix
    mesh->Release();
    materials->Release();
}

// Inputs that crashed or exhausted an earlier importer, or the fuzzer:
// each is refused with a reason, and building never starts.
TEST(XFileReader, FuzzRegressionInputsAreRefused) {
    const std::filesystem::path directory = VORTWING_FUZZ_REGRESSIONS "/xfile";
    ASSERT_TRUE(std::filesystem::is_directory(directory)) << directory;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        xfile::File file;
        xfile::Error error;
        EXPECT_FALSE(xfile::Parse(bytes.str(), &file, &error));
        EXPECT_GT(error.line, 0);
        EXPECT_FALSE(error.reason.empty());
        ++inputs;
    }
    EXPECT_GE(inputs, 4);
}

}  // namespace
