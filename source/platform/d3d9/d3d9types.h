// Plain Direct3D 9 data types shared by the device and the D3DX helpers:
// colours, vectors, matrices, viewports and transform slots, with the
// published layouts and values. No interfaces live here.
#pragma once
#include "platform/win32/wintypes.h"

// 0xAARRGGBB.
using D3DCOLOR = DWORD;

#define D3DCOLOR_ARGB(a, r, g, b)                                                      \
    (static_cast<D3DCOLOR>(((static_cast<DWORD>(a) & 0xffu) << 24) |                    \
                           ((static_cast<DWORD>(r) & 0xffu) << 16) |                    \
                           ((static_cast<DWORD>(g) & 0xffu) << 8) | (static_cast<DWORD>(b) & 0xffu)))
#define D3DCOLOR_RGBA(r, g, b, a) D3DCOLOR_ARGB(a, r, g, b)
#define D3DCOLOR_XRGB(r, g, b) D3DCOLOR_ARGB(0xff, r, g, b)
#define D3DCOLOR_COLORVALUE(r, g, b, a)                                                \
    D3DCOLOR_RGBA(static_cast<DWORD>((r) * 255.f), static_cast<DWORD>((g) * 255.f),     \
                  static_cast<DWORD>((b) * 255.f), static_cast<DWORD>((a) * 255.f))

struct D3DCOLORVALUE {
    float r;
    float g;
    float b;
    float a;
};

struct D3DVECTOR {
    float x;
    float y;
    float z;
};

// Row-major 4 x 4 matrix; _41 _42 _43 is the translation of a row vector.
struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

enum D3DTRANSFORMSTATETYPE {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_WORLD = 256,
};
