// CDragoon: the player. One skinned dragon that flies forward without pause,
// turns, climbs and dives under the player's hands, dashes sideways, launches
// every player weapon, places the chase camera, and takes damage and energy
// from the billboards that touch it. A singleton for the length of a mission.
#pragma once
#include "game/GameState.h"
#include "game/Laser.h"
#include "game/OverDrive.h"
#include "game/PlayerStatus.h"
#include "lib/BoneObject.h"

class BaseShader;
class CBumpMap;
class CCamera;
class CDirectInput;
class CShadowMap;
class CSphereHit;
struct D3DXFRAME_DERIVED;
struct IDirect3DDevice9;

class CDragoon : public CBoneObject {
public:
    // The dragon's animation sets.
    enum : UINT { ANIMATION_FLIGHT = 0, ANIMATION_DASH_RIGHT = 1, ANIMATION_DASH_LEFT = 2 };
    static constexpr int kMatrixLogLength = 30;

    static CDragoon* GetInstance();
    static void DeleteInstance(CDragoon* unused);

    // Loads the model and resets the whole mission state of the dragon.
    void InitProc(IDirect3DDevice9* device, GAME_STATE* gameState);
    void SetHLSL(BaseShader* baseShader, CShadowMap* shadowMap, CBumpMap* bumpMap);
    void SetViewObject(CCamera* camera);
    // One frame of a running or cleared mission.
    void UpdateProc(IDirect3DDevice9* device);
    // One frame of a paused mission: only the resume press is read.
    void PauseProcess(IDirect3DDevice9* device);
    // Advances the animation, commits the pose and draws it.
    void RenderProc(IDirect3DDevice9* device);
    void EndProc();
    PlayerStatus* GetPlayerStatusAddress() { return &m_Status; }

    ~CDragoon() override;

    // The frame's input, movement and view steps.
    void KeyBoardProcess(IDirect3DDevice9* device);
    void JoyStickProcess(IDirect3DDevice9* device);
    void MoveProcess();
    void UpdateViewObject();
    void ClearUpdateViewObject();
    void DragoonJudgmentProcess();

    BYTE m_KeyState[256];
    float m_Speed;
    float m_DashSpeed = 0.0f;
    float m_ClearAngle = 0.0f;
    D3DXFRAME_DERIVED* m_lpNeckFrame = nullptr;
    D3DXMATRIX m_MouthMatrix;
    BaseShader* m_lpBaseShader = nullptr;
    CShadowMap* m_lpShadowMap = nullptr;
    CBumpMap* m_lpBumpMap = nullptr;
    COverDrive m_OverDrive;
    D3DXMATRIX m_MatrixLog[kMatrixLogLength];
    CCamera* m_lpViewObject = nullptr;
    CDirectInput* m_lpInput = nullptr;
    PlayerStatus m_Status;
    GAME_STATE* m_lpGameState = nullptr;
    CLaserType m_LaserType;
    CSphereHit* m_lpSphereHit = nullptr;

    static CDragoon* m_lpDragoon;

private:
    CDragoon();

    // The actions that the keyboard and the controller share.
    void Pause();
    void Attack();
    void Laser(IDirect3DDevice9* device);
    void OverDrive();
    void ChangeMode();
    void Dash(int direction);
    void Resume();
    // Reads the keyboard into m_KeyState, marking the keys that changed.
    BYTE* RefreshKeyboard(BYTE keys[256]);
    bool PollController();
    void CameraShake(float* x, float* y) const;
};
