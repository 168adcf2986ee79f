// The reference-counted interface base of every layer object that the game
// releases (devices, textures, meshes, sound buffers, effects, ...).
// Creation hands out one reference; Release deletes at zero.
#pragma once
#include "platform/win32/wintypes.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID, void** object) {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    virtual ULONG AddRef() { return ++m_referenceCount; }
    virtual ULONG Release() {
        const ULONG remaining = --m_referenceCount;
        if (remaining == 0) delete this;
        return remaining;
    }

    IUnknown() = default;
    IUnknown(const IUnknown&) = delete;
    IUnknown& operator=(const IUnknown&) = delete;

protected:
    virtual ~IUnknown() = default;

private:
    ULONG m_referenceCount = 1;
};
using LPUNKNOWN = IUnknown*;
