// Geometry computed from a mesh's vertices: normals, tangents, bounds and
// face adjacency.
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/d3dx9/mesh.h"

namespace {
D3DXVECTOR3 ReadVector(const std::uint8_t* at) {
    D3DXVECTOR3 v;
    std::memcpy(&v.x, at, 12);
    return v;
}

void WriteVector(std::uint8_t* at, const D3DXVECTOR3& v) { std::memcpy(at, &v.x, 12); }

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v, const D3DXVECTOR3& fallback) {
    const float length = std::sqrt(Dot(v, v));
    return length > 1e-12f ? D3DXVECTOR3(v.x / length, v.y / length, v.z / length) : fallback;
}

bool FloatVector(const D3DVERTEXELEMENT9* element) {
    return element && (element->Type == D3DDECLTYPE_FLOAT3 || element->Type == D3DDECLTYPE_FLOAT4);
}
}  // namespace

HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD*) {
    if (!mesh) return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9* position = mesh->FindElement(D3DDECLUSAGE_POSITION, 0);
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    if (!FloatVector(position) || !normal || normal->Type != D3DDECLTYPE_FLOAT3) return D3DERR_INVALIDCALL;
    std::vector<D3DXVECTOR3> sums(mesh->GetNumVertices(), D3DXVECTOR3(0, 0, 0));
    for (DWORD face = 0; face < mesh->GetNumFaces(); ++face) {
        DWORD corner[3];
        D3DXVECTOR3 p[3];
        for (int k = 0; k < 3; ++k) {
            corner[k] = mesh->Index(face * 3 + k);
            if (corner[k] >= mesh->GetNumVertices()) return D3DERR_INVALIDCALL;
            p[k] = ReadVector(mesh->Vertex(corner[k]) + position->Offset);
        }
        // Left-handed, clockwise front faces: (p1 - p0) x (p2 - p0) faces
        // the viewer. Its length weights larger faces more.
        const D3DXVECTOR3 n = Cross(p[1] - p[0], p[2] - p[0]);
        for (DWORD v : corner) sums[v] += n;
    }
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        WriteVector(mesh->Vertex(v) + normal->Offset, Normalised(sums[v], D3DXVECTOR3(0, 0, 0)));
    mesh->UnlockVertexBuffer();
    return D3D_OK;
}

HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD textureStage, DWORD tangentIndex, DWORD binormalIndex, DWORD,
                           const DWORD*) {
    if (!mesh) return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9* position = mesh->FindElement(D3DDECLUSAGE_POSITION, 0);
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    const D3DVERTEXELEMENT9* uv = mesh->FindElement(D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(textureStage));
    const D3DVERTEXELEMENT9* tangent = mesh->FindElement(D3DDECLUSAGE_TANGENT, static_cast<BYTE>(tangentIndex));
    const D3DVERTEXELEMENT9* binormal =
        binormalIndex == D3DX_DEFAULT ? nullptr
                                      : mesh->FindElement(D3DDECLUSAGE_BINORMAL, static_cast<BYTE>(binormalIndex));
    if (!FloatVector(position) || !normal || !uv || uv->Type == D3DDECLTYPE_FLOAT1 || !FloatVector(tangent) ||
        (binormalIndex != D3DX_DEFAULT && !FloatVector(binormal)))
        return D3DERR_INVALIDCALL;
    const DWORD count = mesh->GetNumVertices();
    std::vector<D3DXVECTOR3> tangents(count, D3DXVECTOR3(0, 0, 0)), binormals(count, D3DXVECTOR3(0, 0, 0));
    for (DWORD face = 0; face < mesh->GetNumFaces(); ++face) {
        DWORD corner[3];
        D3DXVECTOR3 p[3];
        float t[3][2];
        for (int k = 0; k < 3; ++k) {
            corner[k] = mesh->Index(face * 3 + k);
            if (corner[k] >= count) return D3DERR_INVALIDCALL;
            p[k] = ReadVector(mesh->Vertex(corner[k]) + position->Offset);
            std::memcpy(t[k], mesh->Vertex(corner[k]) + uv->Offset, 8);
        }
        const D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0];
        const float du1 = t[1][0] - t[0][0], dv1 = t[1][1] - t[0][1];
        const float du2 = t[2][0] - t[0][0], dv2 = t[2][1] - t[0][1];
        const float determinant = du1 * dv2 - du2 * dv1;
        if (std::fabs(determinant) < 1e-12f) continue;
        const float r = 1.0f / determinant;
        const D3DXVECTOR3 dPdu = (e1 * dv2 - e2 * dv1) * r;
        const D3DXVECTOR3 dPdv = (e2 * du1 - e1 * du2) * r;
        for (DWORD v : corner) {
            tangents[v] += dPdu;
            binormals[v] += dPdv;
        }
    }
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    for (DWORD v = 0; v < count; ++v) {
        std::uint8_t* vertex = mesh->Vertex(v);
        const D3DXVECTOR3 n =
            normal->Type == D3DDECLTYPE_FLOAT3 ? ReadVector(vertex + normal->Offset) : D3DXVECTOR3(0, 0, 0);
        // Gram-Schmidt against the normal; a vertex without texture
        // gradient gets any direction across the normal.
        D3DXVECTOR3 across = tangents[v] - n * Dot(n, tangents[v]);
        const D3DXVECTOR3 fallback =
            std::fabs(n.x) < 0.9f ? Cross(n, D3DXVECTOR3(1, 0, 0)) * -1.0f : Cross(n, D3DXVECTOR3(0, 1, 0));
        const D3DXVECTOR3 t = Normalised(across, Normalised(fallback, D3DXVECTOR3(1, 0, 0)));
        WriteVector(vertex + tangent->Offset, t);
        if (binormal) {
            D3DXVECTOR3 b = binormals[v] - n * Dot(n, binormals[v]) - t * Dot(t, binormals[v]);
            WriteVector(vertex + binormal->Offset, Normalised(b, Cross(n, t)));
        }
    }
    mesh->UnlockVertexBuffer();
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* centre,
                                  float* radius) {
    if (!firstPosition || !centre || !radius || count == 0 || stride < 12) return D3DERR_INVALIDCALL;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(firstPosition);
    D3DXVECTOR3 sum(0, 0, 0);
    for (DWORD i = 0; i < count; ++i) sum += ReadVector(bytes + static_cast<size_t>(i) * stride);
    const D3DXVECTOR3 mean = sum / static_cast<float>(count);
    float largest = 0.0f;
    for (DWORD i = 0; i < count; ++i) {
        const D3DXVECTOR3 d = ReadVector(bytes + static_cast<size_t>(i) * stride) - mean;
        largest = std::max(largest, Dot(d, d));
    }
    *centre = mean;
    *radius = std::sqrt(largest);
    return D3D_OK;
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride, D3DXVECTOR3* minimum,
                               D3DXVECTOR3* maximum) {
    if (!firstPosition || !minimum || !maximum || count == 0 || stride < 12) return D3DERR_INVALIDCALL;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(firstPosition);
    D3DXVECTOR3 low = ReadVector(bytes), high = low;
    for (DWORD i = 1; i < count; ++i) {
        const D3DXVECTOR3 p = ReadVector(bytes + static_cast<size_t>(i) * stride);
        low = D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    *minimum = low;
    *maximum = high;
    return D3D_OK;
}

namespace d3dx9 {
std::vector<DWORD> ComputeAdjacency(const ID3DXMesh& mesh) {
    const DWORD faces = mesh.GetNumFaces();
    std::vector<DWORD> adjacency(static_cast<size_t>(faces) * 3, 0xFFFFFFFFu);
    const D3DVERTEXELEMENT9* position = mesh.FindElement(D3DDECLUSAGE_POSITION, 0);
    if (!FloatVector(position)) return adjacency;
    // Vertices at one position share one representative.
    using Key = std::tuple<float, float, float>;
    std::map<Key, DWORD> representative;
    std::vector<DWORD> pointRep(mesh.GetNumVertices());
    for (DWORD v = 0; v < mesh.GetNumVertices(); ++v) {
        const D3DXVECTOR3 p = ReadVector(mesh.Vertex(v) + position->Offset);
        pointRep[v] = representative.emplace(Key(p.x, p.y, p.z), v).first->second;
    }
    auto rep = [&](DWORD corner) {
        const DWORD v = mesh.Index(corner);
        return v < pointRep.size() ? pointRep[v] : v;
    };
    // An edge a -> b of one face meets b -> a of its neighbour.
    std::map<std::pair<DWORD, DWORD>, DWORD> openEdges;
    for (DWORD face = 0; face < faces; ++face)
        for (int k = 0; k < 3; ++k)
            openEdges.emplace(std::make_pair(rep(face * 3 + k), rep(face * 3 + (k + 1) % 3)), face * 3 + k);
    for (DWORD face = 0; face < faces; ++face)
        for (int k = 0; k < 3; ++k) {
            auto found = openEdges.find(std::make_pair(rep(face * 3 + (k + 1) % 3), rep(face * 3 + k)));
            if (found != openEdges.end() && found->second / 3 != face) adjacency[face * 3 + k] = found->second / 3;
        }
    return adjacency;
}
}  // namespace d3dx9
