// ID3DXBuffer: a block of bytes handed out by D3DX functions (materials,
// adjacency, compile errors).
#pragma once
#include <cstring>
#include <vector>

#include "platform/win32/unknown.h"

class ID3DXBuffer : public IUnknown {
public:
    explicit ID3DXBuffer(size_t size) : m_bytes(size) {}
    ID3DXBuffer(const void* data, size_t size) : m_bytes(size) {
        if (size) std::memcpy(m_bytes.data(), data, size);
    }
    void* GetBufferPointer() { return m_bytes.data(); }
    DWORD GetBufferSize() const { return static_cast<DWORD>(m_bytes.size()); }

private:
    ~ID3DXBuffer() override = default;
    std::vector<unsigned char> m_bytes;
};
using LPD3DXBUFFER = ID3DXBuffer*;
