// The texture cache: one texture per file name (compared byte by byte), the
// first request loads it, a failed load is remembered as null. Also builds
// normal maps from height images.
#pragma once
#include <map>
#include <string>

#include "platform/d3dx9/texture_loader.h"

class CTextureManager {
public:
    static CTextureManager* GetInst();
    static void DeleteInst();

    IDirect3DTexture9* GetTexture(IDirect3DDevice9* device, const char* fileName, DWORD filter, DWORD mipFilter,
                                  float width, float height, D3DCOLOR colorKey, DWORD usage);
    IDirect3DTexture9* GetNormalMap(IDirect3DDevice9* device, const char* fileName, float amplitude);
    int Release();
    HRESULT PeaceRelease(const char* fileName);
    HRESULT PeaceRelease(IDirect3DTexture9* texture);

    virtual ~CTextureManager() = default;

    static CTextureManager* g_Inst;

private:
    CTextureManager() = default;
    std::map<std::string, IDirect3DTexture9*> m_TextureMap;
};
