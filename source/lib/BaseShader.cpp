#include "lib/BaseShader.h"

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
