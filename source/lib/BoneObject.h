// CBoneObject: a placed, animated character. It borrows a skinned mesh that
// several characters may share and plays its animations on its own clone of
// the mesh's animation controller, so each character keeps its own pose.
// New animations cross-fade in on the other of two tracks.
#pragma once
#include "lib/Matrix.h"
#include "platform/d3dx9/animation.h"

class CSkinXFile;
struct IDirect3DDevice9;

class CBoneObject : public CMatrix {
public:
    CBoneObject();
    ~CBoneObject() override;

    // Attaches the mesh and clones its controller (with the same maxima);
    // every track of the clone starts disabled. 0 when the clone fails, which
    // leaves the object without mesh and controller.
    int SetSkinXFile(CSkinXFile* skinXFile);

    // The animation operations below fail (E_FAIL) and do nothing while the
    // object has no controller (no mesh, or a mesh without animation).

    // Puts an animation set on a track and rewinds the current track.
    HRESULT ChangeAnimation(UINT animation, UINT track);
    // Fades the current track out and the animation in on the other track,
    // over `duration` seconds from `start` in the controller's global time.
    HRESULT ChangeAnimationEvent(UINT animation, float start, float duration);
    HRESULT SetTrackEnable(UINT track, int enable);
    // Drops the pending events of both tracks.
    HRESULT UnkeyAllTrackEvents();
    HRESULT ResetTime();
    // Advances the controller by a time step in seconds, posing the mesh's
    // frames for this object.
    HRESULT Animation(double timeStep);

    // The mesh's frame matrices for this object's world matrix.
    void CalcMatrix();
    using CMatrix::SetTransform;
    // Records the world matrix as last drawn (the device is not involved).
    void SetTransform();
    void Draw(IDirect3DDevice9* device);

    // The current track's position in periods of its animation, unwrapped
    // (above 1 once the animation has looped); 0 without an animation.
    double GetNowAnimePos();
    // The mesh's bounding radius, 0 without mesh.
    float GetBoundingSphereData() const;
    // The mesh's bounding-sphere centre in model space; the origin without mesh.
    D3DXVECTOR3* GetBoundingSpheerCenter(D3DXVECTOR3* center) const;

    // Releases the controller; the mesh is not touched.
    void Unload();

    UINT m_CurrentTrack = 0;
    UINT m_PreviousTrack = 0;
    UINT m_CurrentAnimation = 0;
    UINT m_PreviousAnimation = 0;
    CSkinXFile* m_lpSkinXFile = nullptr;
    ID3DXAnimationController* m_lpAnimController = nullptr;
};
