#include "lib/BaseShader.h"

#include "lib/Object.h"

BaseShader::BaseShader() : m_lpEffect(nullptr) {}

void BaseShader::CreateBaseEffect(const char* fileName, IDirect3DDevice9* device) {
    D3DXCreateEffectFromFileA(device, fileName, nullptr, nullptr, 0, nullptr, &m_lpEffect, nullptr);
}

void BaseShader::StaticMeshSetParam(const D3DXMATRIXA16& world, const D3DXMATRIXA16& view,
                                    const D3DXMATRIXA16& projection) {
    if (!m_lpEffect) return;
    const D3DXMATRIX worldViewProjection = world * view * projection;
    m_lpEffect->SetMatrix("WorldViewProjection", &worldViewProjection);
    m_lpEffect->SetTechnique("StaticBasic");
}

void BaseShader::SetSkinningParam(const D3DXMATRIXA16* view, const D3DXMATRIXA16* projection) {
    if (!m_lpEffect) return;
    const D3DXMATRIX viewProjection = *view * *projection;
    m_lpEffect->SetMatrix("ViewProjection", &viewProjection);
    m_lpEffect->SetTechnique("SkinMeshBase");
}

void BaseShader::DrawSkyAndSea(IDirect3DDevice9* device, CObject& sky, CObject& sea, const D3DXMATRIXA16& view,
                               const D3DXMATRIXA16& projection) {
    auto draw = [&](CObject& scenery) {
        StaticMeshSetParam(scenery.m_World, view, projection);
        scenery.SetToEffectAddress(m_lpEffect);
        scenery.DrawHLSL(device);
    };
    // The sea goes down first so the dome's pixels behind it fail the depth
    // test instead of being shaded and painted over. The picture stays the
    // one sky-then-sea gives: both meshes are opaque (RGB textures, material
    // alpha 1) and the scene blends "source alpha, inverse source alpha", so
    // a pixel they draw never depends on what was under it; both write depth,
    // so whichever is nearer wins either way; and the dome is tested "less"
    // where the sea was tested "less or equal", so on a tie the sea still
    // wins. Any other depth or blend state keeps the plain order.
    DWORD zEnable = FALSE, zWrite = FALSE, zFunc = 0, blend = FALSE, source = 0, destination = 0;
    device->GetRenderState(D3DRS_ZENABLE, &zEnable);
    device->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
    device->GetRenderState(D3DRS_ZFUNC, &zFunc);
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    device->GetRenderState(D3DRS_SRCBLEND, &source);
    device->GetRenderState(D3DRS_DESTBLEND, &destination);
    const bool opaqueBlend = blend == FALSE || (source == D3DBLEND_SRCALPHA && destination == D3DBLEND_INVSRCALPHA);
    if (zEnable == FALSE || zWrite == FALSE || zFunc != D3DCMP_LESSEQUAL || !opaqueBlend) {
        draw(sky);
        draw(sea);
        return;
    }
    draw(sea);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    draw(sky);
    device->SetRenderState(D3DRS_ZFUNC, zFunc);
}

void BaseShader::Release() {
    if (m_lpEffect) {
        m_lpEffect->Release();
        m_lpEffect = nullptr;
    }
}

CBumpMap::CBumpMap() : m_lpEffect(nullptr), m_lpNormalMap(nullptr) {}

void CBumpMap::CreateBumpTexture(const char* fileName, IDirect3DDevice9* device) {
    D3DXCreateEffectFromFileA(device, fileName, nullptr, nullptr, 0, nullptr, &m_lpEffect, nullptr);
}

void CBumpMap::UnLoadBumpData() {
    if (m_lpEffect) {
        m_lpEffect->Release();
        m_lpEffect = nullptr;
    }
}

void CBumpMap::BumpMapSetParam(const D3DXMATRIXA16& view, const D3DXMATRIXA16& world, const D3DXMATRIXA16& projection,
                               D3DXVECTOR3 light, float scale) {
    if (!m_lpEffect) return;
    D3DXMATRIX inverseView;
    D3DXMatrixInverse(&inverseView, nullptr, &view);

    // The light goes through the inverse view as a point; only its direction
    // part is normalised, w keeps what the product gave.
    D3DXVECTOR4 lightVector;
    D3DXVec3Transform(&lightVector, &light, &inverseView);
    D3DXVECTOR3 direction(lightVector.x, lightVector.y, lightVector.z);
    D3DXVec3Normalize(&direction, &direction);
    lightVector = D3DXVECTOR4(direction.x, direction.y, direction.z, lightVector.w);
    m_lpEffect->SetVector("vecLightDir", &lightVector);

    const D3DXVECTOR3 eye(inverseView._41, inverseView._42, inverseView._43);
    const D3DXMATRIX worldInverseView = world * inverseView;
    D3DXMATRIX toLocal;
    D3DXMatrixInverse(&toLocal, nullptr, &worldInverseView);
    D3DXVECTOR4 eyeVector;
    D3DXVec3Transform(&eyeVector, &eye, &toLocal);
    m_lpEffect->SetVector("vecEyePos", &eyeVector);

    const D3DXMATRIX viewProjection = view * projection;
    m_lpEffect->SetMatrix("ViewProjection", &viewProjection);
    m_lpEffect->SetFloat("ScaleValue", scale);
    m_lpEffect->SetTexture("NormalMap", m_lpNormalMap);
    m_lpEffect->SetTechnique("SkinMeshBumpMap");
}
