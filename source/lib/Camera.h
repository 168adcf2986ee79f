// The camera: a placed object whose committed matrix becomes the view.
#pragma once
#include "lib/Matrix.h"

class CCamera : public CMatrix {
public:
    CCamera();
    ~CCamera() override;
    // m_View = inverse of m_World, sent as the device's view transform (with a
    // null device only recorded); m_World is recorded in m_OldWorld.
    void SetTransform(IDirect3DDevice9* device) override;

    D3DXMATRIXA16 m_View;
};
