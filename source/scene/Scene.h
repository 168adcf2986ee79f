// The abstract scene and the two values through which a scene says what
// happens next. The scene manager runs scenes one after another; each is
// entered (InitProc), run frame by frame (MainProc) and left (EndProc), and
// the same scene object may be entered many times.
#pragma once

enum SCENE_KIND : unsigned int {
    SCENE_NONE = 0,
    SCENE_TITLE = 1,
    SCENE_GAME = 2,
    SCENE_RANKING = 3,
};

enum SCENE_RETRY : int {
    RETRY_CONTINUE = 0,
    RETRY_CHANGE = 1,
    RETRY_QUIT = 2,
};

class CScene {
public:
    virtual int InitProc() = 0;
    virtual int MainProc() = 0;
    virtual int UpdateProc() = 0;
    virtual int RenderProc() = 0;
    virtual int EndProc() = 0;
    virtual ~CScene() = default;

    static SCENE_KIND GetNextScene() { return m_NextScene; }
    static void SetRetryScene(SCENE_RETRY retry) { m_RetryScene = retry; }
    static void SetNextScene(SCENE_KIND next) { m_NextScene = next; }

protected:
    static SCENE_KIND m_NextScene;
    static SCENE_RETRY m_RetryScene;
};
