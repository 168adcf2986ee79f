// The D3DX texture functions the game calls: loading image files (PNG, JPEG,
// BMP) into textures at their own pixel size, colour keys, mip chains,
// empty textures, and normal maps computed from height images.
#pragma once
#include "platform/d3d9/texture.h"

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_CHANNEL_RED = 1;
constexpr DWORD D3DX_CHANNEL_BLUE = 2;
constexpr DWORD D3DX_CHANNEL_GREEN = 4;
constexpr DWORD D3DX_CHANNEL_ALPHA = 8;
constexpr DWORD D3DX_CHANNEL_LUMINANCE = 16;

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};

HRESULT D3DXGetImageInfoFromFileA(LPCSTR file, D3DXIMAGE_INFO* info);
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR file, IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR file, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                     IDirect3DTexture9** texture);
HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);
// Normal map into texture from the chosen channel of source as height:
// n = normalize(-dh/dx * amplitude, -dh/dy * amplitude, 1) with central
// differences that wrap at the edges, stored as (n + 1) / 2 in R, G, B.
HRESULT D3DXComputeNormalMap(IDirect3DTexture9* texture, IDirect3DTexture9* source, const PALETTEENTRY* palette,
                             DWORD flags, DWORD channel, float amplitude);
