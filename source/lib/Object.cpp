#include "lib/Object.h"

void CObject::Draw(IDirect3DDevice9* device) {
    if (m_lpXFile) m_lpXFile->DrawXFile(device);
}

void CObject::SetToEffectAddress(ID3DXEffect* effect) {
    if (m_lpXFile) m_lpXFile->SetEffectAddress(effect);
}

void CObject::DrawHLSL(IDirect3DDevice9* device) {
    if (m_lpXFile) m_lpXFile->DrawHLSL(device);
}
