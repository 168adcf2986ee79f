// ID3DXEffect over GLSL programs. Effect files are our own text format (see
// the parser in effect.cpp); parameters and techniques are addressed by
// name, and a name the file does not declare fails that one call quietly.
// Values set on the effect reach the programs when something is drawn
// inside a pass.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/buffer.h"

class IDirect3DBaseTexture9;
struct D3DXVECTOR4;

using D3DXHANDLE = const char*;

constexpr DWORD D3DXFX_DONOTSAVESTATE = 1;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 2;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 4;
constexpr DWORD D3DXSHADER_DEBUG = 1;
constexpr DWORD D3DXSHADER_SKIPOPTIMIZATION = 4;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};
class ID3DXInclude;
class ID3DXEffectPool;

namespace d3dx9 {
struct EffectDescription;
}

class ID3DXEffect : public IUnknown {
public:
    HRESULT SetTechnique(D3DXHANDLE technique);
    D3DXHANDLE GetCurrentTechnique() const;
    HRESULT SetMatrix(D3DXHANDLE parameter, const D3DMATRIX* matrix);
    HRESULT SetMatrixArray(D3DXHANDLE parameter, const D3DMATRIX* matrices, UINT count);
    HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector);
    HRESULT SetFloat(D3DXHANDLE parameter, float value);
    HRESULT SetInt(D3DXHANDLE parameter, INT value);
    HRESULT SetBool(D3DXHANDLE parameter, BOOL value);
    HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture);
    HRESULT GetFloat(D3DXHANDLE parameter, float* value);
    HRESULT GetInt(D3DXHANDLE parameter, INT* value);
    HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector);
    HRESULT GetMatrix(D3DXHANDLE parameter, D3DMATRIX* matrix);
    // The texture a parameter holds, without adding a reference.
    IDirect3DBaseTexture9* TextureOf(D3DXHANDLE parameter);

    HRESULT Begin(UINT* passes, DWORD flags);
    HRESULT BeginPass(UINT pass);
    HRESULT CommitChanges();
    HRESULT EndPass();
    HRESULT End();
    HRESULT OnLostDevice() { return D3D_OK; }
    HRESULT OnResetDevice() { return D3D_OK; }

    // Layer side.
    static ID3DXEffect* Create(IDirect3DDevice9* device, std::unique_ptr<d3dx9::EffectDescription> description,
                               std::string* log);
    // Makes the active pass's program current with every parameter value
    // and texture in place; mesh draws call it through the device. False
    // when there is no active pass or its program cannot be built.
    bool BindActivePass();

private:
    struct Parameter;
    struct Program;
    struct Pass;
    struct Technique;
    static std::string VariantKey(const std::vector<bool>& present);
    Program* BuildVariant(Pass& pass, const std::vector<bool>& present, std::string* log);
    ID3DXEffect() = default;
    ~ID3DXEffect() override;
    Parameter* Find(D3DXHANDLE name);
    HRESULT SetFloats(D3DXHANDLE name, const float* values, size_t count, int expectedKind);

    IDirect3DDevice9* m_device = nullptr;
    std::vector<std::unique_ptr<Parameter>> m_parameters;
    std::vector<std::unique_ptr<Technique>> m_techniques;
    Technique* m_current = nullptr;
    bool m_begun = false;
    DWORD m_beginFlags = 0;
    int m_activePass = -1;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> m_savedStates;
    std::vector<bool> m_texturesSet;  // scratch for BindActivePass
};
using LPD3DXEFFECT = ID3DXEffect*;

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR file, const D3DXMACRO* defines,
                                  ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** compilationErrors);

namespace d3dx9 {
// The parsed form of an effect file, before its programs are built.
struct EffectDescription {
    struct ParameterDeclaration {
        std::string type;  // float float2 float3 float4 float4x4 int bool texture
        std::string name;
        unsigned arraySize = 0;  // 0: not an array
        bool pointFilter = false;
        bool clampAddress = false;
    };
    struct PassDeclaration {
        std::string name;
        std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states;
        std::string vertexSource, fragmentSource;
    };
    struct TechniqueDeclaration {
        std::string name;
        std::vector<PassDeclaration> passes;
    };
    std::vector<ParameterDeclaration> parameters;
    std::string sharedSource;
    std::vector<TechniqueDeclaration> techniques;
};
// The largest effect file read; ours are a few kilobytes.
constexpr std::uint64_t kMaxEffectFileBytes = std::uint64_t{1024} * 1024;
// Parses effect text; on a malformed file returns null with a message that
// names the line.
std::unique_ptr<EffectDescription> ParseEffect(const std::string& text, std::string* error);
}  // namespace d3dx9
