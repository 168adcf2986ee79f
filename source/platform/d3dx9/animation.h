// The D3DX animation subset: keyframed animation sets (scale, rotation and
// translation keys per named frame) and the animation controller that plays
// them on tracks, blends tracks and writes the frames' matrices.
// The X-file loader builds sets and controllers through the creation
// functions below, exactly as published D3DX does.
#pragma once
#include "platform/d3dx9/d3dx9math.h"
#include "platform/win32/unknown.h"

using LPCSTR = const char*;

enum D3DXPLAYBACK_TYPE : DWORD {
    D3DXPLAY_LOOP = 0,
    D3DXPLAY_ONCE = 1,
    D3DXPLAY_PINGPONG = 2,
};

enum D3DXTRANSITION_TYPE : DWORD {
    D3DXTRANSITION_LINEAR = 0,
    D3DXTRANSITION_EASEINEASEOUT = 1,
};

enum D3DXPRIORITY_TYPE : DWORD {
    D3DXPRIORITY_LOW = 0,
    D3DXPRIORITY_HIGH = 1,
};

struct D3DXKEY_VECTOR3 {
    float Time;  // in ticks
    D3DXVECTOR3 Value;
};

struct D3DXKEY_QUATERNION {
    float Time;  // in ticks
    D3DXQUATERNION Value;
};

struct D3DXKEY_CALLBACK {
    float Time;
    void* pCallbackData;
};

struct D3DXTRACK_DESC {
    D3DXPRIORITY_TYPE Priority;
    float Weight;
    float Speed;
    double Position;
    BOOL Enable;
};

using D3DXEVENTHANDLE = DWORD;

class ID3DXAnimationCallbackHandler;

class ID3DXAnimationSet : public IUnknown {
public:
    virtual LPCSTR GetName() = 0;
    virtual double GetPeriod() = 0;
    // Local time within the period for a position (looping sets wrap).
    virtual double GetPeriodicPosition(double position) = 0;
    virtual UINT GetNumAnimations() = 0;
    virtual HRESULT GetAnimationNameByIndex(UINT index, LPCSTR* name) = 0;
    virtual HRESULT GetAnimationIndexByName(LPCSTR name, UINT* index) = 0;
    // The frame matrix parts of one animation at a periodic position.
    virtual HRESULT GetSRT(double periodicPosition, UINT animation, D3DXVECTOR3* scale, D3DXQUATERNION* rotation,
                           D3DXVECTOR3* translation) = 0;
};
using LPD3DXANIMATIONSET = ID3DXAnimationSet*;

class ID3DXKeyframedAnimationSet : public ID3DXAnimationSet {
public:
    virtual double GetSourceTicksPerSecond() = 0;
    virtual HRESULT RegisterAnimationSRTKeys(LPCSTR name, UINT scaleKeyCount, UINT rotationKeyCount,
                                             UINT translationKeyCount, const D3DXKEY_VECTOR3* scaleKeys,
                                             const D3DXKEY_QUATERNION* rotationKeys,
                                             const D3DXKEY_VECTOR3* translationKeys, DWORD* animationIndex) = 0;
};

class ID3DXAnimationController : public IUnknown {
public:
    virtual UINT GetMaxNumAnimationOutputs() = 0;
    virtual UINT GetMaxNumAnimationSets() = 0;
    virtual UINT GetMaxNumTracks() = 0;
    virtual UINT GetMaxNumEvents() = 0;

    virtual HRESULT RegisterAnimationOutput(LPCSTR name, D3DXMATRIX* matrix, D3DXVECTOR3* scale,
                                            D3DXQUATERNION* rotation, D3DXVECTOR3* translation) = 0;
    virtual HRESULT RegisterAnimationSet(ID3DXAnimationSet* set) = 0;
    virtual UINT GetNumAnimationSets() = 0;
    virtual HRESULT GetAnimationSet(UINT index, ID3DXAnimationSet** set) = 0;
    virtual HRESULT GetAnimationSetByName(LPCSTR name, ID3DXAnimationSet** set) = 0;

    virtual HRESULT AdvanceTime(double timeDelta, ID3DXAnimationCallbackHandler* handler) = 0;
    virtual HRESULT ResetTime() = 0;
    virtual double GetTime() = 0;

    virtual HRESULT SetTrackAnimationSet(UINT track, ID3DXAnimationSet* set) = 0;
    virtual HRESULT GetTrackAnimationSet(UINT track, ID3DXAnimationSet** set) = 0;
    virtual HRESULT SetTrackPriority(UINT track, D3DXPRIORITY_TYPE priority) = 0;
    virtual HRESULT SetTrackSpeed(UINT track, float speed) = 0;
    virtual HRESULT SetTrackWeight(UINT track, float weight) = 0;
    virtual HRESULT SetTrackPosition(UINT track, double position) = 0;
    virtual HRESULT SetTrackEnable(UINT track, BOOL enable) = 0;
    virtual HRESULT SetTrackDesc(UINT track, const D3DXTRACK_DESC* description) = 0;
    virtual HRESULT GetTrackDesc(UINT track, D3DXTRACK_DESC* description) = 0;

    virtual D3DXEVENTHANDLE KeyTrackSpeed(UINT track, float newSpeed, double startTime, double duration,
                                          D3DXTRANSITION_TYPE transition) = 0;
    virtual D3DXEVENTHANDLE KeyTrackWeight(UINT track, float newWeight, double startTime, double duration,
                                           D3DXTRANSITION_TYPE transition) = 0;
    virtual D3DXEVENTHANDLE KeyTrackPosition(UINT track, double newPosition, double startTime) = 0;
    virtual D3DXEVENTHANDLE KeyTrackEnable(UINT track, BOOL newEnable, double startTime) = 0;
    virtual HRESULT UnkeyAllTrackEvents(UINT track) = 0;

    virtual HRESULT CloneAnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents,
                                             ID3DXAnimationController** clone) = 0;
};
using LPD3DXANIMATIONCONTROLLER = ID3DXAnimationController*;

HRESULT D3DXCreateKeyframedAnimationSet(LPCSTR name, double ticksPerSecond, D3DXPLAYBACK_TYPE playback,
                                        UINT animationCount, UINT callbackKeyCount,
                                        const D3DXKEY_CALLBACK* callbackKeys, ID3DXKeyframedAnimationSet** set);
HRESULT D3DXCreateAnimationController(UINT maxOutputs, UINT maxSets, UINT maxTracks, UINT maxEvents,
                                      ID3DXAnimationController** controller);
