// The placed objects' hand-over to the graphics device: world and view
// transforms. Kept apart from the matrix arithmetic, which needs no device.
#include "lib/Camera.h"
#include "lib/Matrix.h"

#include "lib/DirectGraphics.h"

namespace {
void SendTransform(IDirect3DDevice9* device, D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (device) device->SetTransform(state, matrix);
}
}  // namespace

void CMatrix::SetTransform(IDirect3DDevice9* device) {
    SendTransform(device, D3DTS_WORLD, &m_World);
    m_OldWorld = m_World;
}

void CCamera::SetTransform(IDirect3DDevice9* device) {
    D3DXMatrixInverse(&m_View, nullptr, &m_World);
    SendTransform(device, D3DTS_VIEW, &m_View);
    m_OldWorld = m_World;
}
