// Effect files, our own format. One statement a line, '#' starts a comment
// line, and blocks close with "end":
//
//   parameter <type> <Name>           type: float float2 float3 float4
//   parameter float4x4 <Name>[<N>]          float4x4 int bool texture
//   sampler <TextureName> <point|linear> <wrap|clamp>
//   glsl            GLSL shared by every program of the file, up to "end"
//   technique <Name>
//     pass <Name>
//       state <ZEnable|ZWriteEnable|AlphaBlendEnable|CullMode|SrcBlend|DestBlend|ZFunc> <value>
//       vertex      GLSL 330 vertex program up to "end" (writes gl_Position
//       fragment    through D3DClipToGL, may call D3DApplyFog) ... "end"
//     end
//   end
//
// Parameters become uniforms of the same name (textures: sampler2D, with a
// constant bool <Name>_Present that is false while the texture is null: a
// pass is built once for each combination of set textures it meets), vertex
// inputs are the a_* attributes of gl/attributes.h, and the fragment output
// is FragColor. Anything else is an error reported with its line number.
#include "platform/d3dx9/effect.h"
#include "platform/d3dx9/d3dx9math.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/presentation.h"
#include "platform/d3d9/texture.h"
#include "platform/fs/regular_file.h"
#include "platform/gl/attributes.h"
#include "platform/gl/context.h"
#include "platform/gl/program.h"
#include "platform/gl/state_cache.h"
#include "platform/log/load_failure.h"
#include "platform/log/log.h"

namespace d3dx9 {
namespace {
std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool StateByName(const std::string& name, D3DRENDERSTATETYPE* state) {
    static const std::map<std::string, D3DRENDERSTATETYPE> states = {
        {"ZEnable", D3DRS_ZENABLE},
        {"ZWriteEnable", D3DRS_ZWRITEENABLE},
        {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE},
        {"CullMode", D3DRS_CULLMODE},
        {"SrcBlend", D3DRS_SRCBLEND},
        {"DestBlend", D3DRS_DESTBLEND},
        {"ZFunc", D3DRS_ZFUNC},
    };
    auto found = states.find(name);
    if (found == states.end()) return false;
    *state = found->second;
    return true;
}

bool StateValue(const std::string& text, DWORD* value) {
    static const std::map<std::string, DWORD> values = {
        {"true", TRUE},
        {"false", FALSE},
        {"None", D3DCULL_NONE},
        {"CW", D3DCULL_CW},
        {"CCW", D3DCULL_CCW},
        {"Zero", D3DBLEND_ZERO},
        {"One", D3DBLEND_ONE},
        {"SrcAlpha", D3DBLEND_SRCALPHA},
        {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
        {"SrcColor", D3DBLEND_SRCCOLOR},
        {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
        {"Less", D3DCMP_LESS},
        {"LessEqual", D3DCMP_LESSEQUAL},
        {"Always", D3DCMP_ALWAYS},
    };
    auto found = values.find(text);
    if (found == values.end()) return false;
    *value = found->second;
    return true;
}

// What one effect may declare. Each pass is a GL program to compile, so a
// file with thousands of them would stall the scene that loads it.
constexpr std::size_t kMaxParameters = 256;
constexpr std::size_t kMaxTechniques = 64;
constexpr std::size_t kMaxPassesPerTechnique = 16;

bool KnownType(const std::string& type) {
    return type == "float" || type == "float2" || type == "float3" || type == "float4" || type == "float4x4" ||
           type == "int" || type == "bool" || type == "texture";
}
}  // namespace

std::unique_ptr<EffectDescription> ParseEffect(const std::string& text, std::string* error) {
    auto description = std::make_unique<EffectDescription>();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& message) {
        if (error) *error = "line " + std::to_string(number) + ": " + message;
        return nullptr;
    };
    // Reads raw GLSL up to a line that is just "end".
    auto readBlock = [&](std::string* out) {
        const int start = number;
        while (std::getline(lines, line)) {
            ++number;
            if (Trim(line) == "end") return true;
            *out += "#line " + std::to_string(number) + "\n" + line + "\n";
        }
        number = start;
        return false;
    };
    EffectDescription::TechniqueDeclaration* technique = nullptr;
    EffectDescription::PassDeclaration* pass = nullptr;
    std::map<std::string, std::size_t> parameterIndex;
    while (std::getline(lines, line)) {
        ++number;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        std::istringstream words(trimmed);
        std::string keyword;
        words >> keyword;
        std::vector<std::string> arguments;
        for (std::string word; words >> word;) arguments.push_back(word);

        if (keyword == "parameter" && !technique) {
            if (arguments.size() != 2 || !KnownType(arguments[0])) return fail("expected 'parameter <type> <name>'");
            EffectDescription::ParameterDeclaration parameter;
            parameter.type = arguments[0];
            parameter.name = arguments[1];
            const size_t bracket = parameter.name.find('[');
            if (bracket != std::string::npos) {
                if (parameter.type != "float4x4" || parameter.name.back() != ']')
                    return fail("only float4x4 parameters can be arrays");
                parameter.arraySize =
                    static_cast<unsigned>(std::strtoul(parameter.name.substr(bracket + 1).c_str(), nullptr, 10));
                parameter.name.resize(bracket);
                if (parameter.arraySize == 0 || parameter.arraySize > 64) return fail("bad array size");
            }
            if (parameterIndex.count(parameter.name)) return fail("parameter '" + parameter.name + "' declared twice");
            if (description->parameters.size() == kMaxParameters)
                return fail("more than " + std::to_string(kMaxParameters) + " parameters");
            parameterIndex[parameter.name] = description->parameters.size();
            description->parameters.push_back(parameter);
        } else if (keyword == "sampler" && !technique) {
            if (arguments.size() != 3) return fail("expected 'sampler <texture> <point|linear> <wrap|clamp>'");
            EffectDescription::ParameterDeclaration* texture = nullptr;
            if (const auto found = parameterIndex.find(arguments[0]); found != parameterIndex.end())
                texture = &description->parameters[found->second];
            if (!texture || texture->type != "texture")
                return fail("sampler for an undeclared texture '" + arguments[0] + "'");
            if ((arguments[1] != "point" && arguments[1] != "linear") ||
                (arguments[2] != "wrap" && arguments[2] != "clamp"))
                return fail("expected 'point' or 'linear' and 'wrap' or 'clamp'");
            texture->pointFilter = arguments[1] == "point";
            texture->clampAddress = arguments[2] == "clamp";
        } else if (keyword == "glsl" && !technique && arguments.empty()) {
            if (!readBlock(&description->sharedSource)) return fail("glsl block without 'end'");
        } else if (keyword == "technique" && !technique) {
            if (arguments.size() != 1) return fail("expected 'technique <name>'");
            if (description->techniques.size() == kMaxTechniques)
                return fail("more than " + std::to_string(kMaxTechniques) + " techniques");
            description->techniques.push_back({arguments[0], {}});
            technique = &description->techniques.back();
        } else if (keyword == "pass" && technique && !pass) {
            if (arguments.size() != 1) return fail("expected 'pass <name>'");
            if (technique->passes.size() == kMaxPassesPerTechnique)
                return fail("more than " + std::to_string(kMaxPassesPerTechnique) + " passes in technique '" +
                            technique->name + "'");
            technique->passes.push_back({arguments[0], {}, "", ""});
            pass = &technique->passes.back();
        } else if (keyword == "state" && pass) {
            D3DRENDERSTATETYPE state;
            DWORD value;
            if (arguments.size() != 2 || !StateByName(arguments[0], &state) || !StateValue(arguments[1], &value))
                return fail("unknown state or value");
            pass->states.emplace_back(state, value);
        } else if ((keyword == "vertex" || keyword == "fragment") && pass && arguments.empty()) {
            std::string* target = keyword == "vertex" ? &pass->vertexSource : &pass->fragmentSource;
            if (!target->empty()) return fail(keyword + " program given twice");
            if (!readBlock(target)) return fail(keyword + " block without 'end'");
        } else if (keyword == "end" && arguments.empty() && (pass || technique)) {
            if (pass) {
                if (pass->vertexSource.empty() || pass->fragmentSource.empty())
                    return fail("pass '" + pass->name + "' needs a vertex and a fragment program");
                pass = nullptr;
            } else {
                if (technique->passes.empty()) return fail("technique '" + technique->name + "' has no pass");
                technique = nullptr;
            }
        } else {
            return fail("unexpected '" + keyword + "'");
        }
    }
    if (pass || technique) return fail("unclosed technique or pass at end of file");
    if (description->techniques.empty()) return fail("no technique");
    return description;
}
}  // namespace d3dx9

struct ID3DXEffect::Parameter {
    d3dx9::EffectDescription::ParameterDeclaration declaration;
    std::vector<float> floats;  // matrices row-major, as Direct3D holds them
    int integer = 0;
    IDirect3DBaseTexture9* texture = nullptr;
    unsigned version = 1;
};

// A pass built for one variant: which texture parameters are set, fixed as
// constants so no pixel branches on them. The fog switch stays a uniform:
// with it folded in, the compiler fuses the fog blend differently and some
// pixels come out one step apart.
struct ID3DXEffect::Program {
    GLuint program = 0;
    std::vector<GLint> locations;     // per parameter, -1 when unused
    std::vector<unsigned> uploaded;   // version of each parameter in the program
    std::vector<GLint> textureUnits;  // per parameter: unit for textures
    GLint fogEnable = -1, fogColor = -1, fogStart = -1, fogEnd = -1;
};

struct ID3DXEffect::Pass {
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states;
    std::string vertexBody, fragmentBody;           // the sources after the uniform declarations
    std::map<std::vector<bool>, Program> variants;  // by which textures are set, built on first use
};

struct ID3DXEffect::Technique {
    std::string name;
    std::vector<Pass> passes;
};

namespace {
// Uniform declarations for one variant: textures named in present are set,
// and each texture's <Name>_Present is that constant.
std::string UniformDeclarations(const std::vector<d3dx9::EffectDescription::ParameterDeclaration>& parameters,
                                const std::vector<bool>& present) {
    std::string text;
    for (size_t i = 0; i < parameters.size(); ++i) {
        const auto& parameter = parameters[i];
        std::string type = parameter.type;
        if (type == "float2")
            type = "vec2";
        else if (type == "float3")
            type = "vec3";
        else if (type == "float4")
            type = "vec4";
        else if (type == "float4x4")
            type = "mat4";
        else if (type == "texture")
            type = "sampler2D";
        text += "uniform " + type + " " + parameter.name;
        if (parameter.arraySize) text += "[" + std::to_string(parameter.arraySize) + "]";
        text += ";\n";
        if (parameter.type == "texture")
            text += "const bool " + parameter.name + "_Present = " + (present[i] ? "true" : "false") + ";\n";
    }
    return text;
}

size_t FloatCount(const d3dx9::EffectDescription::ParameterDeclaration& declaration) {
    if (declaration.type == "float") return 1;
    if (declaration.type == "float2") return 2;
    if (declaration.type == "float3") return 3;
    if (declaration.type == "float4") return 4;
    if (declaration.type == "float4x4") return std::size_t{16} * (declaration.arraySize ? declaration.arraySize : 1);
    return 0;
}
}  // namespace

ID3DXEffect* ID3DXEffect::Create(IDirect3DDevice9* device, std::unique_ptr<d3dx9::EffectDescription> description,
                                 std::string* log) {
    auto* effect = new ID3DXEffect;
    effect->m_device = device;
    device->AddRef();
    gl::RetainContext();
    for (const auto& declaration : description->parameters) {
        auto parameter = std::make_unique<Parameter>();
        parameter->declaration = declaration;
        parameter->floats.assign(FloatCount(declaration), 0.0f);
        effect->m_parameters.push_back(std::move(parameter));
    }
    // Each pass is built once here, with every texture set, so a broken
    // program fails the load; other variants follow on first use.
    std::vector<bool> allSet;
    for (const auto& declaration : description->parameters) allSet.push_back(declaration.type == "texture");
    for (const auto& techniqueDeclaration : description->techniques) {
        auto technique = std::make_unique<Technique>();
        technique->name = techniqueDeclaration.name;
        for (const auto& passDeclaration : techniqueDeclaration.passes) {
            Pass pass;
            pass.states = passDeclaration.states;
            pass.vertexBody = description->sharedSource + passDeclaration.vertexSource;
            pass.fragmentBody = description->sharedSource + passDeclaration.fragmentSource;
            technique->passes.push_back(std::move(pass));
            std::string programLog;
            if (!effect->BuildVariant(technique->passes.back(), allSet, &programLog)) {
                if (log) *log = techniqueDeclaration.name + "/" + passDeclaration.name + ": " + programLog;
                effect->m_techniques.push_back(std::move(technique));
                effect->Release();
                return nullptr;
            }
        }
        effect->m_techniques.push_back(std::move(technique));
    }
    effect->m_current = effect->m_techniques.front().get();
    return effect;
}

ID3DXEffect::~ID3DXEffect() {
    if (m_device->ActiveEffect() == this) m_device->SetActiveEffect(nullptr);
    for (auto& technique : m_techniques)
        for (Pass& pass : technique->passes)
            for (auto& variant : pass.variants) gl::DeleteProgram(variant.second.program);
    for (auto& parameter : m_parameters)
        if (parameter->texture) parameter->texture->Release();
    m_device->Release();
    gl::ReleaseContext();
}

ID3DXEffect::Parameter* ID3DXEffect::Find(D3DXHANDLE name) {
    if (!name) return nullptr;
    for (auto& parameter : m_parameters)
        if (parameter->declaration.name == name) return parameter.get();
    return nullptr;
}

HRESULT ID3DXEffect::SetTechnique(D3DXHANDLE technique) {
    if (!technique) return D3DERR_INVALIDCALL;
    for (auto& candidate : m_techniques) {
        if (candidate->name == technique) {
            m_current = candidate.get();
            return D3D_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

D3DXHANDLE ID3DXEffect::GetCurrentTechnique() const { return m_current ? m_current->name.c_str() : nullptr; }

HRESULT ID3DXEffect::SetFloats(D3DXHANDLE name, const float* values, size_t count, int) {
    Parameter* parameter = Find(name);
    if (!parameter || parameter->floats.empty() || !values) return D3DERR_INVALIDCALL;
    const size_t n = std::min(count, parameter->floats.size());
    std::memcpy(parameter->floats.data(), values, n * sizeof(float));
    ++parameter->version;
    return D3D_OK;
}

HRESULT ID3DXEffect::SetMatrix(D3DXHANDLE parameter, const D3DMATRIX* matrix) {
    Parameter* found = Find(parameter);
    if (!found || found->declaration.type != "float4x4" || !matrix) return D3DERR_INVALIDCALL;
    return SetFloats(parameter, &matrix->m[0][0], 16, 0);
}

HRESULT ID3DXEffect::SetMatrixArray(D3DXHANDLE parameter, const D3DMATRIX* matrices, UINT count) {
    Parameter* found = Find(parameter);
    if (!found || found->declaration.type != "float4x4" || !matrices) return D3DERR_INVALIDCALL;
    return SetFloats(parameter, &matrices->m[0][0], static_cast<size_t>(count) * 16, 0);
}

HRESULT ID3DXEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
    Parameter* found = Find(parameter);
    if (!found || found->declaration.type.rfind("float", 0) != 0 || found->declaration.type == "float4x4")
        return D3DERR_INVALIDCALL;
    // A vector sets as many components as the parameter has.
    return SetFloats(parameter, reinterpret_cast<const float*>(vector), 4, 0);
}

HRESULT ID3DXEffect::SetFloat(D3DXHANDLE parameter, float value) {
    Parameter* found = Find(parameter);
    if (found && (found->declaration.type == "int" || found->declaration.type == "bool")) {
        found->integer = static_cast<int>(value);
        ++found->version;
        return D3D_OK;
    }
    return SetFloats(parameter, &value, 1, 0);
}

HRESULT ID3DXEffect::SetInt(D3DXHANDLE parameter, INT value) {
    Parameter* found = Find(parameter);
    if (!found) return D3DERR_INVALIDCALL;
    if (found->declaration.type == "int" || found->declaration.type == "bool") {
        found->integer = value;
        ++found->version;
        return D3D_OK;
    }
    const float asFloat = static_cast<float>(value);
    return SetFloats(parameter, &asFloat, 1, 0);
}

HRESULT ID3DXEffect::SetBool(D3DXHANDLE parameter, BOOL value) { return SetInt(parameter, value ? 1 : 0); }

HRESULT ID3DXEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
    Parameter* found = Find(parameter);
    if (!found || found->declaration.type != "texture") return D3DERR_INVALIDCALL;
    if (texture) texture->AddRef();
    if (found->texture) found->texture->Release();
    found->texture = texture;
    ++found->version;
    return D3D_OK;
}

HRESULT ID3DXEffect::GetFloat(D3DXHANDLE parameter, float* value) {
    Parameter* found = Find(parameter);
    if (!found || !value || found->floats.empty()) return D3DERR_INVALIDCALL;
    *value = found->floats[0];
    return D3D_OK;
}

HRESULT ID3DXEffect::GetInt(D3DXHANDLE parameter, INT* value) {
    Parameter* found = Find(parameter);
    if (!found || !value || (found->declaration.type != "int" && found->declaration.type != "bool"))
        return D3DERR_INVALIDCALL;
    *value = found->integer;
    return D3D_OK;
}

HRESULT ID3DXEffect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
    Parameter* found = Find(parameter);
    if (!found || !vector || found->floats.empty() || found->declaration.type == "float4x4") return D3DERR_INVALIDCALL;
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::memcpy(values, found->floats.data(), std::min<size_t>(4, found->floats.size()) * sizeof(float));
    *vector = D3DXVECTOR4(values[0], values[1], values[2], values[3]);
    return D3D_OK;
}

HRESULT ID3DXEffect::GetMatrix(D3DXHANDLE parameter, D3DMATRIX* matrix) {
    Parameter* found = Find(parameter);
    if (!found || !matrix || found->declaration.type != "float4x4") return D3DERR_INVALIDCALL;
    std::memcpy(&matrix->m[0][0], found->floats.data(), 16 * sizeof(float));
    return D3D_OK;
}

IDirect3DBaseTexture9* ID3DXEffect::TextureOf(D3DXHANDLE parameter) {
    Parameter* found = Find(parameter);
    return found && found->declaration.type == "texture" ? found->texture : nullptr;
}

HRESULT ID3DXEffect::Begin(UINT* passes, DWORD flags) {
    if (m_begun || !m_current) return D3DERR_INVALIDCALL;
    m_begun = true;
    m_beginFlags = flags;
    m_savedStates.clear();
    if (!(flags & D3DXFX_DONOTSAVESTATE)) {
        for (const Pass& pass : m_current->passes)
            for (const auto& state : pass.states)
                m_savedStates.emplace_back(state.first, m_device->RenderState(state.first));
    }
    if (passes) *passes = static_cast<UINT>(m_current->passes.size());
    return D3D_OK;
}

HRESULT ID3DXEffect::BeginPass(UINT pass) {
    if (!m_begun || m_activePass >= 0 || pass >= m_current->passes.size()) return D3DERR_INVALIDCALL;
    m_activePass = static_cast<int>(pass);
    for (const auto& state : m_current->passes[pass].states) m_device->SetRenderState(state.first, state.second);
    m_device->SetActiveEffect(this);
    return D3D_OK;
}

HRESULT ID3DXEffect::CommitChanges() { return m_activePass >= 0 ? D3D_OK : D3DERR_INVALIDCALL; }

HRESULT ID3DXEffect::EndPass() {
    if (m_activePass < 0) return D3DERR_INVALIDCALL;
    m_activePass = -1;
    if (m_device->ActiveEffect() == this) m_device->SetActiveEffect(nullptr);
    return D3D_OK;
}

HRESULT ID3DXEffect::End() {
    if (!m_begun) return D3DERR_INVALIDCALL;
    if (m_activePass >= 0) EndPass();
    for (auto it = m_savedStates.rbegin(); it != m_savedStates.rend(); ++it)
        m_device->SetRenderState(it->first, it->second);
    m_savedStates.clear();
    m_begun = false;
    return D3D_OK;
}

std::string ID3DXEffect::VariantKey(const std::vector<bool>& present) {
    std::string key;
    for (const bool set : present) key += set ? '1' : '0';
    return key;
}

ID3DXEffect::Program* ID3DXEffect::BuildVariant(Pass& pass, const std::vector<bool>& present, std::string* log) {
    std::vector<d3dx9::EffectDescription::ParameterDeclaration> declarations;
    for (const auto& parameter : m_parameters) declarations.push_back(parameter->declaration);
    const std::string uniforms = UniformDeclarations(declarations, present);
    const std::string vertex = std::string(gl::kAttributeDeclarations) + uniforms + pass.vertexBody;
    const std::string fragment = "layout(location = 0) out vec4 FragColor;\n" + uniforms + pass.fragmentBody;
    Program variant;
    variant.program = gl::BuildProgram(vertex, fragment, log);
    if (!variant.program) return nullptr;
    GLint nextUnit = 0;
    for (const auto& parameter : m_parameters) {
        const GLint location = glGetUniformLocation(variant.program, parameter->declaration.name.c_str());
        variant.locations.push_back(location);
        variant.uploaded.push_back(0);
        const bool isTexture = parameter->declaration.type == "texture";
        variant.textureUnits.push_back(isTexture && location >= 0 ? nextUnit++ : -1);
    }
    variant.fogEnable = glGetUniformLocation(variant.program, "d3d_FogEnable");
    variant.fogColor = glGetUniformLocation(variant.program, "d3d_FogColor");
    variant.fogStart = glGetUniformLocation(variant.program, "d3d_FogStart");
    variant.fogEnd = glGetUniformLocation(variant.program, "d3d_FogEnd");
    return &pass.variants.emplace(present, std::move(variant)).first->second;
}

bool ID3DXEffect::BindActivePass() {
    if (m_activePass < 0 || !m_current) return false;
    Pass& pass = m_current->passes[static_cast<size_t>(m_activePass)];
    // Every draw looks its variant up: the scratch vector keeps that free of
    // allocations.
    m_texturesSet.clear();
    for (const auto& parameter : m_parameters) m_texturesSet.push_back(parameter->texture != nullptr);
    auto found = pass.variants.find(m_texturesSet);
    Program* program = found != pass.variants.end() ? &found->second : nullptr;
    if (!program) {
        std::string log;
        program = BuildVariant(pass, m_texturesSet, &log);
        if (!program) {
            vlog::Error(vlog::Category::Video, "effect pass variant %s: %s", VariantKey(m_texturesSet).c_str(),
                        log.c_str());
            return false;
        }
    }
    gl::Cache().UseProgram(program->program);
    // Mip chains are brought up to date before any unit is bound: that work
    // binds textures itself.
    for (size_t i = 0; i < m_parameters.size(); ++i) {
        const Parameter& parameter = *m_parameters[i];
        if (program->locations[i] >= 0 && parameter.texture && !parameter.declaration.pointFilter)
            parameter.texture->PrepareMipmaps();
    }
    for (size_t i = 0; i < m_parameters.size(); ++i) {
        const GLint location = program->locations[i];
        Parameter& parameter = *m_parameters[i];
        if (location < 0) continue;
        const std::string& type = parameter.declaration.type;
        if (type == "texture") {
            const GLint unit = program->textureUnits[i];
            if (program->uploaded[i] != parameter.version) glUniform1i(location, unit);
            // Texture bindings are per unit, not per program: bind every draw.
            const GLuint name = parameter.texture ? parameter.texture->GlTexture() : 0;
            gl::Cache().BindTexture(static_cast<unsigned>(unit), name);
            if (name) {
                const bool point = parameter.declaration.pointFilter;
                const bool mips = parameter.texture->HasMipmaps() && !point;
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                                point ? GL_NEAREST : (mips ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR));
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, point ? GL_NEAREST : GL_LINEAR);
                const GLint address = parameter.declaration.clampAddress ? GL_CLAMP_TO_EDGE : GL_REPEAT;
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, address);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, address);
            }
            program->uploaded[i] = parameter.version;
            continue;
        }
        if (program->uploaded[i] == parameter.version) continue;
        program->uploaded[i] = parameter.version;
        const float* f = parameter.floats.data();
        if (type == "float")
            glUniform1f(location, f[0]);
        else if (type == "float2")
            glUniform2fv(location, 1, f);
        else if (type == "float3")
            glUniform3fv(location, 1, f);
        else if (type == "float4")
            glUniform4fv(location, 1, f);
        else if (type == "float4x4")
            // Row-major data up as it is: `M * v` in GLSL is Direct3D's v x M.
            glUniformMatrix4fv(
                location, static_cast<GLsizei>(parameter.declaration.arraySize ? parameter.declaration.arraySize : 1),
                GL_FALSE, f);
        else
            glUniform1i(location, parameter.integer);
    }
    d3d9::SetFogUniforms(m_device, program->fogEnable, program->fogColor, program->fogStart, program->fogEnd);
    return true;
}

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR file, const D3DXMACRO*, ID3DXInclude*, DWORD,
                                  ID3DXEffectPool*, ID3DXEffect** effect, ID3DXBuffer** compilationErrors) {
    if (compilationErrors) *compilationErrors = nullptr;
    if (!device || !file || !effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!fs::ReadRegularFile(file, d3dx9::kMaxEffectFileBytes, &bytes, &error)) {
        error = "cannot read the effect file: " + error;
    } else {
        const std::string text(bytes.begin(), bytes.end());
        std::unique_ptr<d3dx9::EffectDescription> description = d3dx9::ParseEffect(text, &error);
        if (description) {
            *effect = ID3DXEffect::Create(device, std::move(description), &error);
            if (*effect) return D3D_OK;
        }
    }
    vlog::LoadFailure(vlog::Category::Assets, file, "%s", error.c_str());
    if (compilationErrors) *compilationErrors = new ID3DXBuffer(error.c_str(), error.size() + 1);
    return D3DXERR_INVALIDDATA;
}
