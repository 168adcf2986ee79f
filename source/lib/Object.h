// CObject: a placed static mesh. The mesh belongs to the mesh cache; the
// object only forwards its draw calls.
#pragma once
#include "lib/Matrix.h"
#include "lib/XFile.h"

class CObject : public CMatrix {
public:
    CObject() = default;
    ~CObject() override = default;
    virtual void Draw(IDirect3DDevice9* device);

    void SetXFile(CXFile* mesh) { m_lpXFile = mesh; }
    void SetToEffectAddress(ID3DXEffect* effect);
    void DrawHLSL(IDirect3DDevice9* device);

    CXFile* m_lpXFile = nullptr;
};
