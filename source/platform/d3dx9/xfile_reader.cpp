#include "platform/d3dx9/xfile_reader.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <vector>

#include "platform/fs/path.h"
#include "platform/fs/regular_file.h"
#include "platform/log/load_failure.h"

namespace xfile {
namespace {

constexpr std::size_t kHeaderBytes = 16;

struct ParseError {
    int line;
    std::string reason;
};

[[noreturn]] void Fail(int line, std::string reason) { throw ParseError{line, std::move(reason)}; }

// ---- Tokens -----------------------------------------------------------------

enum class Kind { End, Name, Number, String, Open, Close, Separator, Guid, Bracket };

struct Token {
    Kind kind = Kind::End;
    std::string_view text;
    int line = 0;
};

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Text of the file quoted for a message: printable ASCII only, shortened.
std::string Quote(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < kLongest; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (text.size() > kLongest) out += "...";
    return out + "'";
}

std::string Describe(const Token& token) {
    switch (token.kind) {
    case Kind::End: return "the end of the file";
    case Kind::String: return "the string " + Quote(token.text);
    default: return Quote(token.text);
    }
}

class Lexer {
public:
    Lexer(std::string_view text, std::size_t start) : m_at(text.data() + start), m_end(text.data() + text.size()) {}

    Token Next() {
        SkipSpace();
        Token token;
        token.line = m_line;
        if (m_at == m_end) return token;
        const char* begin = m_at;
        const char c = *m_at;
        switch (c) {
        case '{':
            token.kind = Kind::Open;
            ++m_at;
            break;
        case '}':
            token.kind = Kind::Close;
            ++m_at;
            break;
        case ';':
        case ',':
            token.kind = Kind::Separator;
            ++m_at;
            break;
        case '[':
        case ']':
            token.kind = Kind::Bracket;
            ++m_at;
            break;
        case '.':
            // "[...]" marks an open template.
            if (m_end - m_at >= 3 && m_at[1] == '.' && m_at[2] == '.') {
                token.kind = Kind::Bracket;
                m_at += 3;
                break;
            }
            token.kind = Kind::Number;
            LexNumber();
            break;
        case '<':
            token.kind = Kind::Guid;
            while (m_at != m_end && *m_at != '>' && *m_at != '\n') ++m_at;
            if (m_at == m_end || *m_at != '>') Fail(m_line, "unterminated GUID");
            ++m_at;
            break;
        case '"':
            token.kind = Kind::String;
            ++m_at;
            while (m_at != m_end && *m_at != '"' && *m_at != '\n') {
                if (*m_at == '\\' && m_at + 1 != m_end && (m_at[1] == '\\' || m_at[1] == '"')) ++m_at;
                ++m_at;
            }
            if (m_at == m_end || *m_at != '"') Fail(m_line, "unterminated string");
            token.text = std::string_view(begin + 1, static_cast<std::size_t>(m_at - begin - 1));
            ++m_at;
            return token;
        default:
            if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
                token.kind = Kind::Number;
                LexNumber();
            } else if (IsNameStart(static_cast<unsigned char>(c))) {
                token.kind = Kind::Name;
                while (m_at != m_end && IsNameChar(static_cast<unsigned char>(*m_at))) ++m_at;
            } else {
                char shown[8];
                std::snprintf(shown, sizeof shown, "0x%02X", static_cast<unsigned char>(c));
                Fail(m_line, std::string("unexpected character ") + shown);
            }
        }
        token.text = std::string_view(begin, static_cast<std::size_t>(m_at - begin));
        return token;
    }

    std::size_t Remaining() const { return static_cast<std::size_t>(m_end - m_at); }
    int Line() const { return m_line; }

private:
    void SkipSpace() {
        while (m_at != m_end) {
            const char c = *m_at;
            if (c == '\n') {
                ++m_line;
                ++m_at;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++m_at;
            } else if (c == '#' || (c == '/' && m_at + 1 != m_end && m_at[1] == '/')) {
                while (m_at != m_end && *m_at != '\n') ++m_at;
            } else {
                return;
            }
        }
    }

    // [+-] digits [. digits] [(e|E) [+-] digits], with at least one digit
    // before the exponent.
    void LexNumber() {
        const char* begin = m_at;
        if (*m_at == '-' || *m_at == '+') ++m_at;
        int digits = 0;
        while (m_at != m_end && IsDigit(*m_at)) ++m_at, ++digits;
        if (m_at != m_end && *m_at == '.') {
            ++m_at;
            while (m_at != m_end && IsDigit(*m_at)) ++m_at, ++digits;
        }
        if (digits > 0 && m_at != m_end && (*m_at == 'e' || *m_at == 'E')) {
            ++m_at;
            if (m_at != m_end && (*m_at == '-' || *m_at == '+')) ++m_at;
            int exponent = 0;
            while (m_at != m_end && IsDigit(*m_at)) ++m_at, ++exponent;
            if (exponent == 0) digits = 0;
        }
        // A number runs into no name and no comment ("1.#QNAN0" is no number).
        if (digits == 0 || (m_at != m_end && (IsNameChar(static_cast<unsigned char>(*m_at)) || *m_at == '#'))) {
            while (m_at != m_end && (IsNameChar(static_cast<unsigned char>(*m_at)) || *m_at == '#')) ++m_at;
            Fail(m_line, "bad number " + Quote(std::string_view(begin, static_cast<std::size_t>(m_at - begin))));
        }
    }

    const char* m_at;
    const char* m_end;
    int m_line = 1;
};

// ---- The parser ---------------------------------------------------------------

class Parser {
public:
    Parser(std::string_view bytes, File* out)
        : m_lexer(bytes, kHeaderBytes), m_out(out), m_referenceBudget(bytes.size()) {}

    void Run() {
        for (;;) {
            const Token token = m_lexer.Next();
            if (token.kind == Kind::End) break;
            if (token.kind != Kind::Name)
                Fail(token.line, "expected a template or a data object, found " + Describe(token));
            if (token.text == "Frame") {
                ParseFrame(token, &m_out->frames.emplace_back(), 1);
            } else if (token.text == "Mesh") {
                Mesh& mesh = m_out->meshes.emplace_back();
                ParseMesh(token, &mesh);
                if (!mesh.name.empty()) m_topLevelMeshes.emplace(mesh.name, m_out->meshes.size() - 1);
            } else if (token.text == "Material") {
                Material material;
                ParseMaterial(token, &material);
            } else if (token.text == "AnimationSet") {
                ParseAnimationSet(token, &m_out->animationSets.emplace_back());
            } else if (token.text == "AnimTicksPerSecond") {
                ReadHead(token);
                m_out->ticksPerSecond = ReadUInt("ticks per second");
                ReadChildren(
                    token, [](const Token&) { return false; }, nullptr);
            } else {
                // Template declarations, and objects nothing here reads.
                SkipObject(token);
            }
        }
    }

private:
    // ---- values

    Token NextValue() {
        Token token = m_lexer.Next();
        while (token.kind == Kind::Separator) token = m_lexer.Next();
        return token;
    }

    std::uint32_t ReadUInt(const char* what, std::uint64_t largest = 0xFFFFFFFFu, int* line = nullptr) {
        const Token token = NextValue();
        if (line) *line = token.line;
        if (token.kind != Kind::Number)
            Fail(token.line, std::string("expected ") + what + ", found " + Describe(token));
        std::string_view text = token.text;
        if (text.find_first_of(".eE") != std::string_view::npos)
            Fail(token.line, std::string(what) + " must be a whole number, not " + Quote(text));
        if (text.front() == '-') Fail(token.line, std::string(what) + " must not be negative: " + Quote(text));
        if (text.front() == '+') text.remove_prefix(1);
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value > largest)
            Fail(token.line, std::string(what) + " is too large: " + Quote(token.text));
        return static_cast<std::uint32_t>(value);
    }

    float ReadFloat(const char* what) {
        const Token token = NextValue();
        if (token.kind != Kind::Number)
            Fail(token.line, std::string("expected ") + what + ", found " + Describe(token));
        std::string_view text = token.text;
        if (text.front() == '+') text.remove_prefix(1);
        float value = 0.0f;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc::result_out_of_range)
            Fail(token.line, std::string(what) + " is out of range: " + Quote(token.text));
        if (error != std::errc() || end != text.data() + text.size())
            Fail(token.line, std::string("bad number ") + Quote(token.text));
        return value;
    }

    void ReadFloats(float* out, int count, const char* what) {
        for (int i = 0; i < count; ++i) out[i] = ReadFloat(what);
    }

    // "\\" and "\"" stand for one backslash and a quote; any other
    // backslash is kept as written (Windows paths often have single ones).
    std::string ReadString(const char* what) {
        const Token token = NextValue();
        if (token.kind != Kind::String)
            Fail(token.line, std::string("expected ") + what + ", found " + Describe(token));
        std::string text;
        text.reserve(token.text.size());
        for (std::size_t i = 0; i < token.text.size(); ++i) {
            const char c = token.text[i];
            const bool escape =
                c == '\\' && i + 1 < token.text.size() && (token.text[i + 1] == '\\' || token.text[i + 1] == '"');
            text += escape ? token.text[++i] : c;
        }
        return text;
    }

    // A count of items of `values` numbers each. Every number takes at least
    // one character and one separator, so a count the rest of the file
    // cannot hold is refused before anything is reserved for it.
    std::uint32_t ReadCount(const char* what, std::uint64_t values, int* where = nullptr) {
        int line = 0;
        const std::uint32_t count = ReadUInt(what, 0xFFFFFFFFu, &line);
        if (where) *where = line;
        RequireRoom(count, values, what, line);
        return count;
    }

    void RequireRoom(std::uint64_t count, std::uint64_t values, const char* what, int line) const {
        if (count * values * 2 > static_cast<std::uint64_t>(m_lexer.Remaining()) + 1)
            Fail(line, std::string(what) + " " + std::to_string(count) + " is more than the rest of the file can hold");
    }

    // ---- objects

    // The rest of an object's head after its identifier: an optional name,
    // an optional GUID, and the opening brace.
    std::string ReadHead(const Token& identifier) {
        Token token = m_lexer.Next();
        std::string name;
        if (token.kind == Kind::Name) {
            name = token.text;
            token = m_lexer.Next();
        }
        if (token.kind == Kind::Guid) token = m_lexer.Next();
        if (token.kind != Kind::Open)
            Fail(token.line, "expected '{' after " + Quote(identifier.text) + ", found " + Describe(token));
        return name;
    }

    // A whole object whose contents are not needed, nested ones included.
    void SkipObject(const Token& identifier) {
        ReadHead(identifier);
        SkipBody(identifier);
    }

    void SkipBody(const Token& identifier) {
        std::size_t open = 1;
        while (open > 0) {
            const Token token = m_lexer.Next();
            if (token.kind == Kind::Open) ++open;
            if (token.kind == Kind::Close) --open;
            if (token.kind == Kind::End) UnexpectedEnd(identifier);
        }
    }

    [[noreturn]] void UnexpectedEnd(const Token& identifier) const {
        Fail(m_lexer.Line(),
             "the file ends inside " + Quote(identifier.text) + " begun on line " + std::to_string(identifier.line));
    }

    // What follows an object's members up to its closing brace: nested
    // objects (onChild reads those it knows and returns false for the rest,
    // which are skipped) and references { name } (refused where the object
    // takes none).
    template <class OnChild>
    void ReadChildren(const Token& identifier, OnChild onChild,
                      const std::function<void(std::string_view, int)>& onReference) {
        for (;;) {
            const Token token = m_lexer.Next();
            switch (token.kind) {
            case Kind::Close: return;
            case Kind::Separator: break;
            case Kind::End: UnexpectedEnd(identifier);
            case Kind::Name:
                if (!onChild(token)) SkipObject(token);
                break;
            case Kind::Open: {
                Token name = m_lexer.Next();
                std::string_view referenced;
                if (name.kind == Kind::Name) {
                    referenced = name.text;
                    name = m_lexer.Next();
                }
                if (name.kind == Kind::Guid) name = m_lexer.Next();
                if (name.kind != Kind::Close)
                    Fail(name.line, "expected '}' to end a reference, found " + Describe(name));
                if (!onReference) Fail(token.line, Quote(identifier.text) + " takes no references");
                onReference(referenced, token.line);
                break;
            }
            default: Fail(token.line, "unexpected " + Describe(token) + " in " + Quote(identifier.text));
            }
        }
    }

    void ReadMatrix(Matrix* matrix, const char* what) { ReadFloats(matrix->data(), 16, what); }

    void ParseFrame(const Token& identifier, Frame* frame, int depth) {
        if (depth > kMaxFrameDepth)
            Fail(identifier.line, "frames are nested more than " + std::to_string(kMaxFrameDepth) + " deep");
        if (++m_frameCount > kMaxFrames)
            Fail(identifier.line, "the file has more than " + std::to_string(kMaxFrames) + " frames");
        frame->name = ReadHead(identifier);
        bool hasMatrix = false;
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text == "FrameTransformMatrix") {
                    if (hasMatrix) Fail(child.line, "a second FrameTransformMatrix in one frame");
                    hasMatrix = true;
                    ReadHead(child);
                    ReadMatrix(&frame->matrix, "a frame matrix value");
                    ReadChildren(
                        child, [](const Token&) { return false; }, nullptr);
                } else if (child.text == "Frame") {
                    ParseFrame(child, &frame->children.emplace_back(), depth + 1);
                } else if (child.text == "Mesh") {
                    ParseMesh(child, &frame->meshes.emplace_back());
                } else {
                    return false;
                }
                return true;
            },
            [&](std::string_view name, int line) {
                const auto found = m_topLevelMeshes.find(std::string(name));
                if (found == m_topLevelMeshes.end())
                    Fail(line, "the reference " + Quote(name) + " names no mesh defined before it");
                const Mesh& mesh = m_out->meshes[found->second];
                Charge(mesh.positions.size() + mesh.corners.size() + mesh.normals.size() + mesh.normalCorners.size() +
                           mesh.textureCoords.size() + mesh.faceMaterials.size() + mesh.materials.size(),
                       line);
                for (const SkinWeights& bone : mesh.skin) Charge(bone.vertices.size() + 1, line);
                frame->meshes.push_back(mesh);
            });
    }

    // Data repeated by references counts against the file's own size.
    void Charge(std::uint64_t amount, int line) {
        if (amount > m_referenceBudget) Fail(line, "references repeat more data than the file holds");
        m_referenceBudget -= amount;
    }

    void ParseMesh(const Token& identifier, Mesh* mesh) {
        mesh->name = ReadHead(identifier);
        mesh->line = identifier.line;
        const std::uint32_t vertices = ReadCount("vertex count", 3);
        mesh->positions.resize(vertices);
        for (Vector3& p : mesh->positions) ReadFloats(&p.x, 3, "a vertex coordinate");
        const std::uint32_t faces = ReadCount("face count", 4);
        mesh->faceSizes.reserve(faces);
        mesh->corners.reserve(static_cast<std::size_t>(faces) * 3);
        for (std::uint32_t f = 0; f < faces; ++f) {
            const std::uint32_t size = ReadFaceSize(f);
            mesh->faceSizes.push_back(size);
            for (std::uint32_t k = 0; k < size; ++k) {
                const std::uint32_t index = ReadUInt("a vertex index");
                if (index >= vertices)
                    Fail(m_lexer.Line(), "face " + std::to_string(f) + " uses vertex " + std::to_string(index) +
                                             " but the mesh has " + std::to_string(vertices));
                mesh->corners.push_back(index);
            }
        }
        int headerLine = 0;
        std::uint32_t headerBones = 0;
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text == "MeshNormals") {
                    ParseNormals(child, mesh);
                } else if (child.text == "MeshTextureCoords") {
                    ParseTextureCoords(child, mesh);
                } else if (child.text == "MeshMaterialList") {
                    ParseMaterialList(child, mesh);
                } else if (child.text == "XSkinMeshHeader") {
                    if (headerLine) Fail(child.line, "a second XSkinMeshHeader in one mesh");
                    headerLine = child.line;
                    ReadHead(child);
                    ReadUInt("the most weights per vertex", 0xFFFF);
                    ReadUInt("the most weights per face", 0xFFFF);
                    headerBones = ReadUInt("the bone count", 0xFFFF);
                    ReadChildren(
                        child, [](const Token&) { return false; }, nullptr);
                } else if (child.text == "SkinWeights") {
                    ParseSkinWeights(child, mesh);
                } else {
                    return false;
                }
                return true;
            },
            nullptr);
        if (headerLine && headerBones != mesh->skin.size())
            Fail(headerLine, "XSkinMeshHeader counts " + std::to_string(headerBones) + " bones but the mesh has " +
                                 std::to_string(mesh->skin.size()) + " SkinWeights");
    }

    std::uint32_t ReadFaceSize(std::uint32_t face) {
        int line = 0;
        const std::uint32_t size = ReadUInt("a face's corner count", 0xFFFFFFFFu, &line);
        if (size < 3)
            Fail(line,
                 "face " + std::to_string(face) + " has " + std::to_string(size) + " corners; a face needs three");
        RequireRoom(size, 1, "a face's corner count", line);
        return size;
    }

    void ParseNormals(const Token& identifier, Mesh* mesh) {
        if (mesh->hasNormals) Fail(identifier.line, "a second MeshNormals in one mesh");
        mesh->hasNormals = true;
        ReadHead(identifier);
        const std::uint32_t count = ReadCount("normal count", 3);
        mesh->normals.resize(count);
        for (Vector3& n : mesh->normals) ReadFloats(&n.x, 3, "a normal coordinate");
        int line = 0;
        const std::uint32_t faces = ReadUInt("normal face count", 0xFFFFFFFFu, &line);
        if (faces != mesh->faceSizes.size())
            Fail(line, "MeshNormals has " + std::to_string(faces) + " faces but the mesh has " +
                           std::to_string(mesh->faceSizes.size()));
        mesh->normalCorners.reserve(mesh->corners.size());
        for (std::uint32_t f = 0; f < faces; ++f) {
            const std::uint32_t size = ReadFaceSize(f);
            if (size != mesh->faceSizes[f])
                Fail(m_lexer.Line(), "normal face " + std::to_string(f) + " has " + std::to_string(size) +
                                         " corners but the mesh's face has " + std::to_string(mesh->faceSizes[f]));
            for (std::uint32_t k = 0; k < size; ++k) {
                const std::uint32_t index = ReadUInt("a normal index");
                if (index >= count)
                    Fail(m_lexer.Line(), "normal face " + std::to_string(f) + " uses normal " + std::to_string(index) +
                                             " but there are " + std::to_string(count));
                mesh->normalCorners.push_back(index);
            }
        }
        ReadChildren(
            identifier, [](const Token&) { return false; }, nullptr);
    }

    void ParseTextureCoords(const Token& identifier, Mesh* mesh) {
        if (mesh->hasTextureCoords) Fail(identifier.line, "a second MeshTextureCoords in one mesh");
        mesh->hasTextureCoords = true;
        ReadHead(identifier);
        int line = 0;
        const std::uint32_t count = ReadCount("texture coordinate count", 2, &line);
        if (count != mesh->positions.size())
            Fail(line, "MeshTextureCoords has " + std::to_string(count) + " coordinates but the mesh has " +
                           std::to_string(mesh->positions.size()) + " vertices");
        mesh->textureCoords.resize(count);
        for (Vector2& t : mesh->textureCoords) ReadFloats(&t.u, 2, "a texture coordinate");
        ReadChildren(
            identifier, [](const Token&) { return false; }, nullptr);
    }

    void ParseMaterialList(const Token& identifier, Mesh* mesh) {
        if (mesh->hasMaterialList) Fail(identifier.line, "a second MeshMaterialList in one mesh");
        mesh->hasMaterialList = true;
        ReadHead(identifier);
        const std::uint32_t materials = ReadCount("material count", 1);
        int line = 0;
        const std::uint32_t faces = ReadCount("material face count", 1, &line);
        if (faces != mesh->faceSizes.size())
            Fail(line, "MeshMaterialList covers " + std::to_string(faces) + " faces but the mesh has " +
                           std::to_string(mesh->faceSizes.size()));
        mesh->faceMaterials.reserve(faces);
        for (std::uint32_t f = 0; f < faces; ++f) {
            const std::uint32_t index = ReadUInt("a material index");
            if (index >= materials)
                Fail(m_lexer.Line(), "face " + std::to_string(f) + " uses material " + std::to_string(index) +
                                         " but the list has " + std::to_string(materials));
            mesh->faceMaterials.push_back(index);
        }
        auto add = [&](int at) -> Material* {
            if (mesh->materials.size() >= materials)
                Fail(at, "MeshMaterialList has more than its " + std::to_string(materials) + " materials");
            return &mesh->materials.emplace_back();
        };
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text != "Material") return false;
                ParseMaterial(child, add(child.line));
                return true;
            },
            [&](std::string_view name, int at) {
                const auto found = m_materials.find(std::string(name));
                if (found == m_materials.end())
                    Fail(at, "the reference " + Quote(name) + " names no material defined before it");
                Charge(1 + found->second.texture.size(), at);
                *add(at) = found->second;
            });
        if (mesh->materials.size() != materials)
            Fail(m_lexer.Line(), "MeshMaterialList counts " + std::to_string(materials) + " materials but holds " +
                                     std::to_string(mesh->materials.size()));
    }

    void ParseMaterial(const Token& identifier, Material* material) {
        const std::string name = ReadHead(identifier);
        ReadFloats(material->faceColor.data(), 4, "a material colour");
        material->power = ReadFloat("a material power");
        ReadFloats(material->specular.data(), 3, "a specular colour");
        ReadFloats(material->emissive.data(), 3, "an emissive colour");
        bool hasTexture = false;
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text != "TextureFilename") return false;
                ReadHead(child);
                std::string texture = ReadString("a texture file name");
                if (!hasTexture) material->texture = std::move(texture);
                hasTexture = true;
                ReadChildren(
                    child, [](const Token&) { return false; }, nullptr);
                return true;
            },
            nullptr);
        if (!name.empty()) m_materials.insert_or_assign(name, *material);
    }

    void ParseSkinWeights(const Token& identifier, Mesh* mesh) {
        ReadHead(identifier);
        SkinWeights& bone = mesh->skin.emplace_back();
        bone.bone = ReadString("a bone name");
        const std::uint32_t count = ReadCount("weight count", 2);
        bone.vertices.reserve(count);
        bone.weights.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t index = ReadUInt("a weighted vertex index");
            if (index >= mesh->positions.size())
                Fail(m_lexer.Line(), "SkinWeights of " + Quote(bone.bone) + " weights vertex " + std::to_string(index) +
                                         " but the mesh has " + std::to_string(mesh->positions.size()));
            bone.vertices.push_back(index);
        }
        for (std::uint32_t i = 0; i < count; ++i) bone.weights.push_back(ReadFloat("a weight"));
        ReadMatrix(&bone.offset, "a bone offset value");
        ReadChildren(
            identifier, [](const Token&) { return false; }, nullptr);
    }

    void ParseAnimationSet(const Token& identifier, AnimationSet* set) {
        set->name = ReadHead(identifier);
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text != "Animation") return false;
                ParseAnimation(child, &set->animations.emplace_back());
                return true;
            },
            [](std::string_view, int) {});
    }

    void ParseAnimation(const Token& identifier, Animation* animation) {
        ReadHead(identifier);
        bool named = false;
        ReadChildren(
            identifier,
            [&](const Token& child) {
                if (child.text != "AnimationKey") return false;
                ParseAnimationKey(child, &animation->keys.emplace_back());
                return true;
            },
            [&](std::string_view name, int line) {
                if (named) Fail(line, "an Animation names a second frame");
                if (name.empty()) Fail(line, "an Animation refers to its frame without a name");
                animation->frame = name;
                named = true;
            });
        if (!named) Fail(identifier.line, "an Animation names no frame");
    }

    void ParseAnimationKey(const Token& identifier, AnimationKey* key) {
        ReadHead(identifier);
        int typeLine = 0;
        key->type = ReadUInt("a key type", 0xFFFFFFFFu, &typeLine);
        std::uint32_t values = 0;
        switch (key->type) {
        case kRotationKey: values = 4; break;
        case kScaleKey:
        case kPositionKey: values = 3; break;
        case kMatrixKey: values = 16; break;
        default: Fail(typeLine, "unknown animation key type " + std::to_string(key->type));
        }
        const std::uint32_t count = ReadCount("key count", 2 + values);
        key->times.reserve(count);
        key->values.resize(static_cast<std::size_t>(count) * values);
        for (std::uint32_t k = 0; k < count; ++k) {
            key->times.push_back(ReadUInt("a key time"));
            int line = 0;
            const std::uint32_t given = ReadUInt("a key's value count", 0xFFFFFFFFu, &line);
            if (given != values)
                Fail(line, "a key of type " + std::to_string(key->type) + " has " + std::to_string(given) +
                               " values, not " + std::to_string(values));
            ReadFloats(key->values.data() + static_cast<std::size_t>(k) * values, static_cast<int>(values),
                       "a key value");
        }
        ReadChildren(
            identifier, [](const Token&) { return false; }, nullptr);
    }

    Lexer m_lexer;
    File* m_out;
    std::uint64_t m_referenceBudget;
    std::size_t m_frameCount = 0;
    std::map<std::string, std::size_t> m_topLevelMeshes;  // name -> index in File::meshes
    std::map<std::string, Material> m_materials;          // every named material so far
};

bool CheckHeader(std::string_view bytes, Error* error) {
    auto fail = [&](const char* reason) {
        *error = Error{1, reason};
        return false;
    };
    if (bytes.size() < kHeaderBytes || bytes.substr(0, 4) != "xof ") return fail("not an X file (no \"xof \" header)");
    const std::string_view format = bytes.substr(8, 4);
    if (format == "bin ") return fail("binary X files are not supported; the file must be text (\"txt \")");
    if (format == "tzip" || format == "bzip")
        return fail("compressed X files are not supported; the file must be uncompressed text (\"txt \")");
    if (format != "txt ") return fail("unknown X file format in the header");
    for (std::size_t i : {4u, 5u, 6u, 7u})
        if (!IsDigit(bytes[i])) return fail("bad version in the X file header");
    const std::string_view floats = bytes.substr(12, 4);
    if (floats != "0032" && floats != "0064") return fail("bad float size in the X file header");
    return true;
}

}  // namespace

bool Parse(std::string_view bytes, File* out, Error* error) {
    Error ignored;
    if (!error) error = &ignored;
    *out = File();
    if (bytes.size() > kMaxFileBytes) {
        *error = Error{0, "the file is larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB"};
        return false;
    }
    if (!CheckHeader(bytes, error)) return false;
    try {
        Parser(bytes, out).Run();
        return true;
    } catch (const ParseError& failure) {
        *error = Error{failure.line, failure.reason};
    } catch (const std::bad_alloc&) {
        *error = Error{0, "out of memory"};
    } catch (const std::length_error&) {
        *error = Error{0, "out of memory"};
    }
    *out = File();
    return false;
}

std::string DisplayName(const char* path) {
    if (!path) return "(no file name)";
    const std::string resolved = ResolveCaseInsensitivePath(path);
    std::error_code ignored;
    const std::string absolute = std::filesystem::absolute(resolved, ignored).string();
    return absolute.empty() ? resolved : absolute;
}

bool ReadFile(const char* path, File* out) {
    if (!path) {
        vlog::Error(vlog::Category::Assets, "an X file was asked for without a name");
        return false;
    }
    const std::string shown = DisplayName(path);
    const char* name = shown.c_str();
    // Only a regular file within the reader's limit is read: a FIFO named as a
    // model would otherwise block the game.
    std::vector<std::uint8_t> contents;
    std::string reason;
    if (!fs::ReadRegularFile(path, kMaxFileBytes, &contents, &reason)) {
        vlog::LoadFailure(vlog::Category::Assets, name, "cannot open: %s", reason.c_str());
        return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(contents.data()), contents.size());
    Error error;
    if (Parse(bytes, out, &error)) return true;
    // Named as compilers name a place: FILE:LINE: reason.
    if (error.line > 0)
        vlog::LoadFailure(vlog::Category::Assets, (shown + ":" + std::to_string(error.line)).c_str(), "%s",
                          error.reason.c_str());
    else
        vlog::LoadFailure(vlog::Category::Assets, name, "%s", error.reason.c_str());
    return false;
}

}  // namespace xfile
