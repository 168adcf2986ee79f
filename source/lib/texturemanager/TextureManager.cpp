#include "lib/texturemanager/TextureManager.h"

#include "lib/DefaultDefine.h"
#include "platform/win32/messagebox.h"

CTextureManager* CTextureManager::g_Inst = nullptr;

namespace {
// Sizes arrive as floats; the callers' 4294967296.0 means "the file's own
// size" and must not reach an unsigned conversion that cannot hold it.
UINT LoaderSize(float size) {
    if (!(size >= 0.0f) || size >= 4294967295.0f) return D3DX_DEFAULT;
    return static_cast<UINT>(size);
}

void ReportNormalMapFailure() { MessageBoxA(nullptr, "テクスチャの読み込みに失敗しました", nullptr, MB_OK); }
}  // namespace

CTextureManager* CTextureManager::GetInst() {
    if (!g_Inst) g_Inst = new CTextureManager;
    return g_Inst;
}

void CTextureManager::DeleteInst() {
    delete g_Inst;
    g_Inst = nullptr;
}

IDirect3DTexture9* CTextureManager::GetTexture(IDirect3DDevice9* device, const char* fileName, DWORD filter,
                                               DWORD mipFilter, float width, float height, D3DCOLOR colorKey,
                                               DWORD usage) {
    if (!fileName) return nullptr;
    auto found = m_TextureMap.find(fileName);
    if (found != m_TextureMap.end()) return found->second;

    const D3DPOOL pool =
        usage == D3DUSAGE_RENDERTARGET || usage == D3DUSAGE_DYNAMIC ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result =
        D3DXCreateTextureFromFileExA(device, fileName, LoaderSize(width), LoaderSize(height), D3DX_DEFAULT, usage,
                                     D3DFMT_UNKNOWN, pool, filter, mipFilter, colorKey, nullptr, nullptr, &texture);
    if (FAILED(result)) {
        ShowDXErrorString(result);
        texture = nullptr;
    }
    m_TextureMap[fileName] = texture;
    return texture;
}

IDirect3DTexture9* CTextureManager::GetNormalMap(IDirect3DDevice9* device, const char* fileName, float amplitude) {
    if (!fileName) return nullptr;
    auto found = m_TextureMap.find(fileName);
    if (found != m_TextureMap.end()) return found->second;

    IDirect3DTexture9* normalMap = nullptr;
    IDirect3DTexture9* heightImage = nullptr;
    if (FAILED(D3DXCreateTextureFromFileA(device, fileName, &heightImage))) {
        ReportNormalMapFailure();
    } else {
        D3DSURFACE_DESC description{};
        heightImage->GetLevelDesc(0, &description);
        if (FAILED(D3DXCreateTexture(device, description.Width, description.Height, 0, 0, D3DFMT_X8R8G8B8,
                                     D3DPOOL_MANAGED, &normalMap))) {
            ReportNormalMapFailure();
            normalMap = nullptr;
        } else if (FAILED(D3DXComputeNormalMap(normalMap, heightImage, nullptr, 0, D3DX_CHANNEL_RED, amplitude))) {
            ReportNormalMapFailure();
            normalMap->Release();
            normalMap = nullptr;
        }
        heightImage->Release();
    }
    // A failed build is remembered like a failed load.
    m_TextureMap[fileName] = normalMap;
    return normalMap;
}

int CTextureManager::Release() {
    for (auto& entry : m_TextureMap)
        if (entry.second) entry.second->Release();
    m_TextureMap.clear();
    return 0;
}

HRESULT CTextureManager::PeaceRelease(const char* fileName) {
    if (!fileName) return E_FAIL;
    auto found = m_TextureMap.find(fileName);
    if (found == m_TextureMap.end()) return E_FAIL;
    if (found->second) found->second->Release();
    m_TextureMap.erase(found);
    return S_OK;
}

HRESULT CTextureManager::PeaceRelease(IDirect3DTexture9* texture) {
    if (!texture) return S_OK;
    for (auto it = m_TextureMap.begin(); it != m_TextureMap.end(); ++it) {
        if (it->second == texture) {
            texture->Release();
            m_TextureMap.erase(it);
            return S_OK;
        }
    }
    return E_FAIL;
}
