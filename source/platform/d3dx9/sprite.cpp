#include "platform/d3dx9/sprite.h"

#include <iterator>

#include "platform/d3d9/fixed_function.h"
#include "platform/d3d9/texture.h"

namespace {
D3DMATRIX Identity() {
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    return identity;
}

// The render states a sprite batch sets while it draws, and restores after.
struct SavedState {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
constexpr D3DRENDERSTATETYPE kSpriteStates[] = {
    D3DRS_ALPHABLENDENABLE,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_BLENDOP,
    D3DRS_ALPHATESTENABLE,
    D3DRS_ALPHAFUNC,
    D3DRS_ALPHAREF,
    D3DRS_CULLMODE,
    D3DRS_ZENABLE,
    D3DRS_FOGENABLE,
    D3DRS_SEPARATEALPHABLENDENABLE,
};
constexpr D3DTEXTURESTAGESTATETYPE kSpriteStageStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                           D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
constexpr D3DSAMPLERSTATETYPE kSpriteSamplerStates[] = {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};
}  // namespace

ID3DXSprite::ID3DXSprite(IDirect3DDevice9* device) : m_device(device), m_transform(Identity()) { m_device->AddRef(); }

ID3DXSprite::~ID3DXSprite() {
    for (Quad& quad : m_quads) quad.texture->Release();
    m_device->Release();
}

HRESULT ID3DXSprite::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *device = m_device;
    return D3D_OK;
}

HRESULT ID3DXSprite::Begin(DWORD flags) {
    if (m_inBatch) return D3DERR_INVALIDCALL;
    m_inBatch = true;
    m_flags = flags;
    return D3D_OK;
}

HRESULT ID3DXSprite::SetTransform(const D3DMATRIX* transform) {
    if (!transform) return D3DERR_INVALIDCALL;
    m_transform = *transform;
    return D3D_OK;
}

HRESULT ID3DXSprite::GetTransform(D3DMATRIX* transform) {
    if (!transform) return D3DERR_INVALIDCALL;
    *transform = m_transform;
    return D3D_OK;
}

HRESULT ID3DXSprite::Draw(IDirect3DTexture9* texture, const RECT* sourceRect, const D3DVECTOR* center,
                          const D3DVECTOR* position, D3DCOLOR colour) {
    if (!m_inBatch || !texture) return D3DERR_INVALIDCALL;
    const float textureWidth = static_cast<float>(texture->Width());
    const float textureHeight = static_cast<float>(texture->Height());
    const RECT source = sourceRect
                            ? *sourceRect
                            : RECT{0, 0, static_cast<LONG>(texture->Width()), static_cast<LONG>(texture->Height())};
    const float width = static_cast<float>(source.right - source.left);
    const float height = static_cast<float>(source.bottom - source.top);
    const float originX = (position ? position->x : 0.0f) - (center ? center->x : 0.0f);
    const float originY = (position ? position->y : 0.0f) - (center ? center->y : 0.0f);
    const float z = (position ? position->z : 0.0f) - (center ? center->z : 0.0f);

    Quad quad;
    quad.texture = texture;
    const float corners[4][2] = {{0, 0}, {width, 0}, {0, height}, {width, height}};
    const D3DMATRIX& m = m_transform;
    for (int i = 0; i < 4; ++i) {
        const float x = originX + corners[i][0], y = originY + corners[i][1];
        Vertex& v = quad.corners[i];
        v.x = x * m._11 + y * m._21 + z * m._31 + m._41;
        v.y = x * m._12 + y * m._22 + z * m._32 + m._42;
        v.z = 0.0f;
        v.rhw = 1.0f;
        v.colour = colour;
        v.u = (static_cast<float>(source.left) + corners[i][0]) / textureWidth;
        v.v = (static_cast<float>(source.top) + corners[i][1]) / textureHeight;
    }
    texture->AddRef();
    m_quads.push_back(quad);
    return D3D_OK;
}

HRESULT ID3DXSprite::Flush() {
    if (!m_inBatch) return D3DERR_INVALIDCALL;
    m_lastFlushDraws = 0;
    if (m_quads.empty()) return D3D_OK;

    const bool modifyStates = (m_flags & D3DXSPRITE_DONOTMODIFY_RENDERSTATE) == 0;
    SavedState saved[std::size(kSpriteStates)];
    DWORD savedStage[std::size(kSpriteStageStates)];
    DWORD savedSampler[std::size(kSpriteSamplerStates)];
    DWORD savedFvf = 0;
    m_device->GetFVF(&savedFvf);
    if (modifyStates) {
        for (size_t i = 0; i < std::size(kSpriteStates); ++i)
            saved[i] = SavedState{kSpriteStates[i], m_device->RenderState(kSpriteStates[i])};
        for (size_t i = 0; i < std::size(kSpriteStageStates); ++i)
            savedStage[i] = m_device->TextureStageState(0, kSpriteStageStates[i]);
        for (size_t i = 0; i < std::size(kSpriteSamplerStates); ++i)
            m_device->GetSamplerState(0, kSpriteSamplerStates[i], &savedSampler[i]);
        const bool blend = (m_flags & D3DXSPRITE_ALPHABLEND) != 0;
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        m_device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
        m_device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
        if (blend) {
            m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            m_device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
            m_device->SetRenderState(D3DRS_ALPHAREF, 0);
        } else {
            m_device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        }
        m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_device->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    }

    const d3d9::FvfLayout layout = d3d9::DecodeFvf(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    size_t start = 0;
    while (start < m_quads.size()) {
        IDirect3DTexture9* texture = m_quads[start].texture;
        size_t end = start;
        m_scratch.clear();
        while (end < m_quads.size() && m_quads[end].texture == texture) {
            const Vertex* c = m_quads[end].corners;
            m_scratch.insert(m_scratch.end(), {c[0], c[1], c[2], c[2], c[1], c[3]});
            ++end;
        }
        d3d9::DrawFixedFunction(m_device, D3DPT_TRIANGLELIST, static_cast<unsigned>(m_scratch.size()), m_scratch.data(),
                                layout, texture);
        ++m_lastFlushDraws;
        start = end;
    }
    for (Quad& quad : m_quads) quad.texture->Release();
    m_quads.clear();

    if (modifyStates) {
        for (const SavedState& state : saved) m_device->SetRenderState(state.state, state.value);
        for (size_t i = 0; i < std::size(kSpriteStageStates); ++i)
            m_device->SetTextureStageState(0, kSpriteStageStates[i], savedStage[i]);
        for (size_t i = 0; i < std::size(kSpriteSamplerStates); ++i)
            m_device->SetSamplerState(0, kSpriteSamplerStates[i], savedSampler[i]);
    }
    m_device->SetFVF(savedFvf);
    return D3D_OK;
}

HRESULT ID3DXSprite::End() {
    if (!m_inBatch) return D3DERR_INVALIDCALL;
    Flush();
    m_inBatch = false;
    return D3D_OK;
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
    if (!device || !sprite) return D3DERR_INVALIDCALL;
    *sprite = new ID3DXSprite(device);
    return D3D_OK;
}
