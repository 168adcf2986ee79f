#include "scene/Scene.h"

SCENE_KIND CScene::m_NextScene = SCENE_NONE;
SCENE_RETRY CScene::m_RetryScene = RETRY_CONTINUE;
