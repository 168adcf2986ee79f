#include "lib/ShadowMap.h"

#include "platform/d3dx9/texture_loader.h"
#include "platform/win32/messagebox.h"

CShadowMap::CShadowMap() : m_lpShadowTexture(nullptr), m_lpDepthSurface(nullptr), m_lpEffect(nullptr) {}

void CShadowMap::CreateShadowMapEffect(const char* fileName, UINT width, UINT height, IDirect3DDevice9* device) {
    if (FAILED(D3DXCreateTexture(device, width, height, 0, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT,
                                 &m_lpShadowTexture)) &&
        FAILED(D3DXCreateTexture(device, width, height, 0, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                 &m_lpShadowTexture))) {
        MessageBoxA(nullptr, "テクスチャの作成に失敗しました", "", MB_OK);
    }

    if (m_lpShadowTexture) {
        D3DSURFACE_DESC description{};
        m_lpShadowTexture->GetLevelDesc(0, &description);
        device->CreateDepthStencilSurface(description.Width, description.Height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0,
                                          TRUE, &m_lpDepthSurface, nullptr);
    }

    if (FAILED(D3DXCreateEffectFromFileA(device, fileName, nullptr, nullptr,
                                         D3DXSHADER_DEBUG | D3DXSHADER_SKIPOPTIMIZATION, nullptr, &m_lpEffect,
                                         nullptr))) {
        MessageBoxA(nullptr, "シェーダーファイル読み込み失敗", "", MB_OK);
    }
}

void CShadowMap::ChabgeRenderTarget(IDirect3DDevice9* device) {
    if (!m_lpShadowTexture) return;
    IDirect3DSurface9* level = nullptr;
    if (SUCCEEDED(m_lpShadowTexture->GetSurfaceLevel(0, &level))) {
        device->SetRenderTarget(0, level);
        level->Release();
    }
    device->SetDepthStencilSurface(m_lpDepthSurface);
}

D3DXMATRIX CShadowMap::LightView(const D3DXVECTOR3& lightPosition, const D3DXVECTOR3& lookAt) {
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &lightPosition, &lookAt, &up);
    return view;
}

D3DXMATRIX CShadowMap::LightProjection() {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 1.0f, 1.0f, 2300.0f);
    return projection;
}

D3DXMATRIX CShadowMap::TextureBias(UINT mapWidth, UINT mapHeight) {
    const float offsetX = 0.5f + 0.5f / static_cast<float>(mapWidth);
    const float offsetY = 0.5f + 0.5f / static_cast<float>(mapHeight);
    return D3DXMATRIX(0.5f, 0.0f, 0.0f, 0.0f, 0.0f, -0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, offsetX, offsetY, 0.0f,
                      1.0f);
}

void CShadowMap::SkinObjectCreateShadowMap(D3DXVECTOR3 lightPosition, D3DXVECTOR3 lookAt) {
    if (!m_lpEffect) return;
    const D3DXMATRIX lightViewProjection = LightView(lightPosition, lookAt) * LightProjection();
    m_lpEffect->SetMatrix("LightViewProjection", &lightViewProjection);
    m_lpEffect->SetTechnique("SkinCreateShadowMap");
}

void CShadowMap::ShadowMapSetParam(const D3DXMATRIXA16& world, const D3DXMATRIXA16& view,
                                   const D3DXMATRIXA16& projection, D3DXVECTOR3 lightPosition, D3DXVECTOR3 lookAt,
                                   UINT mapWidth, UINT mapHeight) {
    if (!m_lpEffect) return;
    const D3DXMATRIX lightView = LightView(lightPosition, lookAt);
    const D3DXMATRIX lightProjection = LightProjection();

    m_lpEffect->SetTechnique("ShadowRender");
    m_lpEffect->SetTexture("ShadowMap", m_lpShadowTexture);

    const D3DXMATRIX worldViewProjection = world * view * projection;
    m_lpEffect->SetMatrix("WorldViewProjection", &worldViewProjection);
    const D3DXMATRIX worldLightViewProjection = world * lightView * lightProjection;
    m_lpEffect->SetMatrix("WorldLightViewProjection", &worldLightViewProjection);
    const D3DXMATRIX toMap = worldLightViewProjection * TextureBias(mapWidth, mapHeight);
    m_lpEffect->SetMatrix("WorldLightViewProjectionUV", &toMap);

    // The light in the mesh's own space, normalised with its w of 1 taking
    // part, then made a direction.
    D3DXMATRIX toLocal;
    D3DXMatrixInverse(&toLocal, nullptr, &world);
    D3DXVECTOR4 light;
    D3DXVec3Transform(&light, &lightPosition, &toLocal);
    D3DXVec4Normalize(&light, &light);
    light.w = 0.0f;
    m_lpEffect->SetVector("LightVector", &light);
}

void CShadowMap::UnLoadStaticShadowMap() {
    if (m_lpShadowTexture) {
        m_lpShadowTexture->Release();
        m_lpShadowTexture = nullptr;
    }
    if (m_lpEffect) {
        m_lpEffect->Release();
        m_lpEffect = nullptr;
    }
    if (m_lpDepthSurface) {
        m_lpDepthSurface->Release();
        m_lpDepthSurface = nullptr;
    }
}
