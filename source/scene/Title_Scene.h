// The title: a two-item menu (start a mission, end the program) over the
// dragon flying above the sea under a turning sky, seen from in front by a
// slightly shaking camera, with a shadow on the sea and distance fog.
// Starting shows a faint loading picture and an advice line for 59 frames.
#pragma once
#include <cstdint>

#include "lib/BaseShader.h"
#include "lib/BoneObject.h"
#include "lib/Camera.h"
#include "lib/HDR.h"
#include "lib/Object.h"
#include "lib/ShadowMap.h"
#include "scene/Scene.h"

class CSkinXFile;
class CTextureManager;
class CDirectInput;
class CDirectGraphics;
class CDirectAudio;
class CDirectSound;

class CTitle_Scene : public CScene {
public:
    static constexpr int MENU_START = 0;
    static constexpr int MENU_END = 1;
    // Frames of the loading picture, counted in its alpha.
    static constexpr std::int16_t LOAD_FRAMES = 60;

    CTitle_Scene();
    ~CTitle_Scene() override;

    int InitProc() override;
    int MainProc() override;
    int UpdateProc() override;
    int RenderProc() override;
    int EndProc() override;

    void InputProc();
    void GeneratShadowMap();
    void MapRender();
    void SpriteRender();

    std::uint8_t m_Decided;
    std::int16_t m_LoadCount;
    float m_SkyAngle;
    std::int16_t m_AdviceNo;
    std::uint8_t m_KeyLatch;
    std::uint8_t m_PadLatch;
    std::int32_t m_Select;
    D3DXVECTOR3 m_LightPos;
    CBoneObject m_Dragoon;
    CSkinXFile* m_lpDragoonSkin;
    CTextureManager* m_lpTextureManager;
    CDirectInput* m_lpInput;
    CDirectGraphics* m_lpGraphics;
    BaseShader m_BaseShader;
    CShadowMap m_ShadowMap;
    CBumpMap m_BumpMap;
    CHDR m_HDR;
    IDirect3DSurface9* m_lpSavedTarget;
    IDirect3DSurface9* m_lpSavedDepth;
    CObject* m_lpSky;
    CObject m_Sea;
    D3DXMATRIXA16 m_Projection;
    CCamera m_Camera;
    CDirectAudio* m_lpAudio;
    CDirectSound* m_lpSound;

private:
    void Confirm();
    void ToggleSelection();
};
