// Stands in for the title until the real one exists: enters, and every frame
// clears the screen to the common grey and presents, until the window closes.
#pragma once
#include "scene/Scene.h"

class CBlankTitle_Scene : public CScene {
public:
    int InitProc() override;
    int MainProc() override;
    int UpdateProc() override;
    int RenderProc() override;
    int EndProc() override;
};
