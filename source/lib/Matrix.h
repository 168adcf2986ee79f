// CMatrix: the base of every placed object. m_World is rebuilt each frame by
// a short chain of operations, each applied after what is already there
// (about the world axes and the world origin); m_OldWorld is the matrix as it
// was last sent to the device, where other objects find this one.
#pragma once
#include <bit>

#include "platform/d3dx9/d3dx9math.h"

struct IDirect3DDevice9;

class CMatrix {
public:
    CMatrix();
    virtual ~CMatrix();
    // Sends m_World as the device's world transform and records it in
    // m_OldWorld. With a null device only the record is made.
    virtual void SetTransform(IDirect3DDevice9* device);

    void Identity();
    void Move(float x, float y, float z);
    // Angles in degrees, about the world axes.
    void RotateX(float degrees);
    void RotateY(float degrees);
    void RotateZ(float degrees);
    void Scale(float x, float y, float z);

    D3DXVECTOR3* GetPos(D3DXVECTOR3* out) const;
    D3DXVECTOR3* GetOldPos(D3DXVECTOR3* out) const;
    D3DXVECTOR3* GetZAxis(D3DXVECTOR3* out) const;

    // Points the forward axis along direction with the given up; the
    // position stays.
    void LookAt(const D3DXVECTOR3* direction, const D3DXVECTOR3* up);
    void LookAtPos(const D3DXVECTOR3* target, const D3DXVECTOR3* up);
    // Turns the forward axis toward direction by at most maxDegrees, in place.
    void RotateLookAtRelativeAngle(const D3DXVECTOR3* direction, float maxDegrees);
    // Takes the 3 x 3 rotation of a camera's matrix; the position stays.
    void SetBillBoard(const D3DXMATRIX* matrix);
    // Faces the eye while turning only about axis; the position stays.
    void SetBillBoardAxisY(const D3DXVECTOR3* eye, const D3DXVECTOR3* axis);

    D3DXMATRIXA16 m_World;
    D3DXMATRIXA16 m_OldWorld;

private:
    void MultiplyByQuaternion(const D3DXQUATERNION& rotation);
    void SetAxes(const D3DXVECTOR3& x, const D3DXVECTOR3& y, const D3DXVECTOR3& z);
};

// The float's bit pattern, for render states that take floats.
inline DWORD FtoDW(float value) { return std::bit_cast<DWORD>(value); }

// Releases an interface and clears the pointer; a null pointer is left alone.
template <class Interface>
void SafeRelease(Interface** pointer) {
    if (*pointer) {
        (*pointer)->Release();
        *pointer = nullptr;
    }
}

inline D3DXVECTOR3 operator*(float scalar, const D3DXVECTOR3& vector) {
    return D3DXVECTOR3(scalar * vector.x, scalar * vector.y, scalar * vector.z);
}
